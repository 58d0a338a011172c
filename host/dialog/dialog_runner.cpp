// HostRunDialog and the dialog base class WDialogBase.  A dialog runs over
// a data record laid out by its template; the host calls the object's
// virtual operations at the same moments a windowed host would (Transfer and
// OnInit at the start, OnCommand for a pressed button, whose base validates
// and transfers before OK closes, OnClose at the end), so an object that
// overrides one of them sees the same calls here.  The record is written only
// by Transfer(1), which the base OnCommand calls for the OK button alone.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/common/host_date.h"
#include "host/common/utf8.h"
#include "host/dialog/dialog_host.h"
#include "host/dialog/dialog_state.h"
#include "host/services/host_messages.h"
#include "host/services/host_session.h"
#include "host/services/mazovia.h"

namespace {

// The host's part of WDialogBase: a mark that the base constructor ran (or
// that a dialog runs over the object) and the running dialog.
constexpr uint32_t kBaseMark = 0x474C4457; // "WDLG"
constexpr std::size_t kMarkAt = 0;
constexpr std::size_t kRunningAt = 8;
static_assert(kRunningAt + sizeof(void*) <= kDialogBaseHostDataSize);

constexpr std::size_t kMaxCaption = 255;

uint16_t g_modeFlags = 0;

WDialogBase* Base(void* self) { return static_cast<WDialogBase*>(self); }

void SetRunning(void* self, RunningDialog* d)
{
    std::memcpy(Base(self)->hostData + kMarkAt, &kBaseMark, sizeof kBaseMark);
    std::memcpy(Base(self)->hostData + kRunningAt, &d, sizeof d);
}

// Puts the running dialog into the object's host part for the length of a
// run and gives the part back as it was afterwards (a dialog may run over an
// object that is already showing one).
class Attachment {
public:
    Attachment(RunningDialog& d) : object_(d.object)
    {
        std::memcpy(saved_, Base(object_)->hostData, sizeof saved_);
        SetRunning(object_, &d);
    }
    ~Attachment() { std::memcpy(Base(object_)->hostData, saved_, sizeof saved_); }
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

private:
    void* object_;
    unsigned char saved_[kDialogBaseHostDataSize];
};

uint16_t ReadU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void WriteU16(unsigned char* p, uint16_t v)
{
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>(v >> 8);
}

// A text field's value as the record holds it: up to the NUL, at most the
// input length.
std::string FieldText(const unsigned char* field, const DialogControl& c)
{
    const void* nul = std::memchr(field, '\0', static_cast<std::size_t>(c.inputLength));
    const std::size_t length = nul != nullptr ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - field)
                                              : static_cast<std::size_t>(c.inputLength);
    return std::string(reinterpret_cast<const char*>(field), length);
}

void LoadFromRecord(RunningDialog& d)
{
    for (int n = 1; n <= d.count(); ++n) {
        const DialogControl& c = d.control(n);
        if (!c.carriesData())
            continue;
        const unsigned char* field = d.data + c.offset;
        DialogControlState& s = d.at(n);
        if (c.kind == DialogControlKind::CheckBox)
            s.checked = (ReadU16(field) >> c.bit & 1) != 0;
        else if (c.input == DialogInputType::Number)
            std::memcpy(&s.number, field, sizeof s.number);
        else
            s.text = FieldText(field, c);
    }
}

// Writes each control whose value differs from what the record holds, so
// that fields nobody changed keep their bytes exactly.
void StoreIntoRecord(RunningDialog& d)
{
    for (int n = 1; n <= d.count(); ++n) {
        const DialogControl& c = d.control(n);
        if (!c.carriesData())
            continue;
        unsigned char* field = d.data + c.offset;
        const DialogControlState& s = d.at(n);
        if (c.kind == DialogControlKind::CheckBox) {
            const uint16_t bits = ReadU16(field);
            const uint16_t mask = static_cast<uint16_t>(1u << c.bit);
            WriteU16(field, static_cast<uint16_t>(s.checked ? bits | mask : bits & ~mask));
        } else if (c.input == DialogInputType::Number) {
            std::memcpy(field, &s.number, sizeof s.number);
        } else if (FieldText(field, c) != s.text) {
            const std::size_t length = std::min(s.text.size(), static_cast<std::size_t>(c.inputLength));
            std::memset(field, 0, static_cast<std::size_t>(c.size));
            std::memcpy(field, s.text.data(), length);
        }
    }
}

} // namespace

std::string DialogHostText(const std::string& utf8)
{
    std::string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const int byte = MazoviaByteOf(DecodeUtf8(utf8, &i));
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

namespace {

bool Interactive()
{
    return !HostState().batch && isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0;
}

void Refuse(RunningDialog& d, const std::vector<std::string>& problems)
{
    std::string text = "The dialog \"" + DialogPlainText(d.title) + "\" refused its answers; nothing was changed.";
    for (const std::string& line : problems)
        text += "\n" + line;
    HostShowMessage("error", d.title.c_str(), DialogHostText(text).c_str());
    HostState().dialogRefused = true;
    d.ended = true;
    d.result = 0;
}

// Batch: the answers, then OK (or Cancel) as if pressed.
void RunScripted(RunningDialog& d)
{
    std::vector<std::string> problems;
    if (!ApplyDialogAnswers(d, TakeDialogAnswers(), &problems)) {
        Refuse(d, problems);
        return;
    }
    const int button = DialogCancelRequested() ? DialogCancelButton(d) : DialogOkButton(d);
    if (button == 0) {
        // Nothing to press: the dialog closes without a button.
        d.ended = true;
        d.result = 0;
        return;
    }
    DialogPressButton(d, button);
    if (!d.ended)
        Refuse(d, {d.problem.empty() ? "The dialog did not accept its values." : d.problem});
}

int RunDialog(void* dialog, const void* templateBlock, int dialogId, void* data)
{
    RunningDialog d;
    std::string error;
    if (!ReadDialogFromBlock(templateBlock, dialogId, &d.layout, &error)) {
        HostShowMessage("error", "", DialogHostText("Dialog " + std::to_string(dialogId) + " cannot be shown: " + error).c_str());
        return 0;
    }
    if (data == nullptr && d.layout.dataSize > 0) {
        HostShowMessage("error", "",
                        DialogHostText("Dialog " + std::to_string(dialogId) + " cannot be shown: it has no data record").c_str());
        return 0;
    }
    d.data = static_cast<unsigned char*>(data);
    d.title = d.layout.title;
    d.width = d.layout.width;
    d.height = d.layout.height;
    d.state.resize(d.layout.controls.size());
    for (int n = 1; n <= d.count(); ++n) {
        d.at(n).enabled = !d.control(n).disabledInTemplate();
        if (d.control(n).kind != DialogControlKind::Input)
            d.at(n).text = d.control(n).text;
    }

    // Without an object of its own the dialog runs over the host's base.
    WDialogBase standIn{HostDialogBaseVtable(), {}};
    d.object = dialog != nullptr ? dialog : &standIn;
    Attachment attachment(d);

    DIALOG_VIRTUAL(d, DlgTransfer, 0);
    DIALOG_VIRTUAL(d, DlgOnInit);
    if (!d.ended) {
        bool scripted = !Interactive();
        if (!scripted) {
            d.interactive = true;
            std::string why;
            if (!RunDialogInTerminal(d, &why)) {
                d.interactive = false;
                HostShowMessage("error", "", DialogHostText("The terminal cannot show the dialog (" + why +
                                                        "); it is answered as in batch mode.").c_str());
                scripted = true;
            }
        }
        if (scripted)
            RunScripted(d);
    }
    DIALOG_VIRTUAL(d, DlgOnClose, d.result);
    return d.result & 0xFFFF;
}

HOST_CONV_THISCALL void* HostDeletingDestructor(void* self, int /*flags*/)
{
    // The host did not allocate the object, so it frees nothing.
    tomiva::WDialogBaseDestroy(self);
    return self;
}

// Every base operation: the running dialog, or the given result outside a run.
#define WITH_DIALOG(fallback)                  \
    RunningDialog* d = RunningDialogOf(self); \
    if (d == nullptr)                          \
        return fallback;

} // namespace

const int kDialogBaseSlotEntries[kDialogSlotCount] = {
    0,     20967, 20958, 20959, 20960, 20961, 20962, 20963, 20964, 20965, 20966, 20957,
    20948, 20949, 20950, 20951, 20952, 20953, 20954, 20955, 20956, 20947, 20938, 20939,
    20940, 20941, 20942, 20943, 20944, 20945, 20946, 20937, 24002, 24003, 24004,
};

const void* const* HostDialogBaseVtable()
{
    static const void* const table[kDialogSlotCount] = {
        reinterpret_cast<const void*>(&HostDeletingDestructor),
        reinterpret_cast<const void*>(&tomiva::DlgOnInit),
        reinterpret_cast<const void*>(&tomiva::DlgOnClose),
        reinterpret_cast<const void*>(&tomiva::DlgOnKey),
        reinterpret_cast<const void*>(&tomiva::DlgOnCommand),
        reinterpret_cast<const void*>(&tomiva::DlgOnFocus),
        reinterpret_cast<const void*>(&tomiva::DlgOnBlur),
        reinterpret_cast<const void*>(&tomiva::DlgOnChange),
        reinterpret_cast<const void*>(&tomiva::DlgOnIdle),
        reinterpret_cast<const void*>(&tomiva::DlgOnHelp),
        reinterpret_cast<const void*>(&tomiva::DlgValidate),
        reinterpret_cast<const void*>(&tomiva::DlgTransfer),
        reinterpret_cast<const void*>(&tomiva::DlgDraw),
        reinterpret_cast<const void*>(&tomiva::DlgDrawControl),
        reinterpret_cast<const void*>(&tomiva::DlgEnableControl),
        reinterpret_cast<const void*>(&tomiva::DlgIsEnabled),
        reinterpret_cast<const void*>(&tomiva::DlgSetText),
        reinterpret_cast<const void*>(&tomiva::DlgGetText),
        reinterpret_cast<const void*>(&tomiva::DlgSetCheck),
        reinterpret_cast<const void*>(&tomiva::DlgGetCheck),
        reinterpret_cast<const void*>(&tomiva::DlgSetFocus),
        reinterpret_cast<const void*>(&tomiva::DlgGetFocus),
        reinterpret_cast<const void*>(&tomiva::DlgEndDialog),
        reinterpret_cast<const void*>(&tomiva::DlgFindControl),
        reinterpret_cast<const void*>(&tomiva::DlgControlCount),
        reinterpret_cast<const void*>(&tomiva::DlgGetData),
        reinterpret_cast<const void*>(&tomiva::DlgSetData),
        reinterpret_cast<const void*>(&tomiva::DlgSetTitle),
        reinterpret_cast<const void*>(&tomiva::DlgGetTitle),
        reinterpret_cast<const void*>(&tomiva::DlgMove),
        reinterpret_cast<const void*>(&tomiva::DlgResize),
        reinterpret_cast<const void*>(&tomiva::DlgBeep),
        reinterpret_cast<const void*>(&tomiva::DlgRefresh),
        reinterpret_cast<const void*>(&tomiva::DlgIsModified),
        reinterpret_cast<const void*>(&tomiva::DlgSetModified),
    };
    return table;
}

RunningDialog* RunningDialogOf(void* self)
{
    if (self == nullptr)
        return nullptr;
    uint32_t mark = 0;
    std::memcpy(&mark, Base(self)->hostData + kMarkAt, sizeof mark);
    if (mark != kBaseMark)
        return nullptr;
    RunningDialog* d = nullptr;
    std::memcpy(&d, Base(self)->hostData + kRunningAt, sizeof d);
    return d;
}

bool DialogFocusable(const RunningDialog& d, int number)
{
    if (!d.valid(number) || !d.at(number).enabled)
        return false;
    switch (d.control(number).kind) {
    case DialogControlKind::Input:
    case DialogControlKind::CheckBox:
    case DialogControlKind::Button:
        return true;
    default:
        return false;
    }
}

int DialogNextFocus(const RunningDialog& d, int from, int step)
{
    const int count = d.count();
    if (count == 0)
        return 0;
    int n = from < 1 || from > count ? (step > 0 ? 0 : count + 1) : from;
    for (int i = 0; i < count; ++i) {
        n += step;
        if (n > count)
            n = 1;
        if (n < 1)
            n = count;
        if (DialogFocusable(d, n))
            return n;
    }
    return 0;
}

int DialogOkButton(const RunningDialog& d)
{
    for (int n = 1; n <= d.count(); ++n)
        if (d.control(n).isOkButton())
            return d.control(n).id;
    return 0;
}

int DialogCancelButton(const RunningDialog& d)
{
    for (int n = 1; n <= d.count(); ++n)
        if (d.control(n).kind == DialogControlKind::Button && !d.control(n).isOkButton())
            return d.control(n).id;
    return 0;
}

std::string DialogControlName(const RunningDialog& d, int number)
{
    std::string name = "control " + std::to_string(number);
    const std::string caption = DialogCaption(d.layout, static_cast<std::size_t>(number - 1));
    if (!caption.empty())
        name += " \"" + caption + "\"";
    return name;
}

std::string DialogValueProblem(const RunningDialog& d, int number)
{
    const DialogControl& c = d.control(number);
    const DialogControlState& s = d.at(number);
    if (c.input == DialogInputType::Date && !s.text.empty()) {
        char text[kDialogDateLength + 1] = {};
        std::snprintf(text, sizeof text, "%s", s.text.c_str());
        int year, month, day;
        if (s.text.size() != static_cast<std::size_t>(kDialogDateLength) || !HostParseDate(text, &year, &month, &day)) {
            std::string shown = MazoviaToUtf8(s.text);
            if (shown.size() == static_cast<std::size_t>(kDialogDateLength))
                shown = shown.substr(0, 4) + "-" + shown.substr(4, 2) + "-" + shown.substr(6, 2);
            for (char& ch : shown)
                if (ch == ' ')
                    ch = '_';
            return "\"" + shown + "\" is not a real date";
        }
    }
    if (c.input == DialogInputType::Number && (s.number < c.minimum || s.number > c.maximum))
        return std::to_string(s.number) + " is outside " + std::to_string(c.minimum) + " to " +
               std::to_string(c.maximum);
    if ((c.input == DialogInputType::Text || c.input == DialogInputType::Date) &&
        s.text.size() > static_cast<std::size_t>(c.inputLength))
        return "it is longer than " + std::to_string(c.inputLength) + " characters";
    return {};
}

void DialogPressButton(RunningDialog& d, int id) { DIALOG_VIRTUAL(d, DlgOnCommand, id); }

namespace tomiva {

int HOST_CONV_STDCALL HostGetModeFlags(void) { return g_modeFlags; }

int HOST_CONV_STDCALL HostSetModeFlags(int mask, int set)
{
    const uint16_t bits = static_cast<uint16_t>(mask & 0xFFFF);
    g_modeFlags = static_cast<uint16_t>(set != 0 ? g_modeFlags | bits : g_modeFlags & ~bits);
    return g_modeFlags;
}

int HOST_CONV_CDECL HostRunDialog(void* dialog, const void* templateBlock, int dialogId, void* data, int /*reserved*/)
{
    try {
        return RunDialog(dialog, templateBlock, dialogId, data);
    } catch (...) {
        return 0;
    }
}

void* HOST_CONV_THISCALL WDialogBaseConstruct(void* self)
{
    if (self != nullptr) {
        std::memset(Base(self)->hostData, 0, kDialogBaseHostDataSize);
        SetRunning(self, nullptr);
    }
    return self;
}

int HOST_CONV_THISCALL WDialogBaseDestroy(void* self)
{
    if (self == nullptr)
        return 0;
    std::memset(Base(self)->hostData, 0, kDialogBaseHostDataSize);
    return 1;
}

int HOST_CONV_THISCALL DlgOnInit(void* self)
{
    WITH_DIALOG(0)
    if (!DialogFocusable(*d, d->focus))
        DIALOG_VIRTUAL(*d, DlgSetFocus, DialogNextFocus(*d, 0, 1));
    return 1;
}

int HOST_CONV_THISCALL DlgOnClose(void* self, int /*result*/)
{
    WITH_DIALOG(0)
    return 1;
}

int HOST_CONV_THISCALL DlgOnKey(void* self, int /*key*/)
{
    WITH_DIALOG(0)
    return 0; // the base leaves every key to the host
}

int HOST_CONV_THISCALL DlgOnCommand(void* self, int id)
{
    try {
        WITH_DIALOG(0)
        for (int n = 1; n <= d->count(); ++n) {
            const DialogControl& c = d->control(n);
            if (c.kind != DialogControlKind::Button || c.id != id)
                continue;
            if (!d->at(n).enabled)
                return 0;
            if (c.isOkButton()) {
                if (DIALOG_VIRTUAL(*d, DlgValidate) == 0)
                    return 1; // stays open; Validate said why
                DIALOG_VIRTUAL(*d, DlgTransfer, 1);
            }
            DIALOG_VIRTUAL(*d, DlgEndDialog, id);
            return 1;
        }
        return 0;
    } catch (...) {
        return 0;
    }
}

int HOST_CONV_THISCALL DlgOnFocus(void* self, int /*control*/)
{
    WITH_DIALOG(0)
    return 1;
}

int HOST_CONV_THISCALL DlgOnBlur(void* self, int /*control*/)
{
    WITH_DIALOG(0)
    return 1;
}

int HOST_CONV_THISCALL DlgOnChange(void* self, int /*control*/)
{
    WITH_DIALOG(0)
    return 1;
}

int HOST_CONV_THISCALL DlgOnIdle(void* self)
{
    WITH_DIALOG(0)
    return 0;
}

int HOST_CONV_THISCALL DlgOnHelp(void* self, int /*control*/)
{
    WITH_DIALOG(0)
    return 0; // no help to show
}

int HOST_CONV_THISCALL DlgValidate(void* self)
{
    try {
        WITH_DIALOG(0)
        for (int n = 1; n <= d->count(); ++n) {
            if (!d->control(n).carriesData() || !d->at(n).enabled)
                continue; // a disabled control keeps what it was given
            const std::string why = DialogValueProblem(*d, n);
            if (why.empty())
                continue;
            d->problem = DialogControlName(*d, n) + ": " + why;
            d->problemControl = n;
            if (DialogFocusable(*d, n))
                DIALOG_VIRTUAL(*d, DlgSetFocus, n);
            return 0;
        }
        d->problem.clear();
        d->problemControl = 0;
        return 1;
    } catch (...) {
        return 0;
    }
}

int HOST_CONV_THISCALL DlgTransfer(void* self, int toRecord)
{
    try {
        WITH_DIALOG(0)
        if (d->data == nullptr)
            return d->layout.dataSize == 0 ? 1 : 0;
        if (toRecord != 0) {
            StoreIntoRecord(*d);
        } else {
            LoadFromRecord(*d);
            d->redraw = true;
        }
        return 1;
    } catch (...) {
        return 0;
    }
}

int HOST_CONV_THISCALL DlgDraw(void* self)
{
    WITH_DIALOG(0)
    d->redraw = true;
    return 1;
}

int HOST_CONV_THISCALL DlgDrawControl(void* self, int control)
{
    WITH_DIALOG(0)
    if (!d->valid(control))
        return 0;
    d->redraw = true;
    return 1;
}

int HOST_CONV_THISCALL DlgEnableControl(void* self, int control, int enable)
{
    WITH_DIALOG(0)
    if (!d->valid(control))
        return 0;
    d->at(control).enabled = enable != 0;
    if (enable == 0 && d->focus == control) {
        // The focus moves on, as if the user had pressed Tab.
        const int next = DialogNextFocus(*d, control, 1);
        if (next != 0)
            DIALOG_VIRTUAL(*d, DlgSetFocus, next);
        else
            d->focus = 0;
    }
    d->redraw = true;
    return 1;
}

int HOST_CONV_THISCALL DlgIsEnabled(void* self, int control)
{
    WITH_DIALOG(0)
    return d->valid(control) && d->at(control).enabled ? 1 : 0;
}

int HOST_CONV_THISCALL DlgSetText(void* self, int control, const char* text)
{
    try {
        WITH_DIALOG(0)
        if (!d->valid(control))
            return 0;
        const DialogControl& c = d->control(control);
        DialogControlState& s = d->at(control);
        if (text == nullptr)
            text = "";
        if (c.input == DialogInputType::Number) {
            char digits[16] = {};
            std::snprintf(digits, sizeof digits, "%.*s", static_cast<int>(sizeof digits - 1), text);
            char* end = nullptr;
            const long value = std::strtol(digits, &end, 10);
            if (end == digits || *end != '\0')
                return 0;
            s.number = static_cast<int32_t>(value);
        } else if (c.kind == DialogControlKind::Input) {
            s.text.assign(text, strnlen(text, static_cast<std::size_t>(c.inputLength)));
        } else {
            s.text.assign(text, strnlen(text, kMaxCaption));
        }
        d->modified = true;
        d->redraw = true;
        return 1;
    } catch (...) {
        return 0;
    }
}

int HOST_CONV_THISCALL DlgGetText(void* self, int control, char* buffer, int size)
{
    try {
        if (buffer != nullptr && size > 0)
            buffer[0] = '\0';
        WITH_DIALOG(0)
        if (!d->valid(control))
            return 0;
        const DialogControl& c = d->control(control);
        const std::string text =
            c.input == DialogInputType::Number ? std::to_string(d->at(control).number) : d->at(control).text;
        if (buffer != nullptr && size > 0)
            std::snprintf(buffer, static_cast<std::size_t>(size), "%s", text.c_str());
        return static_cast<int>(text.size());
    } catch (...) {
        return 0;
    }
}

int HOST_CONV_THISCALL DlgSetCheck(void* self, int control, int checked)
{
    WITH_DIALOG(0)
    if (!d->valid(control) || d->control(control).kind != DialogControlKind::CheckBox)
        return 0;
    d->at(control).checked = checked != 0;
    d->modified = true;
    d->redraw = true;
    return 1;
}

int HOST_CONV_THISCALL DlgGetCheck(void* self, int control)
{
    WITH_DIALOG(0)
    if (!d->valid(control) || d->control(control).kind != DialogControlKind::CheckBox)
        return 0;
    return d->at(control).checked ? 1 : 0;
}

int HOST_CONV_THISCALL DlgSetFocus(void* self, int control)
{
    WITH_DIALOG(0)
    if (!DialogFocusable(*d, control))
        return 0;
    const int old = d->focus;
    if (old == control)
        return 1;
    d->focus = control;
    d->redraw = true;
    if (d->valid(old))
        DIALOG_VIRTUAL(*d, DlgOnBlur, old);
    DIALOG_VIRTUAL(*d, DlgOnFocus, control);
    return 1;
}

int HOST_CONV_THISCALL DlgGetFocus(void* self)
{
    WITH_DIALOG(0)
    return d->focus;
}

int HOST_CONV_THISCALL DlgEndDialog(void* self, int result)
{
    WITH_DIALOG(0)
    d->ended = true;
    d->result = result;
    return 1;
}

int HOST_CONV_THISCALL DlgFindControl(void* self, int id)
{
    WITH_DIALOG(0)
    if (id == -1)
        return 0; // -1 marks controls that are not addressed by id
    for (int n = 1; n <= d->count(); ++n)
        if (d->control(n).id == id)
            return n;
    return 0;
}

int HOST_CONV_THISCALL DlgControlCount(void* self)
{
    WITH_DIALOG(0)
    return d->count();
}

void* HOST_CONV_THISCALL DlgGetData(void* self)
{
    WITH_DIALOG(nullptr)
    return d->data;
}

int HOST_CONV_THISCALL DlgSetData(void* self, void* data)
{
    WITH_DIALOG(0)
    if (data == nullptr && d->layout.dataSize > 0)
        return 0;
    d->data = static_cast<unsigned char*>(data);
    return 1;
}

int HOST_CONV_THISCALL DlgSetTitle(void* self, const char* title)
{
    try {
        WITH_DIALOG(0)
        d->title.assign(title != nullptr ? title : "", title != nullptr ? strnlen(title, kMaxCaption) : 0);
        d->redraw = true;
        return 1;
    } catch (...) {
        return 0;
    }
}

const char* HOST_CONV_THISCALL DlgGetTitle(void* self)
{
    WITH_DIALOG("")
    return d->title.c_str();
}

int HOST_CONV_THISCALL DlgMove(void* self, int x, int y)
{
    WITH_DIALOG(0)
    d->x = x;
    d->y = y;
    d->redraw = true;
    return 1;
}

int HOST_CONV_THISCALL DlgResize(void* self, int width, int height)
{
    WITH_DIALOG(0)
    if (width < 1 || height < 1)
        return 0;
    d->width = width;
    d->height = height;
    d->redraw = true;
    return 1;
}

int HOST_CONV_THISCALL DlgBeep(void* self)
{
    WITH_DIALOG(0)
    ++d->beeps;
    return 1;
}

int HOST_CONV_THISCALL DlgRefresh(void* self)
{
    WITH_DIALOG(0)
    d->redraw = true;
    return 1;
}

int HOST_CONV_THISCALL DlgIsModified(void* self)
{
    WITH_DIALOG(0)
    return d->modified ? 1 : 0;
}

int HOST_CONV_THISCALL DlgSetModified(void* self, int modified)
{
    WITH_DIALOG(0)
    d->modified = modified != 0;
    return 1;
}

} // namespace tomiva
