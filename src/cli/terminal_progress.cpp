#include "cli/terminal_progress.h"

#include <unistd.h>

#include <algorithm>
#include <string>
#include <utility>

namespace vexalith {

TerminalProgress::TerminalProgress(std::FILE* stream) : stream_(stream), enabled_(::isatty(::fileno(stream)) == 1) {}

TerminalProgress::~TerminalProgress() { clear(); }

void TerminalProgress::progress_visible(bool visible)
{
    if (!visible)
        clear();
}

void TerminalProgress::progress_maximum(long long maximum)
{
    maximum_ = maximum;
    percent_ = -1;
    position_ = -1;
}

void TerminalProgress::show_counts(std::string unit) { unit_ = std::move(unit); }

void TerminalProgress::progress_position(long long position)
{
    if (!enabled_ || maximum_ <= 0)
        return;
    const long long clamped = std::clamp(position, 0LL, maximum_);
    const int percent = static_cast<int>(clamped * 100 / maximum_);
    if (percent != percent_ || (!unit_.empty() && clamped != position_))
        draw(clamped, percent);
}

void TerminalProgress::warning(std::string_view message)
{
    if (!warned_.add(message))
        return;
    clear();
    const std::string line = "vexalith-convert: warning: " + std::string(message) + "\n";
    std::fputs(line.c_str(), stream_);
    std::fflush(stream_);
}

void TerminalProgress::draw(long long position, int percent)
{
    percent_ = percent;
    position_ = position;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    std::string bar = "\r[";
    bar.append(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kWidth - filled), ' ');
    // Appended piece by piece: GCC 12 warns (falsely) of an overlapping
    // copy in a chain of temporary strings here.
    bar += "] ";
    bar += std::to_string(percent);
    bar += '%';
    if (!unit_.empty()) {
        bar += ' ';
        bar += std::to_string(position);
        bar += '/';
        bar += std::to_string(maximum_);
        bar += ' ';
        bar += unit_;
    }
    std::fputs(bar.c_str(), stream_);
    std::fflush(stream_);
    drawn_ = true;
}

void TerminalProgress::clear()
{
    if (!drawn_)
        return;
    std::fputs("\r\033[K", stream_);
    std::fflush(stream_);
    drawn_ = false;
    percent_ = -1;
    position_ = -1;
}

}  // namespace vexalith
