// The narrow interface through which the core reaches the windows: status
// texts, the progress bar, the structure selector and the caption panel.
// Every operation does nothing by default, so the core runs headless with a
// plain Reporter, and a window overrides what it shows.
#pragma once

#include <string_view>

namespace vexalith {

class Reporter {
public:
    virtual ~Reporter() = default;

    // Status bar panel `panel` (0-based) shows `text`; repaint_status() asks
    // for the status bar to be drawn at once (the work that follows blocks).
    virtual void status_text(int /*panel*/, std::string_view /*text*/) {}
    virtual void repaint_status() {}

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

}  // namespace vexalith
