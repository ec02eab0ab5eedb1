// The progress of a long conversion as a bar on standard error, drawn only
// when standard error is a terminal.
#pragma once

#include <cstdio>
#include <string>

#include "cli/distinct_warnings.h"
#include "common/reporter.h"

namespace vexalith {

class TerminalProgress : public Reporter {
public:
    explicit TerminalProgress(std::FILE* stream);
    ~TerminalProgress() override;

    void progress_visible(bool visible) override;
    void progress_maximum(long long maximum) override;
    void progress_position(long long position) override;
    // A warning about the input: a line of its own, the bar drawn again
    // at its next step.
    void warning(std::string_view message) override;

    // Shows the count too, "] 40% 12/30 files", drawn again at every new
    // position (a batch counts its files with it).
    void show_counts(std::string unit);

private:
    void draw(long long position, int percent);
    void clear();

    std::FILE* stream_;
    bool enabled_;
    bool drawn_ = false;
    long long maximum_ = 0;
    int percent_ = -1;
    std::string unit_;  // empty: the percentage alone
    DistinctWarnings warned_;
    long long position_ = -1;  // the position drawn last
};

}  // namespace vexalith
