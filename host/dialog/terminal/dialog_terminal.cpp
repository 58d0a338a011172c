// Interactive dialogs: the template drawn in the terminal with the wide
// ncurses, keys routed as in the host's own dialogs.  The terminal, the
// character type locale and the signal handlers are given back on every way
// out (OK, Cancel, Esc, a signal, an exception), so the shell that started
// the host never inherits a raw terminal.
#ifdef _WIN32
#include <string>

#include "host/dialog/dialog_state.h"

// The Windows host has no curses: its dialogs are answered as in batch mode.
bool RunDialogInTerminal(RunningDialog&, std::string* why)
{
    *why = "this build of the host draws no dialogs";
    return false;
}
#else
#define NCURSES_WIDECHAR 1
#include <curses.h>
#include <langinfo.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <csignal>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "host/dialog/dialog_state.h"
#include "host/services/mazovia.h"

namespace {

volatile std::sig_atomic_t g_signal = 0;

void OnSignal(int sig) { g_signal = sig; }

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
constexpr int kIdleMilliseconds = 100;
constexpr int kAltWindowMilliseconds = 25;
constexpr short kPairKey = 1;     // key names in texts (attribute byte 0x05)
constexpr short kPairProblem = 2; // why the dialog was not accepted

bool Utf8Codeset()
{
    const char* codeset = nl_langinfo(CODESET);
    return codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0;
}

// The curses screen with what it changes around it.
class Terminal {
public:
    Terminal() = default;
    ~Terminal() { Close(); }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    bool Open(std::string* why)
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
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            struct sigaction action {};
            action.sa_handler = OnSignal;
            sigemptyset(&action.sa_mask);
            sigaction(kSignals[i], &action, &savedActions_[i]);
        }
        signalsSet_ = true;

        std::fflush(stdout);
        std::fflush(stderr);
        screen_ = newterm(nullptr, stdout, stdin);
        if (screen_ == nullptr) {
            *why = std::string("the terminal type \"") + term + "\" is unknown";
            Close();
            return false;
        }
        set_term(screen_);
        raw(); // Ctrl-C arrives as a key and cancels like Esc
        noecho();
        nonl();
        keypad(stdscr, TRUE);
        intrflush(stdscr, FALSE);
        set_escdelay(kAltWindowMilliseconds * 2);
        wtimeout(stdscr, kIdleMilliseconds);
        if (has_colors()) {
            start_color();
            use_default_colors();
            init_pair(kPairKey, COLOR_YELLOW, -1);
            init_pair(kPairProblem, COLOR_RED, -1);
        }
        return true;
    }

    void Close()
    {
        if (screen_ != nullptr) {
            curs_set(1);
            endwin();
            delscreen(screen_);
            screen_ = nullptr;
            std::fflush(stdout);
        }
        if (signalsSet_) {
            for (std::size_t i = 0; i < std::size(kSignals); ++i)
                sigaction(kSignals[i], &savedActions_[i], nullptr);
            signalsSet_ = false;
        }
        if (localeChanged_) {
            std::setlocale(LC_CTYPE, savedLocale_.c_str());
            localeChanged_ = false;
        }
    }

private:
    SCREEN* screen_ = nullptr;
    std::string savedLocale_;
    bool localeChanged_ = false;
    bool signalsSet_ = false;
    struct sigaction savedActions_[std::size(kSignals)] {};
};

// The Mazovia byte of a typed character, or -1 when the host's text lacks it.
int MazoviaByte(char32_t c)
{
    if (c < 0x20 || c == 0x7F)
        return -1;
    return MazoviaByteOf(c);
}

// What the attribute bytes of a host text switch to.
attr_t AttributeFor(unsigned char byte, attr_t base)
{
    switch (byte) {
    case 0x02:
        return base | A_BOLD;
    case 0x03:
        return base | A_UNDERLINE;
    case 0x04:
        return base | A_REVERSE;
    case 0x05:
        return base | A_BOLD | (has_colors() ? COLOR_PAIR(kPairKey) : 0);
    default: // 0x01: back to normal
        return base;
    }
}

void Put(int y, int x, char32_t c, attr_t attr)
{
    if (y < 0 || x < 0 || y >= LINES || x >= COLS)
        return;
    wchar_t text[2] = {static_cast<wchar_t>(c), L'\0'};
    cchar_t cell;
    setcchar(&cell, text, attr & ~A_COLOR, static_cast<short>(PAIR_NUMBER(attr)), nullptr);
    mvadd_wch(y, x, &cell);
}

void Fill(int y, int x, int width, attr_t attr)
{
    for (int i = 0; i < width; ++i)
        Put(y, x + i, U' ', attr);
}

// Cells a host text takes once tildes and attribute bytes are gone.
int TextWidth(std::string_view text)
{
    int width = 0;
    for (char ch : text) {
        const unsigned char b = static_cast<unsigned char>(ch);
        if (ch != '~' && b >= 0x20 && b != 0x7F)
            ++width;
    }
    return width;
}

// Draws a host text from (y, x) in at most `width` cells: the letter
// between tildes underlined as the hot key, attribute bytes switching the
// look and never printed.
int DrawText(int y, int x, int width, std::string_view text, attr_t base)
{
    attr_t attr = base;
    bool hot = false;
    int used = 0;
    for (char ch : text) {
        const unsigned char b = static_cast<unsigned char>(ch);
        if (used >= width)
            break;
        if (ch == '~') {
            hot = !hot;
            continue;
        }
        if (b >= 0x01 && b <= 0x05) {
            attr = AttributeFor(b, base);
            continue;
        }
        if (b < 0x20 || b == 0x7F)
            continue;
        Put(y, x + used, kMazoviaToUnicode[b], hot ? attr | A_UNDERLINE | A_BOLD : attr);
        ++used;
    }
    return used;
}

void DrawBox(int top, int left, int width, int height, attr_t attr)
{
    if (width < 2 || height < 2)
        return;
    const int bottom = top + height - 1, right = left + width - 1;
    for (int x = left + 1; x < right; ++x) {
        Put(top, x, U'─', attr);
        Put(bottom, x, U'─', attr);
    }
    for (int y = top + 1; y < bottom; ++y) {
        Put(y, left, U'│', attr);
        Put(y, right, U'│', attr);
    }
    Put(top, left, U'┌', attr);
    Put(top, right, U'┐', attr);
    Put(bottom, left, U'└', attr);
    Put(bottom, right, U'┘', attr);
}

// Editing state of an input while it has the focus.
struct Edit {
    int cursor = 0;
    int scroll = 0;
    bool fresh = true;      // the first typed character replaces the value
    std::string numberText; // a number input's digits as typed
};

// Typed digits of a number input, with an optional minus; saturates rather
// than overflows (the range check comes at OK).
int32_t NumberOf(const std::string& text)
{
    long long n = 0;
    const bool negative = !text.empty() && text[0] == '-';
    for (char ch : text)
        if (ch >= '0' && ch <= '9')
            n = std::min(n * 10 + (ch - '0'), 1LL << 40);
    n = negative ? -n : n;
    return static_cast<int32_t>(std::clamp<long long>(n, INT32_MIN, INT32_MAX));
}

// A date input is edited as eight digit slots shown as YYYY-MM-DD.
int DateColumn(int slot) { return slot < 4 ? slot : slot < 6 ? slot + 1 : slot + 2; }

std::string DateSlots(const std::string& value)
{
    std::string slots = value.substr(0, kDialogDateLength);
    slots.resize(kDialogDateLength, ' ');
    return slots;
}

std::string DateShown(const std::string& value, bool focused)
{
    if (value.empty() && !focused)
        return {};
    std::string slots = DateSlots(value);
    for (char& ch : slots)
        if (ch == ' ')
            ch = '_';
    return slots.substr(0, 4) + "-" + slots.substr(4, 2) + "-" + slots.substr(6, 2);
}

class View {
public:
    explicit View(RunningDialog& d) : d_(d), edits_(static_cast<std::size_t>(d.count()) + 1) {}

    void Run()
    {
        Draw();
        while (!d_.ended) {
            wint_t key = 0;
            const int status = get_wch(&key);
            if (g_signal != 0) {
                d_.ended = true;
                d_.result = 0;
                break;
            }
            if (status == ERR) {
                DIALOG_VIRTUAL(d_, DlgOnIdle);
                if (d_.redraw || d_.beeps > 0)
                    Draw();
                continue;
            }
            problem_.clear();
            if (status == KEY_CODE_YES)
                FunctionKey(static_cast<int>(key));
            else
                Character(static_cast<char32_t>(key));
            if (!d_.ended)
                Draw();
        }
    }

private:
    // ----- focus and buttons

    void Focus(int number)
    {
        if (number != 0)
            DIALOG_VIRTUAL(d_, DlgSetFocus, number);
    }
    void Step(int step) { Focus(DialogNextFocus(d_, d_.focus, step)); }

    void Press(int id)
    {
        DialogPressButton(d_, id);
        if (!d_.ended && !d_.problem.empty()) {
            problem_ = d_.problem;
            ++d_.beeps;
        }
    }

    void Cancel()
    {
        const int id = DialogCancelButton(d_);
        const int n = id != 0 ? DIALOG_VIRTUAL(d_, DlgFindControl, id) : 0;
        if (n != 0 && d_.at(n).enabled)
            Press(id);
        if (!d_.ended) {
            d_.ended = true;
            d_.result = 0;
        }
    }

    void Confirm()
    {
        const int id = DialogOkButton(d_);
        const int n = id != 0 ? DIALOG_VIRTUAL(d_, DlgFindControl, id) : 0;
        if (n == 0 || !d_.at(n).enabled) {
            ++d_.beeps;
            return;
        }
        Press(id);
    }

    void Toggle(int n)
    {
        d_.at(n).checked = !d_.at(n).checked;
        Changed(n);
    }

    void Activate(int n)
    {
        const DialogControl& c = d_.control(n);
        if (c.kind == DialogControlKind::Button)
            Press(c.id);
        else if (c.kind == DialogControlKind::CheckBox)
            Toggle(n);
    }

    // The control a hot key leads to: a label's input, or the control itself.
    int HotKeyTarget(int n) const
    {
        const DialogControl& c = d_.control(n);
        if (c.kind == DialogControlKind::Label)
            return DialogFocusable(d_, n + 1) ? n + 1 : 0;
        return DialogFocusable(d_, n) ? n : 0;
    }

    // Alt+letter, or the plain letter where no input has the focus.  Two
    // controls with one letter take turns, starting after the focus.
    bool HotKey(char32_t key)
    {
        const char32_t wanted = DialogFoldCase(key);
        const int count = d_.count();
        for (int i = 1; i <= count; ++i) {
            const int n = (d_.focus + i - 1) % count + 1;
            const uint16_t hot = d_.control(n).hotKey;
            if (hot == 0 || hot > 0xFF || DialogFoldCase(kMazoviaToUnicode[hot]) != wanted)
                continue;
            if (!d_.at(n).enabled)
                continue;
            const int target = HotKeyTarget(n);
            if (target == 0 || (target == d_.focus && d_.control(n).kind == DialogControlKind::Label))
                continue;
            Focus(target);
            if (d_.control(target).kind != DialogControlKind::Input)
                Activate(target);
            return true;
        }
        return false;
    }

    // ----- editing

    void Changed(int n)
    {
        d_.modified = true;
        DIALOG_VIRTUAL(d_, DlgOnChange, n);
    }

    Edit& EditOf(int n) { return edits_[static_cast<std::size_t>(n)]; }

    // Fresh editing state whenever the focus lands on an input.
    void TrackFocus()
    {
        if (d_.focus == editing_)
            return;
        editing_ = d_.focus;
        if (!d_.valid(editing_) || d_.control(editing_).kind != DialogControlKind::Input)
            return;
        Edit& e = EditOf(editing_);
        const DialogControl& c = d_.control(editing_);
        const DialogControlState& s = d_.at(editing_);
        e = Edit{};
        if (c.input == DialogInputType::Number) {
            e.numberText = std::to_string(s.number);
            e.cursor = static_cast<int>(e.numberText.size());
        } else if (c.input == DialogInputType::Date) {
            const std::string slots = DateSlots(s.text);
            e.cursor = static_cast<int>(slots.find_last_not_of(' ') + 1);
        } else {
            e.cursor = static_cast<int>(s.text.size());
        }
    }

    // The value being edited as a string of cells: text, date slots, digits.
    std::string& Buffer(int n, std::string& dateSlots)
    {
        const DialogControl& c = d_.control(n);
        if (c.input == DialogInputType::Number)
            return EditOf(n).numberText;
        if (c.input == DialogInputType::Date) {
            dateSlots = DateSlots(d_.at(n).text);
            return dateSlots;
        }
        return d_.at(n).text;
    }

    void Commit(int n, const std::string& dateSlots)
    {
        const DialogControl& c = d_.control(n);
        if (c.input == DialogInputType::Date)
            d_.at(n).text = dateSlots.find_first_not_of(' ') == std::string::npos ? std::string() : dateSlots;
        if (c.input == DialogInputType::Number) {
            const std::string& t = EditOf(n).numberText;
            d_.at(n).number = NumberOf(t);
        }
        Changed(n);
    }

    void Type(int n, int byte)
    {
        const DialogControl& c = d_.control(n);
        Edit& e = EditOf(n);
        std::string slots;
        std::string& buffer = Buffer(n, slots);
        if (c.input == DialogInputType::Date) {
            if (byte == '-' || byte == '.' || byte == '/')
                return; // the separators stand in the field already
            if (byte < '0' || byte > '9') {
                ++d_.beeps;
                return;
            }
            if (e.fresh) {
                buffer.assign(kDialogDateLength, ' ');
                e.cursor = 0;
            }
            e.fresh = false;
            if (e.cursor >= kDialogDateLength) {
                ++d_.beeps;
                return;
            }
            buffer[static_cast<std::size_t>(e.cursor++)] = static_cast<char>(byte);
            Commit(n, buffer);
            return;
        }
        if (c.input == DialogInputType::Number) {
            const bool sign = byte == '-' && c.minimum < 0;
            if (!sign && (byte < '0' || byte > '9')) {
                ++d_.beeps;
                return;
            }
            if (e.fresh) {
                buffer.clear();
                e.cursor = 0;
            }
            e.fresh = false;
            const bool negative = buffer.starts_with('-');
            const std::size_t digits = buffer.size() - (negative ? 1 : 0);
            // A minus only in front, a digit never before it.
            if ((sign && (e.cursor != 0 || negative)) || (!sign && negative && e.cursor == 0) ||
                (!sign && digits >= static_cast<std::size_t>(c.inputLength))) {
                ++d_.beeps;
                return;
            }
        } else {
            if (e.fresh) {
                buffer.clear();
                e.cursor = 0;
            }
            e.fresh = false;
            if (buffer.size() >= static_cast<std::size_t>(c.inputLength)) {
                ++d_.beeps;
                return;
            }
        }
        buffer.insert(static_cast<std::size_t>(e.cursor), 1, static_cast<char>(byte));
        ++e.cursor;
        Commit(n, slots);
    }

    // Backspace (back = true) or Delete.
    void Erase(int n, bool back)
    {
        Edit& e = EditOf(n);
        e.fresh = false;
        std::string slots;
        std::string& buffer = Buffer(n, slots);
        const bool date = d_.control(n).input == DialogInputType::Date;
        int at = back ? e.cursor - 1 : e.cursor;
        if (at < 0 || at >= static_cast<int>(buffer.size()))
            return;
        if (date)
            buffer[static_cast<std::size_t>(at)] = ' ';
        else
            buffer.erase(static_cast<std::size_t>(at), 1);
        if (back)
            e.cursor = at;
        Commit(n, slots);
    }

    void MoveCursor(int n, int to)
    {
        Edit& e = EditOf(n);
        std::string slots;
        const int length = d_.control(n).input == DialogInputType::Date ? kDialogDateLength
                                                                        : static_cast<int>(Buffer(n, slots).size());
        e.fresh = false;
        e.cursor = std::max(0, std::min(to, length));
    }

    bool InputFocused() const
    {
        return d_.valid(d_.focus) && d_.control(d_.focus).kind == DialogControlKind::Input;
    }

    // ----- keys

    void FunctionKey(int key)
    {
        const int n = d_.focus;
        switch (key) {
        case KEY_RESIZE:
            break;
        case KEY_F(12):
            Confirm();
            break;
        case KEY_F(1):
            if (DIALOG_VIRTUAL(d_, DlgOnHelp, n) == 0)
                problem_ = "There is no help for this dialog.";
            break;
        case KEY_BTAB:
        case KEY_UP:
            Step(-1);
            break;
        case KEY_DOWN:
            Step(1);
            break;
        case KEY_LEFT:
            InputFocused() ? MoveCursor(n, EditOf(n).cursor - 1) : Step(-1);
            break;
        case KEY_RIGHT:
            InputFocused() ? MoveCursor(n, EditOf(n).cursor + 1) : Step(1);
            break;
        case KEY_HOME:
            if (InputFocused())
                MoveCursor(n, 0);
            break;
        case KEY_END:
            if (InputFocused())
                MoveCursor(n, 1 << 20);
            break;
        case KEY_BACKSPACE:
            if (InputFocused())
                Erase(n, true);
            break;
        case KEY_DC:
            if (InputFocused())
                Erase(n, false);
            break;
        case KEY_ENTER:
            Enter();
            break;
        default:
            break;
        }
    }

    void Enter()
    {
        if (d_.valid(d_.focus) && d_.control(d_.focus).kind == DialogControlKind::Button)
            Activate(d_.focus);
        else
            Step(1);
    }

    void Character(char32_t key)
    {
        const int n = d_.focus;
        switch (key) {
        case 27: { // Esc, or Alt with the key that follows at once
            wint_t next = 0;
            wtimeout(stdscr, kAltWindowMilliseconds);
            const int status = get_wch(&next);
            wtimeout(stdscr, kIdleMilliseconds);
            if (status == OK && next >= 0x20 && next != 0x7F) {
                if (!HotKey(static_cast<char32_t>(next)))
                    ++d_.beeps;
            } else {
                Cancel();
            }
            return;
        }
        case 3: // Ctrl-C
            Cancel();
            return;
        case '\t':
            Step(1);
            return;
        case '\r':
        case '\n':
            Enter();
            return;
        case 8:
        case 0x7F:
            if (InputFocused())
                Erase(n, true);
            return;
        case 12: // Ctrl-L
            clearok(curscr, TRUE);
            return;
        default:
            break;
        }
        if (InputFocused()) {
            const int byte = MazoviaByte(key);
            if (byte < 0)
                ++d_.beeps;
            else
                Type(n, byte);
            return;
        }
        if (key == U' ' && d_.valid(n)) {
            Activate(n);
            return;
        }
        if (key >= 0x20 && !HotKey(key))
            ++d_.beeps;
    }

    // ----- drawing

    void Draw()
    {
        TrackFocus();
        d_.redraw = false;
        erase();
        const int width = d_.width, height = d_.height;
        top_ = d_.y >= 0 ? d_.y : std::max(0, (LINES - height) / 2);
        left_ = d_.x >= 0 ? d_.x : std::max(0, (COLS - width) / 2);
        for (int y = 0; y < height; ++y)
            Fill(top_ + y, left_, width, A_NORMAL);
        DrawBox(top_, left_, width, height, A_NORMAL);
        const int titleWidth = std::min(TextWidth(d_.title) + 2, std::max(0, width - 4));
        if (titleWidth > 2) {
            const int x = left_ + (width - titleWidth) / 2;
            Put(top_, x, U' ', A_BOLD);
            DrawText(top_, x + 1, titleWidth - 2, d_.title, A_BOLD);
            Put(top_, x + titleWidth - 1, U' ', A_BOLD);
        }
        for (int n = 1; n <= d_.count(); ++n)
            DrawControl(n);
        DrawStatus();
        PlaceCursor();
        if (d_.beeps > 0)
            beep();
        d_.beeps = 0;
        refresh();
    }

    void DrawControl(int n)
    {
        const DialogControl& c = d_.control(n);
        const DialogControlState& s = d_.at(n);
        const int y = top_ + c.y, x = left_ + c.x;
        const bool focused = n == d_.focus;
        const attr_t off = s.enabled ? A_NORMAL : A_DIM;
        switch (c.kind) {
        case DialogControlKind::Label:
        case DialogControlKind::Bar:
            DrawText(y, x, c.width, s.text, off);
            break;
        case DialogControlKind::Frame:
            DrawBox(y, x, c.width, c.height, off);
            break;
        case DialogControlKind::CheckBox: {
            const attr_t attr = off | (focused ? A_REVERSE : A_NORMAL);
            DrawText(y, x, c.width, s.checked ? "[x]" : "[ ]", attr);
            Put(y, x + 3, U' ', off);
            DrawText(y, x + 4, c.width - 4, s.text, off);
            break;
        }
        case DialogControlKind::Button: {
            const attr_t attr = off | (focused ? A_REVERSE : A_NORMAL);
            Fill(y, x, c.width, attr);
            const int textWidth = std::min(TextWidth(s.text), std::max(0, c.width - 2));
            DrawText(y, x + (c.width - textWidth) / 2, textWidth, s.text, attr);
            if (c.width >= textWidth + 2) {
                Put(y, x, U'[', attr);
                Put(y, x + c.width - 1, U']', attr);
            }
            break;
        }
        case DialogControlKind::Input:
            DrawInput(n, y, x, focused, off);
            break;
        }
    }

    void DrawInput(int n, int y, int x, bool focused, attr_t off)
    {
        const DialogControl& c = d_.control(n);
        const DialogControlState& s = d_.at(n);
        const attr_t attr = off | (focused ? A_REVERSE : A_UNDERLINE);
        Fill(y, x, c.width, attr);
        std::string shown;
        int cursor = 0;
        if (c.input == DialogInputType::Date) {
            shown = DateShown(s.text, focused);
            cursor = focused ? DateColumn(EditOf(n).cursor) : 0;
        } else if (c.input == DialogInputType::Number) {
            if (focused) {
                // The object may have set the number while it was focused.
                Edit& e = EditOf(n);
                const std::string now = std::to_string(s.number);
                if (NumberOf(e.numberText) != s.number) {
                    e.numberText = now;
                    e.cursor = static_cast<int>(now.size());
                }
                shown = e.numberText;
            } else {
                shown = std::to_string(s.number);
            }
            cursor = EditOf(n).cursor;
        } else {
            shown = s.text;
            cursor = std::min(EditOf(n).cursor, static_cast<int>(shown.size()));
        }
        // A value longer than its field scrolls so that the cursor stays in view.
        Edit& e = EditOf(n);
        int scroll = 0;
        if (focused && c.input != DialogInputType::Date) {
            scroll = std::min(e.scroll, cursor);
            if (cursor - scroll >= c.width)
                scroll = cursor - c.width + 1;
            e.scroll = scroll;
            e.cursor = cursor;
        }
        for (int i = 0; i < c.width && scroll + i < static_cast<int>(shown.size()); ++i) {
            const unsigned char b = static_cast<unsigned char>(shown[static_cast<std::size_t>(scroll + i)]);
            Put(y, x + i, b < 0x20 || b == 0x7F ? U'?' : kMazoviaToUnicode[b], attr);
        }
        if (focused)
            cursorY_ = y, cursorX_ = x + std::min(cursor - scroll, std::max(0, c.width - 1));
    }

    void DrawStatus()
    {
        const int y = top_ + d_.height < LINES ? top_ + d_.height : LINES - 1;
        std::string text = problem_;
        attr_t attr = A_BOLD | (has_colors() ? COLOR_PAIR(kPairProblem) : 0);
        if (text.empty()) {
            text = "Tab: next  Shift-Tab: back  Space: tick  Alt+letter: go to  F12: OK  Esc: cancel";
            attr = A_DIM;
        }
        // Under the dialog, moved left where the terminal is too narrow.
        const std::string host = DialogHostText(text);
        const int x = std::max(0, std::min(left_, COLS - TextWidth(host)));
        DrawText(y, x, std::max(0, COLS - x), host, attr);
    }

    void PlaceCursor()
    {
        const int n = d_.focus;
        if (!d_.valid(n)) {
            curs_set(0);
            return;
        }
        const DialogControl& c = d_.control(n);
        if (c.kind == DialogControlKind::Input) {
            curs_set(1);
            move(cursorY_, cursorX_);
        } else if (c.kind == DialogControlKind::CheckBox) {
            curs_set(1);
            move(top_ + c.y, left_ + c.x + 1);
        } else {
            curs_set(0);
        }
    }

    RunningDialog& d_;
    std::vector<Edit> edits_; // by control number
    int editing_ = -1;        // the input whose Edit is current
    int top_ = 0, left_ = 0;
    int cursorY_ = 0, cursorX_ = 0;
    std::string problem_; // UTF-8, shown under the dialog until the next key
};

} // namespace

bool RunDialogInTerminal(RunningDialog& d, std::string* why)
{
    int caught = 0;
    {
        Terminal terminal;
        if (!terminal.Open(why))
            return false;
        View view(d);
        view.Run();
        caught = g_signal;
        g_signal = 0;
    }
    // The terminal is back; a signal that ended the dialog now does what it
    // would have done.
    if (caught != 0)
        std::raise(caught);
    return true;
}
#endif
