// The whole export over a small firm, checked line by line against a file
// whose every line was read against the target format by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "contract/host_records.h"
#include "host/host_entry_impl.h"
#include "host/services/host_memory.h"
#include "shell/binding.h"
#include "shell/host_calls.h"
#include "support/export_harness.h"
#include "support/test_files.h"
#include "support/test_firm.h"
#include "host/services/host_messages.h"

namespace {

OptionsInput GoldenOptions()
{
    OptionsInput input;
    input.dateFrom = "20210101";
    input.dateTo = "20210131";
    // A disabled kind's bit must change nothing.
    input.scope = kScopePurchaseInvoices | kScopePurchaseCorrections | kScopeSalesInvoices;
    input.invoiceAccount = "2021";
    input.invoiceRegister = "FZK-ZAKUP";
    input.correctionAccount = "7";
    input.correctionRegister = "KOR";
    input.branchCode = "ODDZ&1";
    input.originPlace = "Łódź <MPK>";
    input.firmId = 7;
    return input;
}

TEST(ExportGolden, SmallFirmGivesTheExpectedFileLineByLine)
{
    TestDir dir;
    const std::string firm = dir.file("firm.db");
    ASSERT_EQ(CreateFirmDatabase(firm, ReadFileBytes(std::string(VENTALOR_TEST_DATA) + "/golden_firm.sql")), "");
    TestHost host(TestConfig(firm, dir.path()));
    ASSERT_TRUE(host.started()) << host.error();

    EXPECT_TRUE(RunExportOver(MakeOptions(GoldenOptions())));

    const std::string path = dir.file("qPX_2021-02-10.xml");
    ASSERT_TRUE(FileExists(path));
    const std::string actual = ReadFileBytes(path);
    const std::string expected = ReadFileBytes(std::string(VENTALOR_TEST_DATA) + "/golden_expected.xml");
    ASSERT_EQ(actual.substr(0, 3), "\xEF\xBB\xBF");
    const auto actualLines = SplitLines(actual);
    const auto expectedLines = SplitLines(expected);
    for (std::size_t i = 0; i < std::min(actualLines.size(), expectedLines.size()); ++i)
        ASSERT_EQ(actualLines[i], expectedLines[i]) << "line " << i + 1;
    EXPECT_EQ(actualLines.size(), expectedLines.size());
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(XmlLintErrors(path), "");

    // Contractor 40 is not in the table and 70000 lies beyond the flag
    // tables: their documents are named, once, before the summary.
    const auto& shown = HostShownMessages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].title, "Uwaga");
    EXPECT_EQ(shown[0].text, "W pliku brak kontrahentów 2 dokumentów: ich numery leżą poza zakresem\n"
                             "od -65999 do 65999 albo nie ma ich w kartotece kontrahentów.\n"
                             "brak kontrahenta (000003EE-0028-0000-000D-00000000000E), kontrahent 40\n"
                             "<script>&'x' (FFFFFC0F-1117-0000-0011-000000000012), kontrahent 70000\n");
    EXPECT_EQ(shown[1].title, "Uwaga");
    EXPECT_EQ(shown[1].text,
              "Ilość wyeksportowanych faktur zakupu:     7\nIlość wyeksportowanych korekt zakupu:     2\n");
    EXPECT_FALSE(FileExists(path + ".tmp"));
}

// How the host leaves a document's lines is its own business within what it
// promises: the run takes the count as the load left it.  A host that loads
// only the lines in use gives the same file; one that loads none, or finds
// no list, gives documents without positions; a load that the status block
// of the look-up calls failed fails the run.
void* g_status = nullptr; // the status block of the look-up in progress
int HOST_CONV_STDCALL LineKeyKeepingStatus(int lineTable, void* key, void* status, int documentKey)
{
    g_status = status;
    return tomiva::HostLineKey(lineTable, key, status, documentKey);
}
std::function<int(unsigned char***, void**, int*, int, void*, void*)> g_load;
int HOST_CONV_STDCALL LoadLinesAsTheCaseSays(unsigned char*** lines, void** aux, int* count, int wanted, void* key,
                                             void* list)
{
    return g_load(lines, aux, count, wanted, key, list);
}
void* HOST_CONV_STDCALL FindNoLines(int, void*, void*, int* count)
{
    *count = 0;
    return nullptr;
}

TEST(ExportGolden, LinesAsTheHostLeavesThem)
{
    const auto loadOnlyInUse = [](unsigned char*** lines, void** aux, int* count, int wanted, void* key, void* list) {
        const int done = tomiva::HostLoadLines(lines, aux, count, wanted, key, list);
        int kept = 0;
        for (int i = 0; i < *count; ++i)
            if (kInvoiceLineLayout.inUse.Read((*lines)[i]) != 0)
                (*lines)[kept++] = (*lines)[i];
        *count = kept;
        return done;
    };
    const auto loadNone = [](unsigned char*** lines, void** aux, int* count, int, void*, void*) {
        *lines = nullptr;
        *aux = nullptr;
        *count = 0;
        return 1;
    };
    const auto loadFailing = [](unsigned char*** lines, void** aux, int* count, int, void*, void*) {
        *lines = nullptr;
        *aux = nullptr;
        *count = 0;
        unsigned char key[kHostLineKeySize];
        tomiva::HostLineKey(0, key, g_status, 0); // no such line table: the status block says failed
        return 0;
    };
    struct Case {
        const char* what;
        std::function<int(unsigned char***, void**, int*, int, void*, void*)> load;
        bool findsNoList;
        const char* file; // "golden", "no positions" or "none"
    };
    const Case cases[] = {
        {"only the lines in use", loadOnlyInUse, false, "golden"},
        {"no lines at all", loadNone, false, "no positions"},
        {"no list", nullptr, true, "no positions"},
        {"a load that fails", loadFailing, false, "none"},
    };
    const std::string expected = ReadFileBytes(std::string(VENTALOR_TEST_DATA) + "/golden_expected.xml");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDir dir;
        const std::string firm = dir.file("firm.db");
        ASSERT_EQ(CreateFirmDatabase(firm, ReadFileBytes(std::string(VENTALOR_TEST_DATA) + "/golden_firm.sql")), "");
        TestHost host(TestConfig(firm, dir.path()));
        ASSERT_TRUE(host.started()) << host.error();
        ResetHostBinding();
        HostSlots[HostSlot_HostLineKey] = reinterpret_cast<void*>(&LineKeyKeepingStatus);
        if (c.load) {
            g_load = c.load;
            HostSlots[HostSlot_HostLoadLines] = reinterpret_cast<void*>(&LoadLinesAsTheCaseSays);
        }
        if (c.findsNoList)
            HostSlots[HostSlot_HostFindLines] = reinterpret_cast<void*>(&FindNoLines);

        RunExportOver(MakeOptions(GoldenOptions()));
        const std::string path = dir.file("qPX_2021-02-10.xml");
        const std::string actual = ReadFileBytes(path);
        const std::string file = c.file;
        if (file == "golden") {
            EXPECT_EQ(actual, expected);
        } else if (file == "no positions") {
            EXPECT_EQ(actual.find("<POZYCJA>"), std::string::npos);
            EXPECT_NE(actual.find("<REJESTR>"), std::string::npos);
            EXPECT_EQ(XmlLintErrors(path), "");
        } else {
            EXPECT_FALSE(FileExists(path));
            ASSERT_FALSE(ShownTexts().empty());
            EXPECT_EQ(ShownTexts().back().rfind("Eksport nie został zapisany: błąd odczytu linii VAT dokumentu ", 0),
                      0u)
                << ShownTexts().back();
        }
        EXPECT_EQ(HostLiveBlocks(), 0);
        ResetHostBinding();
    }
}

} // namespace
