// The events through which the core tells its callers what a conversion is
// doing: the stage it has reached, how far it is, which structure or model
// is loaded, what the caption should say, which commands a loaded model
// allows, and warnings about the input.  Every event does nothing by
// default, so the core runs headless with a plain Reporter; the window maps
// the events onto its status bar, progress bar, selector and caption, the
// converter onto its terminal bar and warning lines.
#pragma once

#include <string_view>

namespace vexalith {

class Reporter {
public:
    virtual ~Reporter() = default;

    // The stage a conversion has reached: the file is being read, or the
    // scene is written and goes to the viewer to be rendered.  The work that
    // follows may block, so a window shows the stage at once.
    enum class Stage { Reading, Rendering };
    virtual void stage(Stage /*stage*/) {}

    // Which structure or model of the file is loaded (" Structure 3 of 20",
    // " Model 3 of 26", "Structure 1 of 20" on loading a file that holds
    // several), or "" when the file holds one.
    virtual void selection_text(std::string_view /*text*/) {}

    virtual void progress_visible(bool /*visible*/) {}
    virtual void progress_maximum(long long /*maximum*/) {}
    virtual void progress_position(long long /*position*/) {}

    // The structure selector (the up-down control beside the status bar).
    virtual void structure_selector_enabled(bool /*enabled*/) {}

    // The caption panel of the small window at the viewer's corner.
    virtual void caption_text(std::string_view /*text*/) {}

    // The commands that need a loaded model (mode buttons, exports, options,
    // the Structure menu) are enabled or disabled; Expand is enabled only
    // when `expand_enabled` (never for a protein file).
    virtual void model_commands_enabled(bool /*enabled*/, bool /*expand_enabled*/) {}

    // The model mode that the mode buttons and menu items show as selected
    // (1 ball-and-stick, 2 covalent radius, 3 van der Waals).
    virtual void model_mode_shown(int /*mode*/) {}

    // Expand kept `joined` atoms in one fragment and left `left_out` out.
    virtual void atoms_joined(int /*joined*/, int /*left_out*/) {}

    // Something in the input that the conversion read past but the user
    // should know of, as "file:line: text".
    virtual void warning(std::string_view /*message*/) {}
};

// Shows the progress bar while it lives: hidden however an export ends.
class ProgressShown {
public:
    explicit ProgressShown(Reporter& reporter) : reporter_(reporter) { reporter_.progress_visible(true); }
    ~ProgressShown() { reporter_.progress_visible(false); }
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;

private:
    Reporter& reporter_;
};

}  // namespace vexalith
