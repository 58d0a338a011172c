// The export command: builds the dialog object, lets the host run the
// options dialog over its options, and on OK saves them and runs the export.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "shell/binding.h"
#include "shell/host_calls.h"
#include "shell/plugin_messages.h"
#include "options/options_dialog_block.h"
#include "options/export_dialog.h"

namespace {

inline constexpr int kModeExportRunning = 0x8000;

// The dialog object's virtual table: slot 0 the class's own deleting
// destructor, slots 1 to 34 the base's operations, which the host
// implements as entries: their call routines, in the list's order of the
// base's methods after its constructor and destructor.  None of them is the
// plug-in's own: what they do is the host's.
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
        return t;
    }();
    return table;
}

} // namespace

const void* const* ExportDialogVirtualTable() { return DialogVirtualTable().slots; }

void CExportVentalorTxt::Construct()
{
    // Everything but the host's part starts empty, so that a command that
    // stops half-way finds nothing to release twice.
    std::memset(this, 0, sizeof *this);
    WDialogBaseConstruct(&base);
    // The base is built unless its constructor was the entry that is missing.
    baseConstructed = !CommandAbandoned();
    base.vtable = DialogVirtualTable().slots;
    if (CommandAbandoned())
        return;
    LoadOptions();
    if (CommandAbandoned())
        return;
    run.SetUp();
}

void CExportVentalorTxt::Destroy()
{
    run.TearDown();
    if (baseConstructed)
        WDialogBaseDestroy(&base);
    baseConstructed = false;
}

namespace {

// The one notice of an abandoned command: the entry that is missing, what
// became of the export file and of the memory the command held.
void TellAbandoned(const ExportRun& run, bool heldMemory)
{
    char text[1024];
    std::size_t n = 0;
    // Each part of the notice on a line of its own, cut at the buffer's end.
    auto add = [&](const char* format, auto... args) {
        if (n + 1 >= sizeof text)
            return;
        if (n > 0) {
            text[n++] = '\n';
            text[n] = '\0';
        }
        const int added = std::snprintf(text + n, sizeof text - n, format, args...);
        n = added < 0 ? sizeof text - 1 : std::min(sizeof text - 1, n + static_cast<std::size_t>(added));
    };
    text[0] = '\0';
    add(kMsgCommandAbandoned.c_str(), AbandonedEntry());
    switch (run.FileState()) {
    case ExportFileState::NotCreated: add("%s", kMsgAbandonedNoFile.c_str()); break;
    case ExportFileState::Written: add(kMsgAbandonedFileWritten.c_str(), run.ExportPath()); break;
    // Torn down, an unfinished file is removed or left behind.
    case ExportFileState::Unfinished:
    case ExportFileState::Removed: add("%s", kMsgAbandonedFileRemoved.c_str()); break;
    case ExportFileState::LeftBehind: add(kMsgAbandonedFileLeft.c_str(), run.TemporaryPath()); break;
    }
    // Without HostFree nothing could be given back; the host keeps the blocks.
    if (EntryAbandoned(HostSlot_HostFree))
        add(kMsgAbandonedMemoryKept.c_str(), kHostEntries[HostSlot_HostFree].number);
    else if (heldMemory)
        add("%s", kMsgAbandonedMemoryReleased.c_str());
    ShowSystemNotice(text, kMsgMissingEntryTitle);
}

} // namespace

namespace {

// The period as the user confirmed it.  With a kind of document ticked,
// "Od daty" and "Do daty" must both be given: an empty "Od daty" would put
// every document up to "Do daty" under a month and year of zeros.  Null
// when the options can run; otherwise the notice that says what is missing
// and that the export was not run.
// Nothing ticked, or "Od daty" after "Do daty", runs: a file without
// documents.
const char* PeriodRefusal(const ExportOptions& options)
{
    if ((OptionsScope(options) & (kScopePurchaseInvoices | kScopePurchaseCorrections)) == 0)
        return nullptr;
    if (options.dateFrom[0] == '\0')
        return kMsgPeriodFromEmpty;
    if (options.dateTo[0] == '\0')
        return kMsgPeriodToEmpty;
    return nullptr;
}

} // namespace

int ExportCommand()
{
    // A host entry that stays missing returns 0 to its call and marks the
    // command; the command checks the mark after each of its steps and, once
    // it is set, goes straight to the wind-down below, which every way out
    // takes: the run torn down (an unfinished export file removed, every
    // block released), the mode bit it set cleared, the base destroyed.
    CommandSpan span;
    CExportVentalorTxt object;
    std::memset(&object, 0, sizeof object);
    bool bitWasSet = false;

    const int modes = HostGetModeFlags();
    if (!CommandAbandoned() && (modes & kModeExportRunning) == 0) {
        HostSetModeFlags(kModeExportRunning, 1);
        bitWasSet = !CommandAbandoned();
    }
    if (!CommandAbandoned())
        object.Construct();
    // One object, one run of its dialog.  OK saves the options as confirmed
    // (whatever the save gives) and starts the run; a period that cannot run
    // ends the command instead, with the notice in the host's error notice
    // (the command did not do what it was asked), and the user finds what
    // they typed when they start it again.  Any other button ends it.
    if (!CommandAbandoned()) {
        const int button =
            static_cast<uint16_t>(HostRunDialog(&object, ExportDialogTemplate(), kDialogOptions, &object.options, 0));
        // A dialog whose own entries went missing leaves a record nobody
        // confirmed: nothing is saved or run on it.
        if (!CommandAbandoned() && button == kButtonOk) {
            object.SaveOptions();
            if (!CommandAbandoned()) {
                if (const char* refusal = PeriodRefusal(object.options))
                    HostErrorMessage(refusal);
                else
                    object.run.RunExport(object.options);
            }
        }
    }

    const bool heldMemory = object.run.HoldsMemory();
    // The bit this command set is cleared before the object goes, whatever
    // the dialog's outcome.
    if (bitWasSet)
        HostSetModeFlags(kModeExportRunning, 0);
    object.Destroy();

    if (CommandAbandoned())
        TellAbandoned(object.run, heldMemory);
    return 0;
}
