// A counted reference to a Coin node (or any SoBase): ref() on taking it,
// unref() on letting it go.  Coin's reference counts are not atomic: a
// scene built on a worker thread is handed over whole, and from then on
// only the GUI thread touches it.
#pragma once

#include <utility>

namespace vexalith::viewer {

template <class T>
class CoinRef {
public:
    CoinRef() = default;
    explicit CoinRef(T* node) : node_(node)
    {
        if (node_)
            node_->ref();
    }
    CoinRef(const CoinRef& other) : CoinRef(other.node_) {}
    CoinRef(CoinRef&& other) noexcept : node_(std::exchange(other.node_, nullptr)) {}
    CoinRef& operator=(CoinRef other) noexcept
    {
        std::swap(node_, other.node_);
        return *this;
    }
    ~CoinRef()
    {
        if (node_)
            node_->unref();
    }

    T* get() const { return node_; }
    T* operator->() const { return node_; }
    explicit operator bool() const { return node_ != nullptr; }
    void reset() { CoinRef().swap_with(*this); }

private:
    void swap_with(CoinRef& other) noexcept { std::swap(node_, other.node_); }

    T* node_ = nullptr;
};

}  // namespace vexalith::viewer
