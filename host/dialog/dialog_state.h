// A dialog while it runs: the parsed template, the controls' values and the
// object whose virtual operations the host calls.  Shared by the runner, the
// base's entries, the scripted answers and the terminal; nothing outside
// host/dialog/ sees it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contract/dialog_base.h"
#include "contract/host_api.h"
#include "host/dialog/dialog_host.h"
#include "host/dialog/dialog_template.h"
#include "host/host_entry_impl.h"
#include "host/services/host_latitude.h"

struct DialogControlState {
    bool enabled = true;
    bool checked = false; // check boxes
    int32_t number = 0;   // number inputs
    // Text and date inputs: the value (Mazovia; a date as YYYYMMDD, or ""
    // for none; an unfinished date keeps blanks).  Other controls: the text
    // shown, as in the template unless the object changed it.
    std::string text;
};

struct RunningDialog {
    void* object = nullptr; // whose virtual table the host calls
    DialogLayout layout;
    unsigned char* data = nullptr;
    std::vector<DialogControlState> state; // one per control, template order
    std::string title;                     // Mazovia
    int x = -1, y = -1;                    // -1: centred
    int width = 0, height = 0;
    int focus = 0; // number of the focused control; 0 none
    bool modified = false;
    bool ended = false;
    int result = 0;

    // Why the last Validate refused (UTF-8) and which control it named.
    std::string problem;
    int problemControl = 0;

    // Requests from the object for the terminal, if one is showing the dialog.
    bool interactive = false;
    bool redraw = false;
    int beeps = 0;

    int count() const { return static_cast<int>(layout.controls.size()); }
    bool valid(int number) const { return number >= 1 && number <= count(); }
    const DialogControl& control(int number) const { return layout.controls[static_cast<std::size_t>(number - 1)]; }
    DialogControlState& at(int number) { return state[static_cast<std::size_t>(number - 1)]; }
    const DialogControlState& at(int number) const { return state[static_cast<std::size_t>(number - 1)]; }
};

// The running dialog of an object, or null when none runs over it
// (dialog_object.cpp).
RunningDialog* RunningDialogOf(void* self);

// What the host keeps in the object's host part: a mark and the running
// dialog (dialog_object.cpp).  The plain host writes no more of the part
// than this; the host with larger blocks takes the whole reservation.
inline constexpr std::size_t kDialogHostPartUsed = 8 + sizeof(void*);

// The host with larger blocks (variation 256) takes the whole of the object's
// host part from its constructor on: it must be found as the host left it
// (dialog_object.cpp).
void LatitudeCheckDialogBase(void* self, const char* where);

// Hangs a running dialog on its object's host part for the length of a run
// and gives the part back as it was afterwards (a dialog may run over an
// object that is already showing one).
class DialogAttachment {
public:
    explicit DialogAttachment(RunningDialog& d);
    ~DialogAttachment();
    DialogAttachment(const DialogAttachment&) = delete;
    DialogAttachment& operator=(const DialogAttachment&) = delete;

private:
    void* object_;
    unsigned char saved_[kDialogHostPartUsed];
};

// The controls and the data record (dialog_record.cpp).  Loading takes every
// data control's value from the record; storing writes only the controls
// whose value differs from it, so that fields nobody changed keep their
// bytes exactly.
void LoadDialogFromRecord(RunningDialog& d);
void StoreDialogIntoRecord(RunningDialog& d);

// The controls (dialog_controls.cpp): focus, the OK and Cancel buttons,
// the checks of their values and the texts that name them.

// Inputs, check boxes and buttons that are enabled take the focus.
bool DialogFocusable(const RunningDialog& d, int number);
// The next (step 1) or previous (step -1) focusable control after `from`,
// wrapping around; 0 when none is focusable.
int DialogNextFocus(const RunningDialog& d, int from, int step);

// The button that OK stands for (flag 0x0004) and the one that cancels
// (the first other button); 0 when the dialog has none.
int DialogOkButton(const RunningDialog& d);
int DialogCancelButton(const RunningDialog& d);

// Why a data control's value could not be kept (UTF-8), or "" when it can:
// a date that is not real, a number outside the input's range.
std::string DialogValueProblem(const RunningDialog& d, int number);

// "control 13 "Konto kh (brutto)"": how messages name a control.
std::string DialogControlName(const RunningDialog& d, int number);

// The object's virtual operations.  A Windows host calls them with the
// object in ECX through the typed pointers of host_types; a slot that is
// empty falls back to the host's own operation.
template <typename Fn>
Fn* DialogSlotFunction(void* object, int slot, Fn* own)
{
    const auto* base = static_cast<const WDialogBase*>(object);
    if (base != nullptr && base->vtable != nullptr && base->vtable[slot] != nullptr)
        return reinterpret_cast<Fn*>(const_cast<void*>(base->vtable[slot]));
    return own;
}

// The host with latitude checks the dialog object's virtual table: slots 1
// to 34 must be the base's own operations (dialog_latitude.cpp).  The whole
// table when HostRunDialog gets the object; one slot again after the host
// called through it (a call routine of the plug-in is bound by then).
void LatitudeCheckDialogTable(const void* object);
void LatitudeCheckDialogSlot(const void* object, int slot);

// Calls the object's operation in `slot`; under --host-latitude the slot is
// checked after the call, and on i386 the stack pointer around it.
template <typename Fn, typename... Args>
auto DialogVirtual(void* object, int slot, Fn* own, Args... args)
{
    Fn* function = DialogSlotFunction<Fn>(object, slot, own);
    if (!LatitudeOn())
        return function(object, args...);
    using Result = decltype(function(object, args...));
#ifdef HOST_LATITUDE_STACK_CHECK
    const Result result = LatitudeCheckedCall<Result>(
        [slot] {
            return "the dialog object's operation in slot " + std::to_string(slot) + " (entry " +
                   std::to_string(kDialogBaseSlotEntries[static_cast<std::size_t>(slot)]) + ")";
        },
        reinterpret_cast<const void*>(function), true, object, args...);
#else
    const Result result = function(object, args...);
#endif
    LatitudeCheckDialogSlot(object, slot);
    return result;
}
#define DIALOG_VIRTUAL(dialog, Name, ...) \
    DialogVirtual<host_types::Name>((dialog).object, kDialogSlot_##Name, &tomiva::Name __VA_OPT__(, ) __VA_ARGS__)

// Presses a button as a person would: through the object's OnCommand, whose
// base validates and transfers before OK closes the dialog.
void DialogPressButton(RunningDialog& d, int id);

// A message's text on one line, its line ends made spaces (UTF-8).
std::string DialogOneLine(const std::string& text);

// UTF-8 to host text for what the host itself shows; a character the host's
// text lacks becomes '?'.
std::string DialogHostText(const std::string& utf8);

// Lower case of the letters that captions and hot keys use: ASCII, Latin-1
// and Latin Extended-A, which holds every Polish letter.
char32_t DialogFoldCase(char32_t c);

// Scripted answers (dialog_answers.cpp).  Applies them to the controls;
// returns false with one line per offence (UTF-8) and changes nothing then.
bool ApplyDialogAnswers(RunningDialog& d, const std::vector<std::string>& answers, std::vector<std::string>* problems);

// Hands the answers that the session keeps for the next dialog over (and
// forgets them); whether batch dialogs close with Cancel.
std::vector<std::string> TakeDialogAnswers();
bool DialogCancelRequested();

// Interactive dialogs (terminal/dialog_terminal_native.cpp).  Runs the
// dialog on the terminal until it ends; returns false, with the reason, when
// the terminal cannot show it (then nothing has changed).
bool RunDialogInTerminal(RunningDialog& d, std::string* why);
