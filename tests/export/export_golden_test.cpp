// The whole export over a small firm, checked line by line against a file
// whose every line was read against the target format by hand.
#include <gtest/gtest.h>

#include "support/export_harness.h"
#include "support/test_files.h"
#include "support/test_firm.h"

namespace {

OptionsInput GoldenOptions()
{
    OptionsInput input;
    input.dateFrom = "20210101";
    input.dateTo = "20210131";
    // A disabled kind's bit must change nothing.
    input.scope = ScopePurchaseInvoices | ScopePurchaseCorrections | ScopeSalesInvoices;
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

} // namespace
