// The export command: builds the dialog object, lets the host run the
// options dialog over its options, and on OK saves them and runs the export.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "export/export_text.h"
#include "shell/binding.h"
#include "shell/host_calls.h"
#include "shell/plugin_messages.h"
#include "options/dialog_template.h"
#include "options/export_dialog.h"

namespace {

inline constexpr int kModeExportRunning = 0x8000;

// The dialog object's virtual table: slot 0 the class's own deleting
// destructor, slots 1 to 34 the base's operations, which the host
// implements as entries: their call routines, in the list's order of the
// base's methods after its constructor and destructor.
using DeletingDestructor = void* HOST_CONV_THISCALL(CExportVentalorTxt* self, unsigned flags);

void* HOST_CONV_THISCALL DeleteDialogObject(CExportVentalorTxt* self, unsigned flags)
{
    self->Destroy();
    if (flags & 1)
        HostFree(self); // only an object the host allocated is ever deleted this way
    return self;
}

struct VirtualTable {
    const void* slots[kDialogSlotCount];
};

const VirtualTable& DialogVirtualTable()
{
    static const VirtualTable table = [] {
        VirtualTable t{};
        t.slots[0] = reinterpret_cast<const void*>(static_cast<DeletingDestructor*>(&DeleteDialogObject));
        // Every virtual method of the base class from the list, in its slot.
#define HOST_ENTRY(number, name, conv, argc, result, params) \
    DIALOG_BASE_SLOT(conv, name, t.slots[kDialogSlot_##name] = reinterpret_cast<const void*>(&name);)
#include "contract/host_entries.h"
#undef HOST_ENTRY
        t.slots[kDialogSlot_DlgValidate] = reinterpret_cast<const void*>(&ValidateExportDialog);
        return t;
    }();
    return table;
}

} // namespace

const void* const* ExportDialogVirtualTable() { return DialogVirtualTable().slots; }

void CExportVentalorTxt::Construct()
{
    // Everything but the host's part starts empty, so that a command that is
    // abandoned half-way finds nothing to release twice.
    std::memset(this, 0, sizeof *this);
    WDialogBaseConstruct(&base);
    base.vtable = DialogVirtualTable().slots;
    LoadOptions();
    run.SetUp();
}

void CExportVentalorTxt::Destroy()
{
    run.TearDown();
    WDialogBaseDestroy(&base);
}

int ExportCommand()
{
    // A host entry that stays missing abandons the call that needed it; the
    // command then ends here: the file closed, the memory released, the user
    // told.  Nothing between this frame and the abandoned call holds
    // anything but the object, which lives in this frame.
    HostCallGuard guard{};
    guard.outer = g_hostCallGuard;
    g_hostCallGuard = &guard;

    CExportVentalorTxt object;
    std::memset(&object, 0, sizeof object);
    volatile int bitWasSet = 0;
    volatile int stage = 0; // 1: object constructed

    if (setjmp(guard.where) == 0) {
        const int modes = HostGetModeFlags();
        if ((modes & kModeExportRunning) == 0) {
            HostSetModeFlags(kModeExportRunning, 1);
            bitWasSet = 1;
        }
        object.Construct();
        stage = 1;
        const int button =
            static_cast<uint16_t>(HostRunDialog(&object, ExportDialogTemplate(), kDialogOptions, &object.options, 0));
        if (button == kButtonOk) {
            object.SaveOptions();
            object.run.RunExport(object.options);
        }
        // The bit this command set is cleared whatever the dialog's outcome.
        if (bitWasSet)
            HostSetModeFlags(kModeExportRunning, 0);
        object.Destroy();
        g_hostCallGuard = guard.outer;
        return 0;
    }

    // Abandoned.  Release what the object holds under a guard of its own:
    // a second missing entry during the clean-up only ends the clean-up.
    const int abandoned = guard.abandonedEntry;
    HostCallGuard cleanup{};
    cleanup.outer = guard.outer;
    g_hostCallGuard = &cleanup;
    if (setjmp(cleanup.where) == 0) {
        ReleaseLineConversionBuffer();
        if (stage == 1)
            object.run.TearDown();
        if (bitWasSet)
            HostSetModeFlags(kModeExportRunning, 0);
    }
    g_hostCallGuard = guard.outer;

    char text[256];
    std::snprintf(text, sizeof text, kMsgCommandAbandoned.c_str(), abandoned);
    ShowSystemNotice(text, kMsgMissingEntryTitle);
    return 0;
}
