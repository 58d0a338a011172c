// The export command in-process, its dialog answered in batch mode: OK saves
// and runs, Cancel does neither, the host mode bit, a set-up that failed, a
// command abandoned for a missing host entry wherever it stops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "host/host_entry_impl.h"
#include "host/module/host_exports.h"
#include "host/services/host_files.h"
#include "host/services/host_memory.h"
#include "host/services/host_messages.h"
#include "host/services/host_session.h"
#include "shell/binding.h"
#include "shell/platform.h"
#include "support/export_harness.h"
#include "support/test_files.h"
#include "support/test_firm.h"

namespace {

inline constexpr int kModeBit = 0x8000;

class ExportCommandRun : public ::testing::Test {
protected:
    // withFirm: a firm with its purchase kinds and nothing else; golden: the
    // golden firm, documents and contractors.
    void Start(bool withFirm, std::vector<std::string> answers, bool cancel = false, bool golden = false)
    {
        std::string firm;
        if (golden) {
            firm = dir_->file("firm.db");
            ASSERT_EQ(CreateFirmDatabase(firm, ReadFileBytes(std::string(VENTALOR_TEST_DATA) + "/golden_firm.sql")), "");
        } else if (withFirm) {
            firm = dir_->file("firm.db");
            ASSERT_EQ(CreateFirmDatabase(firm, PurchaseKindsDefinedSql()), "");
        }
        HostConfig config = TestConfig(firm, dir_->path());
        config.dialogAnswers = std::move(answers);
        config.dialogCancel = cancel;
        host_ = std::make_unique<TestHost>(config);
        ASSERT_TRUE(host_->started()) << host_->error();
        ResetHostBinding();
        tomiva::HostSetModeFlags(kModeBit, 0);
    }
    void TearDown() override
    {
        tomiva::HostSetModeFlags(kModeBit, 0);
        HostClearWithheldEntries();
        ResetHostBinding();
        unsetenv("TOMIVA_PROMPT_ANSWERS");
    }
    std::string Export() const { return dir_->file("qPX_2021-02-10.xml"); }
    std::string Settings() const { return dir_->file("a_mas.cfg"); }

    std::unique_ptr<TestDir> dir_ = std::make_unique<TestDir>();
    std::unique_ptr<TestHost> host_;
};

TEST_F(ExportCommandRun, OkSavesTheAnswersThenRunsAndClearsTheModeBitItSet)
{
    Start(true, {"Od daty=2021-01-01", "Do daty=2021-01-31", "Faktury zakupu=1", "ID firmy z KH=42"});
    const long setsBefore = HostLookupCount(32408);
    EXPECT_EQ(ExportCommand(), 0);

    EXPECT_TRUE(FileExists(Export()));
    EXPECT_EQ(XmlLintErrors(Export()), "");
    const std::string saved = ReadFileBytes(Settings());
    ASSERT_EQ(saved.size(), 258u);
    EXPECT_EQ(saved.substr(0, 18), std::string("20210101\0" "20210131\0", 18));
    EXPECT_EQ(saved[18], 1);
    EXPECT_EQ(saved.substr(254, 4), std::string("\x2A\0\0\0", 4));
    // The command set the bit (so it needed the set entry) and cleared it.
    EXPECT_EQ(HostLookupCount(32408), setsBefore + 1);
    EXPECT_EQ(tomiva::HostGetModeFlags() & kModeBit, 0);
    EXPECT_EQ(HostLiveBlocks(), 0);
}

TEST_F(ExportCommandRun, CancelWritesNeitherSettingsNorExportAndClearsTheBitToo)
{
    Start(true, {"Od daty=2021-01-01"}, /*cancel=*/true);
    EXPECT_EQ(ExportCommand(), 0);
    EXPECT_FALSE(FileExists(Export()));
    EXPECT_FALSE(FileExists(Settings()));
    EXPECT_EQ(tomiva::HostGetModeFlags() & kModeBit, 0);
    EXPECT_EQ(HostLiveBlocks(), 0);
}

TEST_F(ExportCommandRun, ModeBitSetBeforehandIsLeftAsItWas)
{
    Start(true, {});
    tomiva::HostSetModeFlags(kModeBit, 1);
    const long setsBefore = HostLookupCount(32408);
    EXPECT_EQ(ExportCommand(), 0);
    EXPECT_NE(tomiva::HostGetModeFlags() & kModeBit, 0);
    EXPECT_EQ(HostLookupCount(32408), setsBefore); // neither set nor cleared
}

TEST_F(ExportCommandRun, DisabledRowsKeepWhatTheyWereLoadedWith)
{
    Start(true, {"Od daty=2021-01-01", "Do daty=2021-01-31", "Faktury zakupu=1"});
    std::string record(258, '\0');
    record[18] = 0x3C; // the four disabled kinds' bits
    for (int i = 84; i < 212; ++i)
        record[static_cast<std::size_t>(i)] = static_cast<char>('a' + i % 26); // rows 2 to 5, texts without NULs
    WriteFileBytes(Settings(), record);
    EXPECT_EQ(ExportCommand(), 0);

    const std::string saved = ReadFileBytes(Settings());
    ASSERT_EQ(saved.size(), 258u);
    EXPECT_EQ(static_cast<unsigned char>(saved[18]), 0x3D);
    EXPECT_EQ(saved.substr(84, 128), record.substr(84, 128));
}

TEST_F(ExportCommandRun, WithoutTheHostsTablesOkSavesButNoExportRuns)
{
    Start(false, {"Od daty=2021-01-01", "Do daty=2021-01-31"});
    EXPECT_EQ(ExportCommand(), 0);

    EXPECT_EQ(ReadFileBytes(Settings()).size(), 258u);
    EXPECT_FALSE(FileExists(Export()));
    // The set-up's notice is all the plug-in shows (after the settings
    // file's own: there is none yet).
    const auto texts = ShownTexts();
    ASSERT_GE(texts.size(), 1u);
    EXPECT_EQ(texts.back(), "Błąd operacji dyskowej-Constructor!\nOperacja niekompletna!");
    EXPECT_EQ(tomiva::HostGetModeFlags() & kModeBit, 0);
    EXPECT_EQ(HostLiveBlocks(), 0);
}

// A missing entry answered with Abort wherever the command meets it: the call
// returns 0, the command stops at its next boundary and winds down by its
// ordinary paths, and one notice says what became of the file and the memory.
TEST_F(ExportCommandRun, AbandonedCommandWindsDownWhereverItStops)
{
    struct Case {
        int entry;
        const char* where;
        const char* fileLine;   // the notice's line about the export file
        const char* memoryLine; // and about memory ("" none)
        long blocksLeft;        // with the host afterwards
    };
    const Case cases[] = {
        {32408, "setting the mode bit", "Pliku eksportu nie utworzono.", "", 0},
        {52256, "opening the tables, after both flag tables", "Pliku eksportu nie utworzono.", "Pamięć zwolniono.", 0},
        {20966, "the dialog's validation, inside the host's dialog", "Pliku eksportu nie utworzono.",
         "Pamięć zwolniono.", 0},
        {52278, "the scan of invoices, the file open", "Niepełny plik eksportu usunięto.", "Pamięć zwolniono.", 0},
        {52352, "the contractors", "Niepełny plik eksportu usunięto.", "Pamięć zwolniono.", 0},
        {21287, "releasing the run's blocks, the file written", "Plik eksportu zapisano przed przerwaniem:",
         "Pamięci nie zwolniono: brak wpisu 21287 w programie.", 11}, // flags, buffers, sums, the store
        {35804, "the summary, after the file was written", "Plik eksportu zapisano przed przerwaniem:", "Pamięć zwolniono.",
         0},
        {20903, "destroying the base at the very end", "Plik eksportu zapisano przed przerwaniem:", "Pamięć zwolniono.", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.entry) + " " + c.where);
        dir_ = std::make_unique<TestDir>();
        Start(true, {"Od daty=2021-01-01", "Do daty=2021-01-31", "Faktury zakupu=1"}, false, true);
        HostWithholdEntry(c.entry);
        setenv("TOMIVA_PROMPT_ANSWERS", "abort", 1);
        PlatformRestartScriptedAnswers();

        const long baseDestroyed = HostLookupCount(20903); // bound afresh by Start: looked up when called
        testing::internal::CaptureStderr();
        EXPECT_EQ(ExportCommand(), 0);
        const std::string shown = testing::internal::GetCapturedStderr();
        // The base is destroyed whenever it was built: all but the stop before it.
        EXPECT_EQ(HostLookupCount(20903) > baseDestroyed, c.entry != 32408);

        EXPECT_NE(shown.find("Polecenie przerwane: brak wpisu " + std::to_string(c.entry) + " w programie.\n" +
                             c.fileLine),
                  std::string::npos)
            << shown;
        if (c.memoryLine[0] != '\0')
            EXPECT_NE(shown.find(c.memoryLine), std::string::npos) << shown;
        else
            EXPECT_EQ(shown.find("Pami"), std::string::npos) << shown;
        EXPECT_EQ(FileExists(Export()), std::string(c.fileLine).rfind("Plik eksportu zapisano", 0) == 0);
        EXPECT_EQ(tomiva::HostGetModeFlags() & kModeBit, 0);
        EXPECT_EQ(HostLiveBlocks(), c.blocksLeft);
        EXPECT_EQ(HostOpenFileCount(), 0);
        HostReclaimBlocks();
        HostClearWithheldEntries();
        host_.reset();
    }
}

// The period as OK confirmed it.  With a kind ticked, an empty date is
// refused after the dialog: the options are saved as typed (the next run of
// the command opens on them), the notice is the host's error notice (the
// command did not do what it was asked) and no export is run.  Nothing
// ticked, or "Od daty" after "Do daty", runs: a file without documents and
// the 0/0 summary.
TEST_F(ExportCommandRun, EmptyDateWithAKindTickedIsRefusedEverythingElseRuns)
{
    const std::string fromEmpty = "Pole \"Od daty\" jest puste!\nEksport nie został wykonany.\n"
                                  "Podaj pierwszy dzień okresu eksportu i uruchom eksport ponownie.";
    const std::string toEmpty = "Pole \"Do daty\" jest puste!\nEksport nie został wykonany.\n"
                                "Podaj ostatni dzień okresu eksportu i uruchom eksport ponownie.";
    struct Case {
        const char* what;
        std::vector<std::string> answers;
        std::string saved;     // the settings file's first 20 bytes before the command, or ""
        std::string refusal;   // the plug-in's notice, or "": the export runs
        std::string savedNow;  // after a refusal: the settings file's first 20 bytes
        int invoices = 0;      // what a run that writes its file exports
    };
    const Case cases[] = {
        {"no Od daty", {"Do daty=2021-01-31", "Faktury zakupu=1"}, "", fromEmpty,
         std::string("\0\0\0\0\0\0\0\0\0" "20210131\0" "\x01\0", 20)},
        {"no Do daty", {"Od daty=2021-01-01", "Korekty zakupu=1"}, "", toEmpty,
         std::string("20210101\0" "\0\0\0\0\0\0\0\0\0" "\x02\0", 20)},
        {"Od daty cleared", {"Od daty="}, std::string("20210101\0" "20210131\0" "\x01\0", 20), fromEmpty,
         std::string("\0\0\0\0\0\0\0\0\0" "20210131\0" "\x01\0", 20)},
        {"no kind and no dates", {}, "", "", ""},
        {"no kind, one date", {"Od daty=2021-01-01"}, "", "", ""},
        {"Od daty after Do daty", {"Od daty=2021-02-01", "Do daty=2021-01-31", "Faktury zakupu=1"}, "", "", ""},
        {"an inverted period from the settings file", {}, std::string("20211231\0" "20210101\0" "\x03\0", 20), "", ""},
        {"a period of one day", {"Od daty=2021-01-15", "Do daty=2021-01-15", "Faktury zakupu=1"}, "", "", "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host_.reset();
        dir_ = std::make_unique<TestDir>();
        if (!c.saved.empty())
            WriteFileBytes(Settings(), c.saved + std::string(258 - c.saved.size(), '\0'));
        Start(true, c.answers, false, true);
        EXPECT_EQ(ExportCommand(), 0);

        const auto texts = ShownTexts();
        ASSERT_FALSE(texts.empty());
        EXPECT_FALSE(HostDialogRefused()) << "the dialog ran once and OK closed it";
        EXPECT_EQ(FileExists(Export()), c.refusal.empty());
        EXPECT_EQ(HostLiveBlocks(), 0);
        EXPECT_EQ(tomiva::HostGetModeFlags() & kModeBit, 0);
        const std::string settings = ReadFileBytes(Settings());
        ASSERT_EQ(settings.size(), 258u) << "OK saves the options";
        if (c.refusal.empty()) {
            EXPECT_EQ(texts.back(), "Ilość wyeksportowanych faktur zakupu:     " + std::to_string(c.invoices) +
                                        "\nIlość wyeksportowanych korekt zakupu:     0\n");
            const std::string file = ReadFileBytes(Export());
            EXPECT_EQ(file.find("<REJESTR>") != std::string::npos, c.invoices > 0);
            EXPECT_EQ(XmlLintErrors(Export()), "");
            continue;
        }
        EXPECT_EQ(settings.substr(0, 20), c.savedNow) << "what the user typed is saved";
        // The plug-in's notice, in the host's error notice, is the last word.
        const HostShownMessage& last = HostShownMessages().back();
        EXPECT_EQ(last.kind, "error");
        EXPECT_EQ(last.text, c.refusal);
        EXPECT_EQ(std::count(texts.begin(), texts.end(), c.refusal), 1);
        EXPECT_TRUE(HostFailedWith(HostFailureKind::PluginReported));
    }
}

// The host's dialog object is run once: a host whose objects cannot be run
// twice gets one run of the dialog per object, also after an empty date.
int g_dialogRuns = 0;
int HOST_CONV_CDECL DialogLeavingOdDatyEmpty(void*, const void*, int, void* data, int)
{
    auto* options = static_cast<ExportOptions*>(data);
    ++g_dialogRuns;
    std::memset(options, 0, sizeof *options);
    std::memcpy(options->dateTo, "20210131", 9);
    SetOptionsScope(*options, kScopePurchaseInvoices);
    return 0x10000 * 7 + 0x5001; // OK; the result is 16 bits wide
}

TEST_F(ExportCommandRun, TheDialogRunsOnceEvenWhenItsPeriodIsRefused)
{
    Start(true, {}, false, true);
    g_dialogRuns = 0;
    HostSlots[HostSlot_HostRunDialog] = reinterpret_cast<void*>(&DialogLeavingOdDatyEmpty);
    EXPECT_EQ(ExportCommand(), 0);

    EXPECT_EQ(g_dialogRuns, 1);
    EXPECT_FALSE(FileExists(Export()));
    EXPECT_EQ(ReadFileBytes(Settings()).substr(0, 18), std::string("\0\0\0\0\0\0\0\0\0" "20210131\0", 18));
    EXPECT_EQ(HostLiveBlocks(), 0);
}

// The mode bit the command set is cleared before the object is destroyed,
// after OK and after Cancel alike.
std::vector<std::string> g_calls;
int HOST_CONV_STDCALL LoggedSetModeFlags(int mask, int set)
{
    g_calls.push_back(set ? "set" : "clear");
    return tomiva::HostSetModeFlags(mask, set);
}
int HOST_CONV_THISCALL LoggedBaseDestroy(void* self)
{
    g_calls.push_back("destroy");
    return tomiva::WDialogBaseDestroy(self);
}

TEST_F(ExportCommandRun, ModeBitIsClearedBeforeTheObjectIsDestroyed)
{
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "Cancel" : "OK");
        host_.reset();
        dir_ = std::make_unique<TestDir>();
        Start(true, {"Od daty=2021-01-01", "Do daty=2021-01-31"}, cancel);
        HostSlots[HostSlot_HostSetModeFlags] = reinterpret_cast<void*>(&LoggedSetModeFlags);
        HostSlots[HostSlot_WDialogBaseDestroy] = reinterpret_cast<void*>(&LoggedBaseDestroy);
        g_calls.clear();
        EXPECT_EQ(ExportCommand(), 0);
        EXPECT_EQ(g_calls, (std::vector<std::string>{"set", "clear", "destroy"}));
        EXPECT_EQ(FileExists(Export()), !cancel);
    }
}

} // namespace
