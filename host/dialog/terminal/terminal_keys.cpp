// Keys to actions.  The keys that move in or edit an input do so while an
// input has the focus and otherwise move the focus (Left, Right) or do
// nothing; a typed letter edits an input, and elsewhere is a hot key.
#include "host/dialog/terminal/terminal_keys.h"

Key KeyFromCharacter(char32_t c)
{
    switch (c) {
    case 3:
        return {KeyName::Interrupt, c};
    case 8:
    case 0x7F:
        return {KeyName::Backspace, c};
    case '\t':
        return {KeyName::Tab, c};
    case '\r':
    case '\n':
        return {KeyName::Enter, c};
    case 12:
        return {KeyName::Refresh, c};
    case 27:
        return {KeyName::Escape, c};
    default:
        return {KeyName::Character, c};
    }
}

KeyAction RouteKey(const Key& key, FocusOn focus)
{
    const bool input = focus == FocusOn::Input;
    switch (key.name) {
    case KeyName::Character:
        if (input)
            return KeyAction::EditField; // the editor refuses what it cannot take
        if (key.ch == U' ' && focus == FocusOn::OtherControl)
            return KeyAction::Activate;
        return key.ch >= 0x20 ? KeyAction::HotKey : KeyAction::None;
    case KeyName::Alt:
        return KeyAction::HotKey;
    case KeyName::Tab:
    case KeyName::Down:
        return KeyAction::NextControl;
    case KeyName::BackTab:
    case KeyName::Up:
        return KeyAction::PreviousControl;
    case KeyName::Left:
        return input ? KeyAction::EditField : KeyAction::PreviousControl;
    case KeyName::Right:
        return input ? KeyAction::EditField : KeyAction::NextControl;
    case KeyName::Home:
    case KeyName::End:
    case KeyName::Backspace:
    case KeyName::Delete:
        return input ? KeyAction::EditField : KeyAction::None;
    case KeyName::Enter:
        return KeyAction::Enter;
    case KeyName::Escape:
    case KeyName::Interrupt:
        return KeyAction::Cancel;
    case KeyName::Refresh:
        return KeyAction::Refresh;
    case KeyName::F1:
        return KeyAction::Help;
    case KeyName::F12:
        return KeyAction::Confirm;
    case KeyName::Other:
        break;
    }
    return KeyAction::None;
}
