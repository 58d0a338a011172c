// What each key does in an interactive dialog, by what holds the focus:
// characters as the terminal sends them, and the keys curses names.
#include <gtest/gtest.h>

#include <string>

#include "host/dialog/terminal/terminal_keys.h"

namespace {

Key Sent(char32_t c) { return KeyFromCharacter(c); }
Key Named(KeyName name) { return {name, 0}; }

constexpr FocusOn kInput = FocusOn::Input;
constexpr FocusOn kOther = FocusOn::OtherControl;
constexpr FocusOn kNone = FocusOn::Nothing;

TEST(TerminalKeys, KeysRouteByWhatHoldsTheFocus)
{
    const struct {
        const char* what;
        Key key;
        FocusOn focus;
        KeyAction action;
    } rows[] = {
        {"a letter edits an input", Sent(U'k'), kInput, KeyAction::EditField},
        {"a letter elsewhere is a hot key", Sent(U'k'), kOther, KeyAction::HotKey},
        {"a letter with no focus is a hot key", Sent(U'k'), kNone, KeyAction::HotKey},
        {"a Polish letter elsewhere is a hot key", Sent(U'ż'), kOther, KeyAction::HotKey},
        {"Space edits an input", Sent(U' '), kInput, KeyAction::EditField},
        {"Space ticks or presses elsewhere", Sent(U' '), kOther, KeyAction::Activate},
        {"Space with no focus looks for a hot key", Sent(U' '), kNone, KeyAction::HotKey},
        {"a control character goes to an input's editor, which refuses it", Sent(1), kInput, KeyAction::EditField},
        {"a control character does nothing elsewhere", Sent(1), kOther, KeyAction::None},
        {"Alt+letter is a hot key even in an input", {KeyName::Alt, U'o'}, kInput, KeyAction::HotKey},

        {"Tab moves on", Sent(U'\t'), kInput, KeyAction::NextControl},
        {"Down moves on", Named(KeyName::Down), kOther, KeyAction::NextControl},
        {"Shift-Tab moves back", Named(KeyName::BackTab), kInput, KeyAction::PreviousControl},
        {"Up moves back", Named(KeyName::Up), kOther, KeyAction::PreviousControl},
        {"Left moves the caret in an input", Named(KeyName::Left), kInput, KeyAction::EditField},
        {"Left moves back elsewhere", Named(KeyName::Left), kOther, KeyAction::PreviousControl},
        {"Right moves the caret in an input", Named(KeyName::Right), kInput, KeyAction::EditField},
        {"Right moves on elsewhere", Named(KeyName::Right), kOther, KeyAction::NextControl},
        {"Home edits an input", Named(KeyName::Home), kInput, KeyAction::EditField},
        {"End does nothing elsewhere", Named(KeyName::End), kOther, KeyAction::None},
        {"Delete edits an input", Named(KeyName::Delete), kInput, KeyAction::EditField},
        {"Backspace (DEL) edits an input", Sent(0x7F), kInput, KeyAction::EditField},
        {"Backspace (Ctrl-H) edits an input", Sent(8), kInput, KeyAction::EditField},
        {"Backspace does nothing elsewhere", Named(KeyName::Backspace), kOther, KeyAction::None},

        {"Enter (CR)", Sent(U'\r'), kInput, KeyAction::Enter},
        {"Enter (LF)", Sent(U'\n'), kOther, KeyAction::Enter},
        {"Enter (keypad)", Named(KeyName::Enter), kNone, KeyAction::Enter},
        {"F12 is OK", Named(KeyName::F12), kInput, KeyAction::Confirm},
        {"Esc cancels", Sent(27), kInput, KeyAction::Cancel},
        {"Ctrl-C cancels", Sent(3), kInput, KeyAction::Cancel},
        {"F1 asks for help", Named(KeyName::F1), kOther, KeyAction::Help},
        {"Ctrl-L draws anew", Sent(12), kInput, KeyAction::Refresh},
        {"other keys do nothing", Named(KeyName::Other), kInput, KeyAction::None},
    };
    for (const auto& row : rows)
        EXPECT_EQ(RouteKey(row.key, row.focus), row.action) << row.what;
}

} // namespace
