// Text written by the program: lines end in CR LF, and the bytes go to a
// sink (a file being written, or memory).  The output is buffered; a write
// that fails throws InputOutputError naming the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexalith {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(std::string_view bytes) = 0;
};

// Collects everything in memory.
class StringSink : public ByteSink {
public:
    void write(std::string_view bytes) override { text_.append(bytes); }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

class TextOutput {
public:
    explicit TextOutput(ByteSink& sink) : sink_(sink) {}
    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;
    ~TextOutput();  // flushes what it can; call flush() to see errors

    // A text of the buffer's size or more goes to the sink as it is, after
    // what the buffer holds.
    TextOutput& operator<<(std::string_view text)
    {
        if (text.size() >= kFlushSize) {
            write_through(text);
            return *this;
        }
        buffer_.append(text);
        if (buffer_.size() >= kFlushSize)
            flush();
        return *this;
    }
    TextOutput& operator<<(char c)
    {
        buffer_.push_back(c);
        return *this;
    }

    // Writes the text and a CR LF line end.
    void line(std::string_view text = {})
    {
        buffer_.append(text);
        buffer_.append("\r\n");
        if (buffer_.size() >= kFlushSize)
            flush();
    }

    void flush();
    uint64_t bytes_written() const { return written_ + buffer_.size(); }

    static constexpr std::size_t kFlushSize = 1 << 20;

private:
    void write_through(std::string_view text);

    ByteSink& sink_;
    std::string buffer_;
    uint64_t written_ = 0;
};

}  // namespace vexalith
