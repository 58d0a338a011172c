// The curses screen of an interactive dialog: setting the terminal up and
// giving it back, and reading keys.
#define NCURSES_WIDECHAR 1
#include <curses.h>
#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/dialog/terminal/terminal_screen.h"

namespace {

volatile std::sig_atomic_t g_signal = 0;

void OnSignal(int sig) { g_signal = sig; }

constexpr int kIdleMilliseconds = 100;
constexpr int kAltWindowMilliseconds = 25;

bool Utf8Codeset()
{
    const char* codeset = nl_langinfo(CODESET);
    return codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0;
}

// The keys that curses reports by code.
Key FunctionKey(int code)
{
    switch (code) {
    case KEY_F(1):
        return {KeyName::F1};
    case KEY_F(12):
        return {KeyName::F12};
    case KEY_BTAB:
        return {KeyName::BackTab};
    case KEY_UP:
        return {KeyName::Up};
    case KEY_DOWN:
        return {KeyName::Down};
    case KEY_LEFT:
        return {KeyName::Left};
    case KEY_RIGHT:
        return {KeyName::Right};
    case KEY_HOME:
        return {KeyName::Home};
    case KEY_END:
        return {KeyName::End};
    case KEY_BACKSPACE:
        return {KeyName::Backspace};
    case KEY_DC:
        return {KeyName::Delete};
    case KEY_ENTER:
        return {KeyName::Enter};
    default: // KEY_RESIZE among them: the next drawing fits the new size
        return {KeyName::Other};
    }
}

} // namespace

bool TerminalScreen::Open(std::string* why)
{
    if (isatty(STDIN_FILENO) == 0 || isatty(STDOUT_FILENO) == 0) {
        *why = "standard input or output is not a terminal";
        return false;
    }
    const char* term = std::getenv("TERM");
    if (term == nullptr || *term == '\0') {
        *why = "TERM is not set";
        return false;
    }
    // Wide characters need a UTF-8 character type; only LC_CTYPE is
    // touched, so numbers keep their decimal point everywhere else.
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    savedLocale_ = current != nullptr ? current : "C";
    localeChanged_ = true;
    if (std::setlocale(LC_CTYPE, "") == nullptr || !Utf8Codeset())
        std::setlocale(LC_CTYPE, "C.UTF-8");

    // Handlers of our own keep curses from installing its exiting ones.
    g_signal = 0;
    for (std::size_t i = 0; i < std::size(kCaughtSignals); ++i) {
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        sigaction(kCaughtSignals[i], &action, &savedActions_[i]);
    }
    signalsSet_ = true;

    std::fflush(stdout);
    std::fflush(stderr);
    SCREEN* screen = newterm(nullptr, stdout, stdin);
    if (screen == nullptr) {
        *why = std::string("the terminal type \"") + term + "\" is unknown";
        Close();
        return false;
    }
    screen_ = screen;
    set_term(screen);
    raw(); // Ctrl-C arrives as a key and cancels like Esc
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    intrflush(stdscr, FALSE);
    set_escdelay(kAltWindowMilliseconds * 2);
    wtimeout(stdscr, kIdleMilliseconds);
    return true;
}

void TerminalScreen::Close()
{
    if (screen_ != nullptr) {
        curs_set(1);
        endwin();
        delscreen(static_cast<SCREEN*>(screen_));
        screen_ = nullptr;
        std::fflush(stdout);
    }
    if (signalsSet_) {
        for (std::size_t i = 0; i < std::size(kCaughtSignals); ++i)
            sigaction(kCaughtSignals[i], &savedActions_[i], nullptr);
        signalsSet_ = false;
    }
    if (localeChanged_) {
        std::setlocale(LC_CTYPE, savedLocale_.c_str());
        localeChanged_ = false;
    }
}

ScreenRead TerminalScreen::ReadKey(Key* key)
{
    wint_t code = 0;
    const int status = get_wch(&code);
    if (g_signal != 0)
        return ScreenRead::Signal;
    if (status == ERR)
        return ScreenRead::Idle;
    if (status == KEY_CODE_YES) {
        *key = FunctionKey(static_cast<int>(code));
        return ScreenRead::Key;
    }
    *key = KeyFromCharacter(static_cast<char32_t>(code));
    if (key->name == KeyName::Escape) {
        // Alt sends Esc and its key at once; a lone Esc waits for nothing.
        wint_t next = 0;
        wtimeout(stdscr, kAltWindowMilliseconds);
        const int nextStatus = get_wch(&next);
        wtimeout(stdscr, kIdleMilliseconds);
        if (nextStatus == OK && next >= 0x20 && next != 0x7F)
            *key = {KeyName::Alt, static_cast<char32_t>(next)};
    }
    return ScreenRead::Key;
}

int TerminalScreen::TakeSignal()
{
    const int caught = g_signal;
    g_signal = 0;
    return caught;
}

void TerminalScreen::RepaintAll() { clearok(curscr, TRUE); }
