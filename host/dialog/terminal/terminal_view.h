// Drawing an interactive dialog on the open terminal screen: its frame and
// title in the middle of the terminal (or where the object moved it), the
// controls, a line under it with the keys or why OK was refused, and the
// cursor in the focused control.
#pragma once

#include <string>

#include "host/dialog/dialog_state.h"
#include "host/dialog/terminal/field_edit.h"

class TerminalView {
public:
    // Made once the screen is open: sets up the colours the view uses.
    TerminalView();

    // Draws the whole dialog anew.  `focused` is the editor of the focused
    // input (its text, caret and first cell shown), or null when the focus
    // is elsewhere; `problem` (UTF-8) replaces the line of keys when it is
    // not empty; `bell` rings the terminal's bell.
    void Draw(const RunningDialog& d, const FieldEdit* focused, const std::string& problem, bool bell);
};
