// Interactive dialogs: the dialog at the terminal until it ends.  Each key
// from the screen is routed to an action (terminal_keys), keys for the
// focused input go to its editor (field_edit), and the dialog is drawn anew
// after every key (terminal_view).  Focus moves, pressed buttons and changed
// values go through the object's virtual operations, as they would in a
// windowed host.  The terminal, the character type and the signal handlers
// are given back on every way out (OK, Cancel, Esc, a signal, an exception).
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <string>

#include "host/dialog/dialog_state.h"
#include "host/dialog/terminal/field_edit.h"
#include "host/dialog/terminal/terminal_keys.h"
#include "host/dialog/terminal/terminal_screen.h"
#include "host/dialog/terminal/terminal_view.h"
#include "host/services/host_session.h"
#include "host/common/mazovia.h"

namespace {

FieldKind KindOf(const DialogControl& c)
{
    switch (c.input) {
    case DialogInputType::Date:
        return FieldKind::Date;
    case DialogInputType::Number:
        return FieldKind::Number;
    default:
        return FieldKind::Text;
    }
}

// Sends the host's messages to a line for as long as it lives, and gives the
// session back as it was (on every way out).
class MessagesToLine {
public:
    explicit MessagesToLine(std::string* line) : saved_(HostState().dialogMessageLine)
    {
        HostState().dialogMessageLine = line;
    }
    ~MessagesToLine() { HostState().dialogMessageLine = saved_; }
    MessagesToLine(const MessagesToLine&) = delete;
    MessagesToLine& operator=(const MessagesToLine&) = delete;

private:
    std::string* saved_;
};

class TerminalDialog {
public:
    TerminalDialog(RunningDialog& d, TerminalScreen& screen) : d_(d), screen_(screen) {}

    void Run()
    {
        // Messages shown while the dialog owns the terminal come to its line.
        MessagesToLine messages(&shown_);
        Draw();
        while (!d_.ended) {
            Key key;
            const ScreenRead read = screen_.ReadKey(&key);
            if (read == ScreenRead::Signal) {
                d_.ended = true;
                d_.result = 0;
                break;
            }
            if (read == ScreenRead::Idle) {
                DIALOG_VIRTUAL(d_, DlgOnIdle);
                if (d_.redraw || d_.beeps > 0)
                    Draw();
                continue;
            }
            problem_.clear();
            shown_.clear();
            Handle(key);
            if (problem_.empty())
                problem_ = shown_;
            if (!d_.ended)
                Draw();
        }
    }

private:
    void Handle(const Key& key)
    {
        switch (RouteKey(key, FocusNow())) {
        case KeyAction::None:
            break;
        case KeyAction::NextControl:
            Step(1);
            break;
        case KeyAction::PreviousControl:
            Step(-1);
            break;
        case KeyAction::Enter:
            if (d_.valid(d_.focus) && d_.control(d_.focus).kind == DialogControlKind::Button)
                Activate(d_.focus);
            else
                Step(1);
            break;
        case KeyAction::Activate:
            Activate(d_.focus);
            break;
        case KeyAction::HotKey:
            if (!HotKey(key.ch))
                ++d_.beeps;
            break;
        case KeyAction::EditField:
            Edit(key);
            break;
        case KeyAction::Confirm:
            Confirm();
            break;
        case KeyAction::Cancel:
            Cancel();
            break;
        case KeyAction::Help:
            if (DIALOG_VIRTUAL(d_, DlgOnHelp, d_.focus) == 0)
                problem_ = "There is no help for this dialog.";
            break;
        case KeyAction::Refresh:
            screen_.RepaintAll();
            break;
        }
    }

    bool InputFocused() const
    {
        return d_.valid(d_.focus) && d_.control(d_.focus).kind == DialogControlKind::Input;
    }

    FocusOn FocusNow() const
    {
        if (InputFocused())
            return FocusOn::Input;
        return d_.valid(d_.focus) ? FocusOn::OtherControl : FocusOn::Nothing;
    }

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

    // A fresh editor whenever the focus lands on an input.
    void TrackFocus()
    {
        if (d_.focus == editing_)
            return;
        editing_ = d_.focus;
        if (!InputFocused())
            return;
        const DialogControl& c = d_.control(editing_);
        const DialogControlState& s = d_.at(editing_);
        const FieldKind kind = KindOf(c);
        edit_ = StartFieldEdit(kind, c.inputLength, c.minimum < 0,
                               kind == FieldKind::Number ? std::to_string(s.number) : s.text);
    }

    // The editor takes a text's or a date's value from the control, which
    // the object may have set since; a number keeps its digits as typed
    // unless the object set another number.
    void SyncEditor()
    {
        const int n = d_.focus;
        const DialogControlState& s = d_.at(n);
        switch (edit_.kind) {
        case FieldKind::Text:
            edit_.text = s.text;
            break;
        case FieldKind::Date:
            edit_.text = DateSlots(s.text);
            break;
        case FieldKind::Number:
            if (FieldNumber(edit_.text) != s.number) {
                edit_.text = std::to_string(s.number);
                edit_.caret = static_cast<int>(edit_.text.size());
            }
            break;
        }
    }

    void Edit(const Key& key)
    {
        TrackFocus();
        const int n = d_.focus;
        DialogControlState& s = d_.at(n);
        if (edit_.kind != FieldKind::Number)
            SyncEditor();
        const EditResult result = EditField(edit_, key);
        if (edit_.kind == FieldKind::Text)
            s.text = edit_.text; // as the editor left it, also when it refused
        if (result == EditResult::Refused) {
            ++d_.beeps;
            return;
        }
        if (result != EditResult::Changed)
            return;
        if (edit_.kind == FieldKind::Date)
            s.text = edit_.text.find_first_not_of(' ') == std::string::npos ? std::string() : edit_.text;
        else if (edit_.kind == FieldKind::Number)
            s.number = FieldNumber(edit_.text);
        Changed(n);
    }

    // ----- drawing

    void Draw()
    {
        TrackFocus();
        const FieldEdit* focused = nullptr;
        if (InputFocused()) {
            SyncEditor();
            if (edit_.kind == FieldKind::Text)
                edit_.caret = std::min(edit_.caret, static_cast<int>(edit_.text.size()));
            // A value longer than its field scrolls so that the caret stays in view.
            if (edit_.kind != FieldKind::Date)
                edit_.scroll = ScrollToCaret(edit_.scroll, edit_.caret, d_.control(d_.focus).width);
            focused = &edit_;
        }
        d_.redraw = false;
        view_.Draw(d_, focused, problem_, d_.beeps > 0);
        d_.beeps = 0;
    }

    RunningDialog& d_;
    TerminalScreen& screen_;
    TerminalView view_;
    FieldEdit edit_;   // the focused input's editor
    int editing_ = -1; // the control edit_ belongs to
    std::string problem_; // UTF-8, shown under the dialog until the next key
    std::string shown_;   // messages shown since the last key (UTF-8)
};

} // namespace

bool RunDialogInTerminal(RunningDialog& d, std::string* why)
{
    int caught = 0;
    {
        TerminalScreen screen;
        if (!screen.Open(why))
            return false;
        TerminalDialog(d, screen).Run();
        caught = screen.TakeSignal();
    }
    // The terminal is back; a signal that ended the dialog now does what it
    // would have done.
    if (caught != 0)
        std::raise(caught);
    return true;
}
