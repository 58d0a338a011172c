// The terminal while an interactive dialog shows on it: curses set up over
// standard input and output, the character type switched to UTF-8, and the
// signals that end a dialog (SIGTERM, SIGHUP, SIGINT) caught.  Close, or the
// destructor on any way out, gives all of it back, so the shell that started
// the host never inherits a raw terminal.  Only the screen's source and the
// view's see curses.
#pragma once

#include <csignal>
#include <iterator>
#include <string>

#include "host/dialog/terminal/terminal_keys.h"

enum class ScreenRead {
    Key,    // a key came
    Idle,   // none came for a while
    Signal, // a signal arrived: the dialog ends
};

class TerminalScreen {
public:
    TerminalScreen() = default;
    ~TerminalScreen() { Close(); }
    TerminalScreen(const TerminalScreen&) = delete;
    TerminalScreen& operator=(const TerminalScreen&) = delete;

    // Takes the terminal over; false, with the reason, when it cannot show a
    // dialog (then everything is as it was).
    bool Open(std::string* why);
    void Close();

    // Waits a tenth of a second for the next key.  Esc followed at once by a
    // printable character is that character with Alt.
    ScreenRead ReadKey(Key* key);

    // The signal that arrived while the screen was open, or 0; forgotten here.
    int TakeSignal();

    // The next drawing repaints every cell (Ctrl-L).
    void RepaintAll();

private:
    static constexpr int kCaughtSignals[] = {SIGTERM, SIGHUP, SIGINT};

    void* screen_ = nullptr; // curses' SCREEN
    std::string savedLocale_;
    bool localeChanged_ = false;
    bool signalsSet_ = false;
    struct sigaction savedActions_[std::size(kCaughtSignals)] {};
};
