// Keys of an interactive dialog and what each one does, free of curses: the
// screen turns what the terminal sends into a Key, RouteKey says what the
// dialog does with it, and the keys that edit an input go on to EditField
// (host/dialog/terminal/field_edit.h).
#pragma once

enum class KeyName {
    Character, // a typed character (ch)
    Alt,       // Alt with a printable character (ch)
    Tab,
    BackTab,
    Up,
    Down,
    Left,
    Right,
    Home,
    End,
    Backspace,
    Delete,
    Enter,
    Escape,
    Interrupt, // Ctrl-C
    Refresh,   // Ctrl-L
    F1,
    F12,
    Other, // a key no dialog uses (a resized terminal, other function keys)
};

struct Key {
    KeyName name = KeyName::Other;
    char32_t ch = 0;
};

// A character as the terminal sends it: the control characters that are
// keys of their own (Tab, Enter, Backspace, Esc, Ctrl-C, Ctrl-L) by name,
// anything else as a typed character.
Key KeyFromCharacter(char32_t c);

// What holds the focus when a key arrives.
enum class FocusOn { Nothing, Input, OtherControl };

enum class KeyAction {
    None,
    NextControl,
    PreviousControl,
    Enter,    // presses a focused button, elsewhere moves on
    Activate, // ticks a focused check box or presses a focused button
    HotKey,   // the control with the key's letter as its hot key
    EditField, // the key goes to the focused input's editor
    Confirm,  // OK
    Cancel,
    Help,
    Refresh, // draws the screen anew
};

KeyAction RouteKey(const Key& key, FocusOn focus);
