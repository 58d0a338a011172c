// HostRunDialog and the dialog base class: the host reaches the object's
// operations through its virtual table (so an override is honoured), the
// base operations act on the running dialog, and templates or records the
// host cannot use are refused.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "contract/dialog_base.h"
#include "contract/native_module.h"
#include "export/export_options.h"
#include "host/app/host_runtime.h"
#include "host/dialog/dialog_host.h"
#include "host/host_entry_impl.h"
#include "host/services/host_messages.h"
#include "host/services/host_session.h"
#include "options/options_dialog_block.h"
#include "shell/host_calls.h"

extern "C" const NativeModule native_module_TOMIVA;

namespace {

std::vector<std::string> g_log;

// A virtual table as a derived class would have it: the host's base with
// some slots replaced.
struct Table {
    const void* slots[kDialogSlotCount];
    Table() { std::memcpy(slots, HostDialogBaseVtable(), sizeof slots); }
    template <typename Fn>
    void Set(int slot, Fn* fn)
    {
        slots[slot] = reinterpret_cast<const void*>(fn);
    }
};

class DialogRunner : public ::testing::Test {
protected:
    void SetUp() override
    {
        HostSession& s = HostState();
        s.batch = true;
        s.dialogAnswers.clear();
        s.dialogCancel = false;
        s.dialogRefused = false;
        // Each test is a command of its own: no dialog of it was confirmed.
        s.dialogsConfirmed.clear();
        HostClearShownMessages();
        g_log.clear();
        std::memset(&record, 0, sizeof record);
    }
    void TearDown() override
    {
        HostState().dialogAnswers.clear();
        HostState().dialogRefused = false;
        HostClearShownMessages();
    }

    // Each run is a command of its own: no dialog of it was confirmed yet.
    int Run(const Table& table, std::vector<std::string> answers = {})
    {
        HostState().dialogsConfirmed.clear();
        HostState().dialogAnswers = std::move(answers);
        tomiva::WDialogBaseConstruct(&object);
        object.vtable = table.slots;
        const int result = tomiva::HostRunDialog(&object, ExportDialogTemplate(), kDialogOptions, &record, 0);
        tomiva::WDialogBaseDestroy(&object);
        return result;
    }

    std::string LastMessage() const
    {
        return HostShownMessages().empty() ? std::string() : HostShownMessages().back().text;
    }

    WDialogBase object{};
    ExportOptions record;
};

int HOST_CONV_THISCALL LogTransfer(void* self, int toRecord)
{
    g_log.push_back("Transfer " + std::to_string(toRecord));
    return tomiva::DlgTransfer(self, toRecord);
}
int HOST_CONV_THISCALL LogOnInit(void* self)
{
    g_log.push_back("OnInit");
    return tomiva::DlgOnInit(self);
}
int HOST_CONV_THISCALL LogOnChange(void* self, int control)
{
    g_log.push_back("OnChange " + std::to_string(control));
    return tomiva::DlgOnChange(self, control);
}
int HOST_CONV_THISCALL LogOnCommand(void* self, int id)
{
    g_log.push_back("OnCommand " + std::to_string(id));
    return tomiva::DlgOnCommand(self, id);
}
int HOST_CONV_THISCALL LogValidate(void* self)
{
    g_log.push_back("Validate");
    return tomiva::DlgValidate(self);
}
int HOST_CONV_THISCALL LogEndDialog(void* self, int result)
{
    g_log.push_back("EndDialog " + std::to_string(result));
    return tomiva::DlgEndDialog(self, result);
}
int HOST_CONV_THISCALL LogOnClose(void* self, int result)
{
    g_log.push_back("OnClose " + std::to_string(result));
    return tomiva::DlgOnClose(self, result);
}

TEST_F(DialogRunner, OperationsAreCalledThroughTheObjectsVirtualTable)
{
    Table table;
    table.Set(kDialogSlot_DlgTransfer, &LogTransfer);
    table.Set(kDialogSlot_DlgOnInit, &LogOnInit);
    table.Set(kDialogSlot_DlgOnChange, &LogOnChange);
    table.Set(kDialogSlot_DlgOnCommand, &LogOnCommand);
    table.Set(kDialogSlot_DlgValidate, &LogValidate);
    table.Set(kDialogSlot_DlgEndDialog, &LogEndDialog);
    table.Set(kDialogSlot_DlgOnClose, &LogOnClose);

    EXPECT_EQ(Run(table, {"Faktury zakupu=1"}), kButtonOk);
    const std::vector<std::string> ok = {"Transfer 0", "OnInit",          "OnChange 6",      "OnCommand 20481",
                                         "Validate",   "Transfer 1",      "EndDialog 20481", "OnClose 20481"};
    EXPECT_EQ(g_log, ok);
    EXPECT_EQ(OptionsScope(record), kScopePurchaseInvoices);

    // Cancel neither validates nor transfers.
    g_log.clear();
    HostState().dialogCancel = true;
    EXPECT_EQ(Run(table), kButtonCancel);
    HostState().dialogCancel = false;
    const std::vector<std::string> cancel = {"Transfer 0", "OnInit", "OnCommand 20482", "EndDialog 20482",
                                             "OnClose 20482"};
    EXPECT_EQ(g_log, cancel);
}

TEST_F(DialogRunner, SlotsFollowTheBaseMethodsOfTheEntryList)
{
    // Plug-in and host take the slots from the contract's rule, which must
    // give the list's dialog-base methods after the constructor and
    // destructor, in order; the host's own table holds in each slot the
    // operation it exports by the slot's number.
    std::vector<int> methods;
    for (const HostEntryInfo& e : kHostEntries)
        if (e.convention == HostThiscall)
            methods.push_back(e.number);
    ASSERT_EQ(methods.size(), static_cast<std::size_t>(kDialogSlotCount + 1));
    EXPECT_EQ(methods[0], 20902);
    EXPECT_EQ(methods[1], 20903);
    for (int slot = 1; slot < kDialogSlotCount; ++slot) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        EXPECT_EQ(kDialogBaseSlotEntries[slot], methods[static_cast<std::size_t>(slot + 1)]);
        EXPECT_NE(HostDialogBaseVtable()[slot], nullptr);
        EXPECT_EQ(HostDialogBaseVtable()[slot], native_module_TOMIVA.lookupByNumber(kDialogBaseSlotEntries[slot]));
    }
}

int HOST_CONV_THISCALL RefusingValidate(void*) { return 0; }

TEST_F(DialogRunner, ValidateThatRefusesKeepsTheRecordAndSaysSo)
{
    Table table;
    table.Set(kDialogSlot_DlgValidate, &RefusingValidate);
    EXPECT_EQ(Run(table, {"Faktury zakupu=1"}), 0);
    EXPECT_EQ(OptionsScope(record), 0);
    EXPECT_TRUE(HostDialogRefused());
    EXPECT_NE(LastMessage().find("The dialog did not accept its values."), std::string::npos) << LastMessage();
}

// An object's own check that says why in a message: that is the reason the
// host gives for refusing OK.
int HOST_CONV_THISCALL ValidateThatSaysWhy(void*)
{
    tomiva::HostMessageBox("Uwaga", "Pole \"Od daty\" jest puste!\nPodaj je.", 1);
    return 0;
}

TEST_F(DialogRunner, AnObjectsRefusalMessageIsTheReasonGiven)
{
    Table table;
    table.Set(kDialogSlot_DlgValidate, &ValidateThatSaysWhy);
    EXPECT_EQ(Run(table, {"Faktury zakupu=1"}), 0);
    EXPECT_EQ(OptionsScope(record), 0);
    EXPECT_TRUE(HostDialogRefused());
    EXPECT_NE(LastMessage().find("refused its answers; nothing was changed.\nPole \"Od daty\" jest puste! Podaj je."),
              std::string::npos)
        << LastMessage();
}

ExportOptions* g_record = nullptr;

// An object that sets its dialog up itself, with the base's operations.
int HOST_CONV_THISCALL SettingUpOnInit(void* self)
{
    EXPECT_EQ(tomiva::DlgOnInit(self), 1);
    EXPECT_EQ(tomiva::DlgControlCount(self), 43);
    EXPECT_EQ(tomiva::DlgFindControl(self, kButtonCancel), 43);
    EXPECT_EQ(tomiva::DlgFindControl(self, -1), 0);
    EXPECT_EQ(tomiva::DlgFindControl(self, 0x1234), 0);
    EXPECT_EQ(tomiva::DlgGetData(self), g_record);
    EXPECT_STREQ(tomiva::DlgGetTitle(self), "Zakres eksportu dokument\xA2w");

    EXPECT_EQ(tomiva::DlgGetFocus(self), 2); // the first input
    EXPECT_EQ(tomiva::DlgSetFocus(self, 8), 0); // disabled
    EXPECT_EQ(tomiva::DlgSetFocus(self, 5), 0); // a label
    EXPECT_EQ(tomiva::DlgSetFocus(self, 13), 1);
    EXPECT_EQ(tomiva::DlgGetFocus(self), 13);

    EXPECT_EQ(tomiva::DlgIsEnabled(self, 21), 0);
    EXPECT_EQ(tomiva::DlgEnableControl(self, 21, 1), 1);
    EXPECT_EQ(tomiva::DlgIsEnabled(self, 21), 1);
    EXPECT_EQ(tomiva::DlgEnableControl(self, 44, 1), 0);

    EXPECT_EQ(tomiva::DlgIsModified(self), 0);
    EXPECT_EQ(tomiva::DlgSetText(self, 13, "KONTO-123456"), 1); // cut to the input's 10
    char small[4];
    EXPECT_EQ(tomiva::DlgGetText(self, 13, small, sizeof small), 10);
    EXPECT_STREQ(small, "KON");
    EXPECT_EQ(tomiva::DlgSetText(self, 41, "12"), 1);
    EXPECT_EQ(tomiva::DlgSetText(self, 41, "x"), 0);
    char number[8];
    EXPECT_EQ(tomiva::DlgGetText(self, 41, number, sizeof number), 2);
    EXPECT_STREQ(number, "12");
    char caption[32];
    tomiva::DlgGetText(self, 43, caption, sizeof caption);
    EXPECT_STREQ(caption, "~A~nuluj");

    EXPECT_EQ(tomiva::DlgSetCheck(self, 6, 1), 1);
    EXPECT_EQ(tomiva::DlgGetCheck(self, 6), 1);
    EXPECT_EQ(tomiva::DlgSetCheck(self, 13, 1), 0); // not a check box
    EXPECT_EQ(tomiva::DlgIsModified(self), 1);
    EXPECT_EQ(tomiva::DlgSetModified(self, 0), 1);
    EXPECT_EQ(tomiva::DlgIsModified(self), 0);

    EXPECT_EQ(tomiva::DlgSetTitle(self, "Nowy"), 1);
    EXPECT_STREQ(tomiva::DlgGetTitle(self), "Nowy");
    EXPECT_EQ(tomiva::DlgResize(self, 0, 5), 0);
    EXPECT_EQ(tomiva::DlgMove(self, 1, 1), 1);
    return 1;
}

TEST_F(DialogRunner, BaseOperationsActOnTheRunningDialog)
{
    Table table;
    table.Set(kDialogSlot_DlgOnInit, &SettingUpOnInit);
    g_record = &record;
    // Control 21 is disabled in the template but enabled by the object.
    EXPECT_EQ(Run(table, {"21=XYZ"}), kButtonOk);
    EXPECT_FALSE(HostDialogRefused()) << LastMessage();

    ExportOptions expected;
    std::memset(&expected, 0, sizeof expected);
    std::memcpy(expected.kinds[0].account, "KONTO-1234", 10);
    std::memcpy(expected.kinds[2].account, "XYZ", 3);
    SetOptionsScope(expected, kScopePurchaseInvoices);
    SetOptionsFirmId(expected, 12);
    EXPECT_EQ(std::memcmp(&record, &expected, sizeof record), 0);
}

int HOST_CONV_THISCALL ClosingOnInit(void* self) { return tomiva::DlgEndDialog(self, kButtonCancel); }

TEST_F(DialogRunner, DialogEndedInOnInitClosesWithoutAnswersOrOk)
{
    Table table;
    table.Set(kDialogSlot_DlgOnInit, &ClosingOnInit);
    EXPECT_EQ(Run(table, {"Faktury zakupu=1"}), kButtonCancel);
    EXPECT_EQ(OptionsScope(record), 0);
    EXPECT_FALSE(HostDialogRefused());
}

int g_depth = 0;
int HOST_CONV_THISCALL NestingOnInit(void* self)
{
    if (g_depth++ == 0) {
        // A second dialog over the same object; the first must be intact after.
        EXPECT_EQ(tomiva::HostRunDialog(self, ExportDialogTemplate(), kDialogProcessing, nullptr, 0), 0);
        EXPECT_EQ(tomiva::DlgControlCount(self), 43);
        EXPECT_EQ(tomiva::DlgSetCheck(self, 7, 1), 1);
    } else {
        EXPECT_EQ(tomiva::DlgControlCount(self), 2);
    }
    return tomiva::DlgOnInit(self);
}

TEST_F(DialogRunner, DialogOverAnObjectThatShowsOneAlready)
{
    Table table;
    table.Set(kDialogSlot_DlgOnInit, &NestingOnInit);
    g_depth = 0;
    EXPECT_EQ(Run(table), kButtonOk);
    EXPECT_EQ(g_depth, 2);
    EXPECT_EQ(OptionsScope(record), kScopePurchaseCorrections);
}

TEST_F(DialogRunner, OperationsOutsideARunDoNothing)
{
    WDialogBase base{};
    std::memset(&base, 0xAB, sizeof base);
    EXPECT_EQ(tomiva::WDialogBaseConstruct(&base), &base);
    base.vtable = HostDialogBaseVtable();
    const WDialogBase constructed = base;

    char text[8] = "junk";
    EXPECT_EQ(tomiva::DlgGetText(&base, 13, text, sizeof text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(tomiva::DlgSetText(&base, 13, "x"), 0);
    EXPECT_EQ(tomiva::DlgControlCount(&base), 0);
    EXPECT_EQ(tomiva::DlgGetData(&base), nullptr);
    EXPECT_STREQ(tomiva::DlgGetTitle(&base), "");
    EXPECT_EQ(tomiva::DlgEndDialog(&base, 1), 0);
    EXPECT_EQ(tomiva::DlgOnCommand(&base, kButtonOk), 0);
    EXPECT_EQ(tomiva::DlgGetFocus(nullptr), 0);

    // A run leaves the host's part as it found it.
    EXPECT_EQ(tomiva::HostRunDialog(&base, ExportDialogTemplate(), kDialogOptions, &record, 0), kButtonOk);
    EXPECT_EQ(std::memcmp(&base, &constructed, sizeof base), 0);
    EXPECT_EQ(tomiva::WDialogBaseDestroy(&base), 1);
}

TEST_F(DialogRunner, DialogWithoutAnObjectRunsOverTheHostsBase)
{
    HostState().dialogAnswers = {"ID firmy z KH=3"};
    EXPECT_EQ(tomiva::HostRunDialog(nullptr, ExportDialogTemplate(), kDialogOptions, &record, 0), kButtonOk);
    EXPECT_EQ(OptionsFirmId(record), 3);
    // No buttons, no data: the dialog closes without a button.
    EXPECT_EQ(tomiva::HostRunDialog(nullptr, ExportDialogTemplate(), kDialogProcessing, nullptr, 0), 0);
    EXPECT_TRUE(HostShownMessages().empty()) << LastMessage();
}

TEST_F(DialogRunner, TemplatesAndRecordsItCannotUseAreRefused)
{
    std::vector<unsigned char> broken(ExportDialogTemplate(), ExportDialogTemplate() + kTemplateBlockSize);
    broken[4] ^= 0x01; // dialog 20021's record length
    struct Case {
        const void* block;
        int id;
        void* data;
        const char* says;
    };
    const Case cases[] = {
        {nullptr, kDialogOptions, &record, "Dialog 20021 cannot be shown: no template block"},
        {broken.data(), kDialogOptions, &record, "Dialog 20021 cannot be shown: dialog 20021"},
        {ExportDialogTemplate(), 4242, &record, "Dialog 4242 cannot be shown: the template block has no dialog 4242"},
        {ExportDialogTemplate(), kDialogOptions, nullptr, "Dialog 20021 cannot be shown: it has no data record"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        HostClearShownMessages();
        HostState().dialogAnswers = {"Faktury zakupu=1"};
        HostState().dialogRefused = false;
        EXPECT_EQ(tomiva::HostRunDialog(nullptr, c.block, c.id, c.data, 0), 0);
        EXPECT_NE(LastMessage().find(c.says), std::string::npos) << LastMessage();
        EXPECT_EQ(OptionsScope(record), 0);
        EXPECT_TRUE(HostDialogRefused()) << "the command behind it runs nothing";
    }
}

} // namespace
