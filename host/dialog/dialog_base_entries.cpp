// The dialog base class's operations (entries 20937-20967, 24002-24004) and
// the host's own virtual table of them.  Each acts on the dialog that runs
// over its object and does nothing outside a run; the host reaches them
// through the object's table, so an object that overrides one is honoured
// also where the base calls another (OnCommand calls Validate, Transfer and
// EndDialog; SetFocus calls OnBlur and OnFocus).
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/common/entry_guard.h"
#include "host/dialog/dialog_host.h"
#include "host/dialog/dialog_state.h"
#include "host/services/host_messages.h"

namespace {

constexpr std::size_t kMaxCaption = 255;

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

const void* const* HostDialogBaseVtable()
{
    static const std::array<const void*, kDialogSlotCount> table = [] {
        std::array<const void*, kDialogSlotCount> slots{};
        slots[kDialogSlot_DeletingDestructor] = reinterpret_cast<const void*>(&HostDeletingDestructor);
#define HOST_ENTRY(number, name, conv, argc, result, params) \
    DIALOG_BASE_SLOT(conv, name, slots[kDialogSlot_##name] = reinterpret_cast<const void*>(&tomiva::name);)
#include "contract/host_entries.h"
#undef HOST_ENTRY
        return slots;
    }();
    return table.data();
}

namespace tomiva {

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
    return HostEntryGuard(0, [&] {
        WITH_DIALOG(0)
        for (int n = 1; n <= d->count(); ++n) {
            const DialogControl& c = d->control(n);
            if (c.kind != DialogControlKind::Button || c.id != id)
                continue;
            if (!d->at(n).enabled)
                return 0;
            if (c.isOkButton()) {
                d->problem.clear();
                d->problemControl = 0;
                const std::size_t shown = HostShownMessages().size();
                if (DIALOG_VIRTUAL(*d, DlgValidate) == 0) {
                    // An object whose own check refused in a message of its
                    // own: that message says why OK was refused.
                    if (d->problem.empty() && HostShownMessages().size() > shown)
                        d->problem = DialogOneLine(HostShownMessages().back().text);
                    return 1; // stays open; Validate said why
                }
                DIALOG_VIRTUAL(*d, DlgTransfer, 1);
            }
            DIALOG_VIRTUAL(*d, DlgEndDialog, id);
            return 1;
        }
        return 0;
    });
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
    return HostEntryGuard(0, [&] {
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
    });
}

int HOST_CONV_THISCALL DlgTransfer(void* self, int toRecord)
{
    return HostEntryGuard(0, [&] {
        WITH_DIALOG(0)
        if (d->data == nullptr)
            return d->layout.dataSize == 0 ? 1 : 0;
        if (toRecord != 0) {
            StoreDialogIntoRecord(*d);
        } else {
            LoadDialogFromRecord(*d);
            d->redraw = true;
        }
        return 1;
    });
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
    return HostEntryGuard(0, [&] {
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
    });
}

int HOST_CONV_THISCALL DlgGetText(void* self, int control, char* buffer, int size)
{
    return HostEntryGuard(0, [&] {
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
    });
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
    return HostEntryGuard(0, [&] {
        WITH_DIALOG(0)
        d->title.assign(title != nullptr ? title : "", title != nullptr ? strnlen(title, kMaxCaption) : 0);
        d->redraw = true;
        return 1;
    });
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
