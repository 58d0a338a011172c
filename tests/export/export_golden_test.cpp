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

    // The flagged contractor 40 is not in the table: left out without a word.
    const auto& shown = HostShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, "Uwaga");
    EXPECT_EQ(shown[0].text,
              "Ilość wyeksportowanych faktur zakupu:     7\nIlość wyeksportowanych korekt zakupu:     2\n");
}

} // namespace
