// The export run's paths: the skeleton, the purchase-kind check, a file that
// cannot be created, lost memory, and documents and lines beyond the usual.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/services/host_progress.h"
#include "host/services/host_session.h"
#include "support/export_harness.h"
#include "support/test_files.h"
#include "support/test_firm.h"

namespace {

const char kSkeletonStart[] = "\xEF\xBB\xBF<ROOT>\n<SYSTEM>QUORVEL</SYSTEM>\n<KONTRAHENCI>\n<WERSJA>1.0</WERSJA>\n";
const char kSkeletonEnd[] = "</REJESTRY_ZAKUPU>\n</ROOT>\n";
const char kSummaryNone[] =
    "Ilość wyeksportowanych faktur zakupu:     0\nIlość wyeksportowanych korekt zakupu:     0\n";

// Settings block 2 with the marker entry: the firm's purchase kinds are defined.
std::string PurchaseKindsDefined()
{
    std::string hex = "39383736353433323130"; // "9876543210"
    hex += std::string(990 * 2 - hex.size(), '0');
    return "INSERT INTO settings_block VALUES (2, X'" + hex + "');\n";
}

std::string Invoice(int key, const std::string& date, int contractor, const std::string& transaction = "FV")
{
    return "INSERT INTO purchase_invoice (document_key, period_date, issue_date, receipt_date, contractor, "
           "transaction_text, amount) VALUES (" +
           std::to_string(key) + ", '" + date + "', '" + date + "', '" + date + "', " + std::to_string(contractor) +
           ", '" + transaction + "', 10.0);\n";
}

std::string Line(int key, int lineNo, int rateCode, double amount = 123.0, double vat = 23.0)
{
    return "INSERT INTO vat_line (document_kind, document_key, line_no, amount, rate_code, vat) VALUES ('invoice', " +
           std::to_string(key) + ", " + std::to_string(lineNo) + ", " + std::to_string(amount) + ", " +
           std::to_string(rateCode) + ", " + std::to_string(vat) + ");\n";
}

class ExportRunPaths : public ::testing::Test {
protected:
    void Start(const std::string& sql)
    {
        firm_ = dir_.file("firm.db");
        ASSERT_EQ(CreateFirmDatabase(firm_, sql), "");
        host_ = std::make_unique<TestHost>(TestConfig(firm_, dir_.path()));
        ASSERT_TRUE(host_->started()) << host_->error();
    }
    std::string OutputPath() const { return dir_.file("qPX_2021-02-10.xml"); }
    std::string Output() const { return ReadFileBytes(OutputPath()); }
    static int CountLines(const std::string& text, const std::string& line)
    {
        int n = 0;
        for (const auto& l : SplitLines(text))
            n += l == line;
        return n;
    }

    TestDir dir_;
    std::string firm_;
    std::unique_ptr<TestHost> host_;
};

TEST_F(ExportRunPaths, NothingInScopeWritesTheSkeletonWithoutCheckingPurchaseKinds)
{
    Start(Invoice(1, "2021-01-05", 3)); // purchase kinds not defined: the check would refuse
    OptionsInput input;
    input.scope = 0;
    RunExportOver(MakeOptions(input));

    EXPECT_EQ(Output(), std::string(kSkeletonStart) + "</KONTRAHENCI>\n<REJESTRY_ZAKUPU>\n<WERSJA>1.0</WERSJA>\n" +
                            kSkeletonEnd);
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{kSummaryNone});
    EXPECT_FALSE(HostProgressNow().open);
    EXPECT_EQ(XmlLintErrors(OutputPath()), "");
}

TEST_F(ExportRunPaths, UndefinedPurchaseKindsStopTheRunWithAnEmptyFile)
{
    Start(Invoice(1, "2021-01-05", 3));
    OptionsInput input;
    input.scope = ScopePurchaseCorrections; // the check is made for corrections alone too
    RunExportOver(MakeOptions(input));

    ASSERT_TRUE(FileExists(OutputPath()));
    EXPECT_EQ(Output(), "");
    EXPECT_EQ(ShownTexts(), (std::vector<std::string>{"Nie zdefiniowane rodzaje zakupów?\n\nOperacja przerwana.",
                                                 kSummaryNone}));
}

TEST_F(ExportRunPaths, PurchaseKindNameWithoutRoomForItsEndStopsTheRunSilently)
{
    std::string hex = "39383736353433323130"; // "9876543210", then an 11-character second entry
    hex += "00" + std::string(22, '4') + std::string(990 * 2 - 20 - 2 - 22, '0');
    Start("INSERT INTO settings_block VALUES (2, X'" + hex + "');\n" + Invoice(1, "2021-01-05", 3));
    RunExportOver(MakeOptions(OptionsInput{}));

    EXPECT_EQ(Output(), "");
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{kSummaryNone});
}

// The check on its own: true only with the marker and every name ended in
// its 11 bytes; on true every code outside 1 to 9 has become 1.
TEST(PurchaseKindCheck, SaysWhetherTheRunMayGoOnAndMendsTheCodes)
{
    const std::string marker = "39383736353433323130"; // "9876543210"
    const std::string names = marker + std::string(990 * 2 - marker.size(), '0');
    // Codes 0, 3, 10, -4, 9, then zeros: little-endian 16-bit.
    const std::string codes = "000003000A00FCFF0900" + std::string(544 * 2 - 20, '0');
    struct Case {
        const char* why;
        std::string sql;
        bool defined;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"no settings", "", false, {"Nie zdefiniowane rodzaje zakupów?\n\nOperacja przerwana."}},
        {"marker and codes",
         "INSERT INTO settings_block VALUES (2, X'" + names + "'), (13, X'" + codes + "');", true, {}},
        {"second name without its end",
         "INSERT INTO settings_block VALUES (2, X'" + marker + "00" + std::string(22, '4') +
             std::string(990 * 2 - 20 - 2 - 22, '0') + "');",
         false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        TestDir dir;
        const std::string firm = dir.file("firm.db");
        ASSERT_EQ(CreateFirmDatabase(firm, c.sql), "");
        TestHost host(TestConfig(firm, dir.path()));
        ASSERT_TRUE(host.started()) << host.error();
        ExportRun run{};
        ASSERT_TRUE(run.SetUp());
        EXPECT_EQ(run.CheckPurchaseKinds(), c.defined);
        EXPECT_EQ(ShownTexts(), c.shown);
        if (c.defined) {
            const int16_t expected[] = {1, 3, 1, 1, 9};
            for (int i = 0; i < kPurchaseKindCodeCount; ++i) {
                int16_t code;
                std::memcpy(&code, run.purchaseKindSettings + 2 * i, sizeof code);
                EXPECT_EQ(code, i < 5 ? expected[i] : 1) << "code " << i;
            }
        }
        run.TearDown();
        EXPECT_EQ(HostLiveBlocks(), 0);
    }
}

TEST_F(ExportRunPaths, FileThatCannotBeCreatedIsReportedWithItsPathAndNothingElse)
{
    Start(PurchaseKindsDefined());
    // A folder in the file's place: the file cannot be opened for writing.
    ASSERT_EQ(mkdir(OutputPath().c_str(), 0700), 0);
    RunExportOver(MakeOptions(OptionsInput{}));

    EXPECT_EQ(ShownTexts(), std::vector<std::string>{"Błąd: plik " + OutputPath() + " nie jest otwarty!"});
    EXPECT_FALSE(HostProgressNow().open);
}

TEST_F(ExportRunPaths, MissingTablesOrFlagTablesKeepTheRunFromStarting)
{
    Start(PurchaseKindsDefined() + Invoice(1, "2021-01-05", 3));
    const ExportOptions options = MakeOptions(OptionsInput{});
    ExportRun run{};
    HostFailAllocation(1); // the firms' flag table
    EXPECT_FALSE(run.SetUp());
    run.RunExport(options);
    run.TearDown();

    EXPECT_FALSE(FileExists(OutputPath()));
    const auto texts = ShownTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "Błąd operacji dyskowej-Constructor!\nOperacja niekompletna!");
    EXPECT_NE(texts[1].find("Eksport nie może zostać wykonany"), std::string::npos);
    EXPECT_EQ(HostLiveBlocks(), 0);
}

// Memory the plug-in asks for and does not get leaves something out of the
// file it is writing (a line, a document): the plug-in says what, and the
// host withdraws the file, which does not stand once it is closed.
TEST_F(ExportRunPaths, MemoryRefusedWhileTheFileIsWrittenTakesTheFileWithIt)
{
    struct Case {
        const char* what;
        int failing; // the allocation refused, counted after the set-up
        std::vector<std::string> told;
    };
    const Case cases[] = {
        // The document array (1), then one buffer per line: "<ROOT>" (2), "<SYSTEM>" (3).
        {"a line's conversion buffer", 3, {"Operacja konwersji nieudana"}},
        {"the first growth of the document array", 1, {"Brak pamięci na dokument FV 1 (00000001-0003-0000-0000-000000000000)!\n"
                                                         "Dokument nie został wyeksportowany."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host_.reset();
        Start(PurchaseKindsDefined() + Invoice(1, "2021-01-05", 3, "FV 1") + Invoice(2, "2021-01-06", 4, "FV 2"));
        ExportRun run{};
        ASSERT_TRUE(run.SetUp());
        HostFailAllocation(c.failing);
        run.RunExport(MakeOptions(OptionsInput{}));
        run.TearDown();

        EXPECT_FALSE(FileExists(OutputPath()));
        EXPECT_TRUE(HostFailedWith(HostFailureKind::HostFailed));
        const auto texts = ShownTexts();
        ASSERT_GE(texts.size(), c.told.size());
        for (std::size_t i = 0; i < c.told.size(); ++i)
            EXPECT_EQ(texts[i], c.told[i]);
        EXPECT_EQ(HostLiveBlocks(), 0);
    }
}

TEST_F(ExportRunPaths, EleventhRateCodeOfAListIsReportedNotDroppedSilently)
{
    std::string sql = PurchaseKindsDefined() + Invoice(1, "2021-01-05", 3, "FV 11");
    const int codes[] = {1, 2, 3, 4, 11, 12, 13, 14, 15, 16, 17};
    for (int i = 0; i < 11; ++i)
        sql += Line(1, i + 1, codes[i]);
    Start(sql);
    RunExportOver(MakeOptions(OptionsInput{}));

    const std::string out = Output();
    EXPECT_EQ(CountLines(out, "<POZYCJA>"), 10);
    const auto texts = ShownTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find("FV 11"), std::string::npos);
    EXPECT_NE(texts[0].find("17"), std::string::npos);
    EXPECT_EQ(XmlLintErrors(OutputPath()), "");
}

TEST_F(ExportRunPaths, ManyDocumentsWithPositionsSurviveEveryGrowthOfTheArray)
{
    std::string sql = PurchaseKindsDefined();
    for (int key = 1; key <= 130; ++key) {
        sql += Invoice(key, "2021-01-" + std::string(key % 28 < 9 ? "0" : "") + std::to_string(key % 28 + 1),
                       key % 7 - 3, "FV " + std::to_string(key));
        sql += Line(key, 1, 1, 12.3 * key, 2.3 * key);
    }
    Start(sql);
    RunExportOver(MakeOptions(OptionsInput{}));

    const std::string out = Output();
    EXPECT_EQ(CountLines(out, "<REJESTR>"), 130);
    EXPECT_EQ(CountLines(out, "<POZYCJA>"), 130);
    // The 130th document's position still carries its own sums.
    EXPECT_NE(out.find("<TRANSAKCJA>FV 130</TRANSAKCJA>"), std::string::npos);
    EXPECT_NE(out.find("<KWOTA_NETTO>1300.00</KWOTA_NETTO>"), std::string::npos);
    EXPECT_EQ(XmlLintErrors(OutputPath()), "");
    EXPECT_EQ(HostLiveBlocks(), 0);
}

TEST_F(ExportRunPaths, AnyTextOfTheRecordsAndOptionsGivesWellFormedXml)
{
    const std::string nasty = "<&>\"'";
    std::string sql = PurchaseKindsDefined();
    sql += "INSERT INTO contractor VALUES (3, '<&>\"''x', '" + std::string(100, '"') + "', "
           "'ul. <A&B> 5 00-950 \"Kraków\"', 'PL<1>');\n";
    sql += "INSERT INTO purchase_invoice (document_key, period_date, issue_date, receipt_date, contractor, "
           "transaction_text, nip, amount, comment) VALUES (1, '2021-01-05', '2021-01-05', '2021-01-05', 3, "
           "'" + std::string("<&>\"''") + "', '<1>', 1.0, 'a' || char(9) || 'b' || char(1) || '<c>');\n";
    sql += Line(1, 1, 1);
    Start(sql);
    OptionsInput input;
    input.invoiceAccount = "<&>";
    input.invoiceRegister = nasty;
    input.branchCode = nasty;
    input.originPlace = nasty;
    RunExportOver(MakeOptions(input));

    EXPECT_EQ(XmlLintErrors(OutputPath()), "");
    const std::string out = Output();
    // A hundred double quotes: all six hundred escaped characters kept, the
    // two elements cut between entities.
    EXPECT_EQ(CountLines(out, "<NAZWA_PELNA_1>" + [] {
                  std::string s;
                  for (int i = 0; i < 11; ++i)
                      s += "&quot;";
                  return s;
              }() + "</NAZWA_PELNA_1>"),
              1);
    EXPECT_NE(out.find("<KONTO>&lt;&amp;&gt;-******-******</KONTO>"), std::string::npos);
    EXPECT_NE(out.find("<KOMENTARZ>a b &lt;c&gt;</KOMENTARZ>"), std::string::npos);
}

TEST_F(ExportRunPaths, DueDateIsTheIssueDateMovedByThePaymentDays)
{
    struct Case {
        const char* issue;
        int days;
        const char* due;
    };
    const Case cases[] = {
        {"2021-01-25", 0, "2021-01-25"},  {"2021-01-25", 14, "2021-02-08"}, {"2020-02-28", 1, "2020-02-29"},
        {"2021-02-28", 1, "2021-03-01"},  {"2020-12-31", 365, "2021-12-31"}, {"2024-02-29", 366, "2025-03-01"},
        {"2000-01-01", 65535, "2179-06-06"},
    };
    std::string sql = PurchaseKindsDefined();
    int key = 0;
    for (const Case& c : cases)
        sql += "INSERT INTO purchase_invoice (document_key, period_date, issue_date, receipt_date, payment_days) "
               "VALUES (" + std::to_string(++key) + ", '2021-01-05', '" + c.issue + "', '2021-01-05', " +
               std::to_string(c.days) + ");\n";
    Start(sql);
    RunExportOver(MakeOptions(OptionsInput{}));

    std::vector<std::string> dues;
    for (const auto& line : SplitLines(Output()))
        if (line.rfind("<TERMIN_ZAPLATY>", 0) == 0)
            dues.push_back(line);
    ASSERT_EQ(dues.size(), std::size(cases));
    for (std::size_t i = 0; i < dues.size(); ++i)
        EXPECT_EQ(dues[i], std::string("<TERMIN_ZAPLATY>") + cases[i].due + "T00:00:00</TERMIN_ZAPLATY>")
            << cases[i].issue << " + " << cases[i].days;
}

} // namespace
