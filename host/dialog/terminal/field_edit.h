// Editing one input of an interactive dialog, free of curses and of the
// running dialog: a field's text and caret, and what a key does to them.
//
// A text is edited in the host's one-byte text (Mazovia), one cell per
// character, so a Polish letter is one character like any other; a
// character the host's text lacks is refused.  A date is eight digit slots
// (YYYYMMDD, a blank where none is typed yet) shown as YYYY-MM-DD; its
// dashes stand in the field already.  A number is its sign and digits as
// typed, at most the input's length of digits.  The first character typed
// into a field that just got the focus replaces its value.
#pragma once

#include <cstdint>
#include <string>

#include "host/dialog/dialog_template.h"
#include "host/dialog/terminal/terminal_keys.h"

enum class FieldKind { Text, Date, Number };

struct FieldEdit {
    FieldKind kind = FieldKind::Text;
    int length = 0;            // characters of a text, digits of a number
    bool minusAllowed = false; // a number whose range goes below zero
    std::string text;          // Mazovia text, date slots, or sign and digits
    int caret = 0;             // the cell the next character goes into
    bool fresh = true;         // the next typed character replaces the value
    int scroll = 0;            // the first cell shown (ScrollToCaret)
};

enum class EditResult {
    Unchanged, // the caret may have moved
    Changed,   // the text changed
    Refused,   // the key does not fit: the dialog beeps
};

// A field that just got the focus, over its value (a date as YYYYMMDD, or
// "" for none): the caret after the value.
FieldEdit StartFieldEdit(FieldKind kind, int length, bool minusAllowed, const std::string& value);

// What a key does to the field: a typed character, Left, Right, Home, End,
// Backspace and Delete edit it; any other key leaves it alone.
EditResult EditField(FieldEdit& field, const Key& key);

// A date value as the eight slots of its field, blanks where it has none.
std::string DateSlots(const std::string& value);

// The number that typed digits stand for, with an optional minus in front;
// saturates rather than overflows (the range check comes at OK).
int32_t FieldNumber(const std::string& text);

// The first cell to show of a field `width` cells wide so that the caret
// stays in view, moving the previous first cell as little as it can.
int ScrollToCaret(int scroll, int caret, int width);
