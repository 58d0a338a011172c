// The view of an interactive dialog, drawn with the wide curses.  Host texts
// are shown in UTF-8 from their Mazovia bytes; the attribute bytes 0x01-0x05
// switch the look and are never printed, and the hot-key letter between
// tildes is underlined.
#define NCURSES_WIDECHAR 1
#include <curses.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "host/dialog/terminal/terminal_view.h"
#include "host/common/mazovia.h"

namespace {

constexpr short kPairKey = 1;     // key names in texts (attribute byte 0x05)
constexpr short kPairProblem = 2; // why the dialog was not accepted

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

// A date's cell for each of its eight slots in YYYY-MM-DD.
int DateColumn(int slot) { return slot < 4 ? slot : slot < 6 ? slot + 1 : slot + 2; }

// A date value as shown: YYYY-MM-DD with '_' for the slots not typed yet;
// nothing for an empty date that does not have the focus.
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

// One drawing of a dialog: where it stands and where the cursor goes.
class Drawing {
public:
    Drawing(const RunningDialog& d, const FieldEdit* focused, const std::string& problem)
        : d_(d), focused_(focused), problem_(problem)
    {
    }

    void Draw()
    {
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
    }

private:
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
            DrawInput(n, y, x, focused && focused_ != nullptr, off);
            break;
        }
    }

    // A focused input shows its editor's text from the editor's first cell,
    // the others their value from the start.
    void DrawInput(int n, int y, int x, bool focused, attr_t off)
    {
        const DialogControl& c = d_.control(n);
        const DialogControlState& s = d_.at(n);
        const attr_t attr = off | (focused ? A_REVERSE : A_UNDERLINE);
        Fill(y, x, c.width, attr);
        std::string shown;
        int cursor = 0, scroll = 0;
        if (c.input == DialogInputType::Date) {
            shown = DateShown(s.text, focused);
            cursor = focused ? DateColumn(focused_->caret) : 0;
        } else if (focused) {
            shown = focused_->text;
            cursor = focused_->caret;
            scroll = focused_->scroll;
        } else {
            shown = c.input == DialogInputType::Number ? std::to_string(s.number) : s.text;
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

    const RunningDialog& d_;
    const FieldEdit* focused_;
    const std::string& problem_;
    int top_ = 0, left_ = 0;
    int cursorY_ = 0, cursorX_ = 0;
};

} // namespace

TerminalView::TerminalView()
{
    if (has_colors()) {
        start_color();
        use_default_colors();
        init_pair(kPairKey, COLOR_YELLOW, -1);
        init_pair(kPairProblem, COLOR_RED, -1);
    }
}

void TerminalView::Draw(const RunningDialog& d, const FieldEdit* focused, const std::string& problem, bool bell)
{
    Drawing(d, focused, problem).Draw();
    if (bell)
        beep();
    refresh();
}
