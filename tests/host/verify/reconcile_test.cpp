// An export file reconciled with its firm: the golden firm and its export
// agree; hand-edited exports each give their mismatch; the exports that the
// plug-in writes of demo firms and of texts at their edges agree with the
// firm, so that the host's reading of the export's rules is the plug-in's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/firm/demo/demo_firm.h"
#include "host/verify/verify.h"
#include "support/export_harness.h"
#include "support/test_files.h"
#include "support/test_firm.h"

namespace {

std::string Data(const std::string& name) { return std::string(VENTALOR_TEST_DATA) + "/" + name; }

std::string Issues(const std::vector<VerifyIssue>& issues)
{
    std::string all;
    for (const VerifyIssue& i : issues)
        all += i.subject + (i.line > 0 ? " (line " + std::to_string(i.line) + ")" : "") + ": " + i.what + "\n";
    return all;
}

// ---------------------------------------------------------------------------
// Edits of the golden export

// The element (REJESTR, KONTRAHENT) around the first line that holds marker.
std::pair<std::size_t, std::size_t> Block(const std::string& text, const std::string& element,
                                          const std::string& marker)
{
    const std::size_t at = text.find(marker);
    const std::size_t start = text.rfind("<" + element + ">\n", at);
    const std::string close = "</" + element + ">\n";
    const std::size_t end = text.find(close, at);
    EXPECT_NE(at, std::string::npos) << marker;
    if (at == std::string::npos || start == std::string::npos || end == std::string::npos)
        return {0, 0};
    return {start, end + close.size()};
}

using Edit = std::string (*)(std::string);

std::string RemoveDocument(std::string t)
{
    const auto [start, end] = Block(t, "REJESTR", "<TRANSAKCJA>FZ/2<");
    return t.erase(start, end - start);
}
std::string DuplicateDocument(std::string t)
{
    const auto [start, end] = Block(t, "REJESTR", "<TRANSAKCJA>graniczny<");
    return t.insert(end, t.substr(start, end - start));
}
std::string Replace(std::string t, const std::string& from, const std::string& to)
{
    const std::size_t at = t.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? t : t.replace(at, from.size(), to);
}
std::string NetByOneGrosz(std::string t) { return Replace(t, "<KWOTA_NETTO>1100.00<", "<KWOTA_NETTO>1100.01<"); }
std::string VatByOneGrosz(std::string t) { return Replace(t, "<KWOTA_VAT>-2.30<", "<KWOTA_VAT>-2.31<"); }
std::string NameChanged(std::string t) { return Replace(t, "<NAZWA_PELNA_1>Jan Kowalski<", "<NAZWA_PELNA_1>Jan Kowalsky<"); }
std::string PositionToAnotherRate(std::string t)
{
    // The fixed-asset 8% position of the first invoice, moved to 5%.
    const auto [start, end] = Block(t, "REJESTR", "<TRANSAKCJA>FV 1/01/2021<");
    const std::size_t at = t.find("<SYMBOL_ST_VAT>8%<", start);
    EXPECT_LT(at, end);
    return t.replace(at, std::string("<SYMBOL_ST_VAT>8%<").size(), "<SYMBOL_ST_VAT>5%<");
}
std::string PositionToAnotherClass(std::string t) { return Replace(t, "<WYROZNIK>W<", "<WYROZNIK>B<"); }
std::string PositionRemoved(std::string t)
{
    const auto [start, end] = Block(t, "POZYCJA", "<SYMBOL_ST_VAT>np<");
    return t.erase(start, end - start);
}
std::string DocumentAmountChanged(std::string t) { return Replace(t, "<KWOTA>177.00<", "<KWOTA>177.10<"); }
std::string DocumentOfAnotherPeriod(std::string t)
{
    // Invoice 1008's identifier replaced by that of invoice 1003, of February.
    return Replace(t, "000003F0-101C-0000-000F-000000000010", "000003EB-004D-0000-0005-000000000006");
}
std::string DocumentTheFirmDoesNotHave(std::string t)
{
    return Replace(t, "000003F0-101C-0000-000F-000000000010", "000003F0-101C-0000-000F-000000000011");
}
std::string ContractorRemoved(std::string t)
{
    const auto [start, end] = Block(t, "KONTRAHENT", "<NAZWA_SKROCONA>ZUT &amp; Co<");
    return t.erase(start, end - start);
}
std::string ContractorTwice(std::string t)
{
    const auto [start, end] = Block(t, "KONTRAHENT", "<NAZWA_SKROCONA>Max<");
    return t.insert(end, t.substr(start, end - start));
}
std::string CityChanged(std::string t) { return Replace(t, "<MIASTO>Konstancin-Jeziorn<", "<MIASTO>Konstancin-Jeziorna<"); }
std::string MonthChanged(std::string t) { return Replace(t, "<MIESIAC>01<", "<MIESIAC>02<"); }
std::string DueDateChanged(std::string t)
{
    return Replace(t, "<TERMIN_ZAPLATY>2021-02-08T00:00:00<", "<TERMIN_ZAPLATY>2021-02-09T00:00:00<");
}
std::string TransactionChanged(std::string t) { return Replace(t, "<TRANSAKCJA>KOR 3<", "<TRANSAKCJA>KOR 4<"); }
std::string CorrectionMadeInvoice(std::string t)
{
    return Replace(t, "<WYROZNIK_FAKTURA>N</WYROZNIK_FAKTURA>\n<WYROZNIK_KOREKTA>T<",
                   "<WYROZNIK_FAKTURA>T</WYROZNIK_FAKTURA>\n<WYROZNIK_KOREKTA>N<");
}

class GoldenReconcile : public ::testing::Test {
protected:
    void SetUp() override
    {
        firm_ = dir_.file("firm.db");
        ASSERT_EQ(CreateFirmDatabase(firm_, ReadFileBytes(Data("golden_firm.sql"))), "");
    }
    VerifyOutcome Verify(const std::string& text, bool givePeriod = true)
    {
        const std::string path = dir_.file("export.xml");
        WriteFileBytes(path, text);
        VerifyRequest request;
        request.file = path;
        request.firm = firm_;
        if (givePeriod) {
            request.from = "2021-01-01";
            request.to = "2021-01-31";
        }
        return VerifyExport(request);
    }

    TestDir dir_;
    std::string firm_;
};

TEST_F(GoldenReconcile, TheGoldenExportAgreesWithItsFirm)
{
    for (const bool givePeriod : {true, false}) {
        SCOPED_TRACE(givePeriod ? "period given" : "period from MIESIAC/ROK");
        const VerifyOutcome o = Verify(ReadFileBytes(Data("golden_expected.xml")), givePeriod);
        ASSERT_EQ(o.status, VerifyStatus::Agrees) << Issues(o.reconciliation.mismatches);
        EXPECT_EQ(o.context.period.to, "2021-01-31");
        EXPECT_EQ(o.reconciliation.expectedDocuments, 9);
        EXPECT_EQ(o.reconciliation.expectedContractors, 5);
        // Contractor 40 is not in the firm, 70000 beyond what the export
        // lists; two tax numbers fail their check digit.
        const std::string warnings = Issues(o.reconciliation.warnings);
        EXPECT_NE(warnings.find("contractor 40, which the firm does not have"), std::string::npos) << warnings;
        EXPECT_NE(warnings.find("contractor 70000, beyond"), std::string::npos) << warnings;
        EXPECT_NE(warnings.find("tax number 7251020304 has a wrong check digit"), std::string::npos) << warnings;
        EXPECT_NE(warnings.find("tax number 5210001122 has a wrong check digit"), std::string::npos) << warnings;
    }
}

TEST_F(GoldenReconcile, EachHandEditGivesItsMismatch)
{
    const struct {
        const char* why;
        Edit edit;
        std::vector<std::string> said; // each in one mismatch
    } cases[] = {
        {"a document removed", RemoveDocument,
         {"000003E9-1117-0000-0001-000000000002 \"FZ/2\": is missing from the file (invoice, period date 2021-01-01)"}},
        {"a document twice", DuplicateDocument,
         {"000003F0-101C-0000-000F-000000000010 \"graniczny\" (line", "is in the file 2 times; the firm has it 1 time"}},
        {"a net amount one grosz more", NetByOneGrosz,
         {"\"FV 1/01/2021\" (line", "position B 23%: net 1100.01, VAT 253.00 in the file, net 1100.00, VAT 253.00 in the firm"}},
        {"a VAT amount one grosz less", VatByOneGrosz, {"\"KOR 1/2021\"", "VAT -2.31 in the file", "VAT -2.30 in the firm"}},
        {"a contractor's name changed", NameChanged,
         {"contractor -5 \"Jan Kowalski\"", "NAZWA_PELNA_1 is \"Jan Kowalsky\" in the file, \"Jan Kowalski\" in the firm"}},
        {"a position moved to another rate", PositionToAnotherRate,
         {"position B 5% fixed assets (net 100.00, VAT 8.00) is in the file; the firm's lines have none",
          "position B 8% fixed assets (net 100.00, VAT 8.00) of the firm's lines is missing from the file"}},
        {"a position moved to another class", PositionToAnotherClass,
         {"position B 23%: net 1300.00, VAT 299.00 in the file, net 1100.00, VAT 253.00 in the firm",
          "position W 23% (net 200.00, VAT 46.00) of the firm's lines is missing"}},
        {"a position removed", PositionRemoved, {"position N np (net 20.00, VAT 0.00) of the firm's lines is missing"}},
        {"a document's amount changed", DocumentAmountChanged,
         {"\"Rach. 3/2021\"", "KWOTA is \"177.10\" in the file, \"177.00\" in the firm"}},
        {"a document of another period", DocumentOfAnotherPeriod,
         {"000003EB-004D-0000-0005-000000000006 \"graniczny\"",
          "is not a document of the export: its period date 2021-02-01 lies outside the period 2021-01-01 to 2021-01-31",
          "000003F0-101C-0000-000F-000000000010 \"graniczny\": is missing from the file"}},
        {"a document the firm does not have", DocumentTheFirmDoesNotHave,
         {"000003F0-101C-0000-000F-000000000011", "the firm has no invoice with this identifier"}},
        {"a correction's flags made an invoice's", CorrectionMadeInvoice,
         {"000007D1-000C-0000-0013-000000000014 \"KOR 1/2021\"",
          "is not a document of the export: the file has it as an invoice, the firm as a correction",
          "000007D1-000C-0000-0013-000000000014 \"KOR 1/2021\": is missing from the file (correction"}},
        {"a contractor removed", ContractorRemoved,
         {"contractor 5 \"Zakład Usług <Techniczny> S.C.\": is missing from the file",
          "000003EA-0005-0000-0003-000000000004 \"Rach. 3/2021\""}},
        {"a contractor twice", ContractorTwice, {"contractor \"Firma o numerze granicznym\" (line", "more than once"}},
        {"an address cut elsewhere", CityChanged,
         {"contractor 65999", "MIASTO is \"Konstancin-Jeziorna\" in the file, \"Konstancin-Jeziorn\" in the firm"}},
        {"another month", MonthChanged, {"MIESIAC is \"02\" in the file, \"01\" in the firm"}},
        {"another due date", DueDateChanged, {"TERMIN_ZAPLATY is \"2021-02-09T00:00:00\" in the file"}},
        {"another transaction text", TransactionChanged,
         {"000007D3-1117-0000-0017-000000000018 \"KOR 4\"", "TRANSAKCJA is \"KOR 4\" in the file, \"KOR 3\" in the firm"}},
    };
    const std::string golden = ReadFileBytes(Data("golden_expected.xml"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const VerifyOutcome o = Verify(c.edit(golden));
        ASSERT_EQ(o.status, VerifyStatus::Disagrees) << o.error;
        const std::string mismatches = Issues(o.reconciliation.mismatches);
        for (const std::string& said : c.said)
            EXPECT_NE(mismatches.find(said), std::string::npos) << "missing: " << said << "\nin:\n" << mismatches;
    }
}

TEST_F(GoldenReconcile, DocumentsOfAKindOutsideTheScopeAreMismatches)
{
    // Also past line 65535, where a line number no longer fits 16 bits: the
    // golden export with blank lines after its first two start tags.
    const std::string golden = ReadFileBytes(Data("golden_expected.xml"));
    for (const int blank : {0, 70000}) {
        SCOPED_TRACE(blank);
        std::string text = golden;
        for (const std::string tag : {"<KONTRAHENCI>\n", "<ROOT>\n"})
            text.insert(text.find(tag) + tag.size(), std::string(static_cast<std::size_t>(blank / 2), '\n'));
        const std::string path = dir_.file("export.xml");
        WriteFileBytes(path, text);
        VerifyRequest request;
        request.file = path;
        request.firm = firm_;
        request.from = "2021-01-01";
        request.to = "2021-01-31";
        request.scope = Scope{true, false};
        const VerifyOutcome o = VerifyExport(request);
        ASSERT_EQ(o.status, VerifyStatus::Disagrees);
        // Both corrections, and the contractor only a correction refers to.
        const std::string mismatches = Issues(o.reconciliation.mismatches);
        EXPECT_EQ(o.reconciliation.mismatches.size(), 3u) << mismatches;
        EXPECT_NE(mismatches.find("\"KOR 3\" (line " + std::to_string(601 + blank) +
                                  "): is not a document of the export: corrections are not in the scope of the check"),
                  std::string::npos)
            << mismatches;
        EXPECT_NE(mismatches.find("contractor \"Zofia Żółć-Gęślą\" (line " + std::to_string(90 + blank) +
                                  "): is none of the contractors"),
                  std::string::npos)
            << mismatches;
    }
}

TEST(TaxNumbers, OnlyTenDigitNumbersWithAWrongCheckDigitAreWarnedOfOnce)
{
    ExportFile file;
    // 1234563218: 6+10+21+8+15+24+15+12+7 = 118, 118 mod 11 = 8.
    // 0005000000: the sum 10 is no digit, so no tenth digit is right.
    for (const char* nip : {"1234563218", "1234563219", "0005000000", "0005000009", "123456321", "85010112345", "",
                            "1234563219"}) {
        FileContractor c;
        c.nip = nip;
        c.fullName1 = std::string("NIP ") + nip;
        file.contractors.push_back(c);
    }
    FileDocument d;
    d.registerId = "00000001-0000-0000-0000-000000000000";
    d.nip = "0005000000";
    file.documents.push_back(d);

    const std::string warnings = Issues(TaxNumberWarnings(file));
    EXPECT_EQ(TaxNumberWarnings(file).size(), 3u) << warnings;
    EXPECT_NE(warnings.find("tax number 1234563219 has a wrong check digit (also in 1 more place)"), std::string::npos)
        << warnings;
    EXPECT_NE(warnings.find("tax number 0005000000 has a wrong check digit (also in 1 more place)"), std::string::npos)
        << warnings;
    EXPECT_NE(warnings.find("tax number 0005000009 has a wrong check digit"), std::string::npos) << warnings;
}

// ---------------------------------------------------------------------------
// What the plug-in writes agrees with what the host reads from the firm.

struct Exported {
    std::string firm, file;
};

// Runs the plug-in's export over the firm in the folder; returns the file.
std::string ExportOver(const TestDir& dir, const std::string& firm, const OptionsInput& input)
{
    TestHost host(TestConfig(firm, dir.path(), "2022-01-15"));
    EXPECT_TRUE(host.started()) << host.error();
    EXPECT_TRUE(RunExportOver(MakeOptions(input)));
    return dir.file("qPX_2022-01-15.xml");
}

VerifyOutcome VerifyWith(const std::string& file, const std::string& firm, const OptionsInput& input, bool give)
{
    VerifyRequest request;
    request.file = file;
    request.firm = firm;
    if (give) {
        request.from = input.dateFrom.substr(0, 4) + "-" + input.dateFrom.substr(4, 2) + "-" + input.dateFrom.substr(6);
        request.to = input.dateTo.substr(0, 4) + "-" + input.dateTo.substr(4, 2) + "-" + input.dateTo.substr(6);
        request.scope = Scope{(input.scope & kScopePurchaseInvoices) != 0, (input.scope & kScopePurchaseCorrections) != 0};
    }
    return VerifyExport(request);
}

TEST(DemoFirmReconcile, ExportsOfDemoFirmsAgreeWithTheirFirms)
{
    const struct {
        unsigned seed;
        const char* from;
        const char* to;
        uint16_t scope;
        bool periodInFile; // the period is one month: verify may take it from the file
    } cases[] = {
        {1, "20210101", "20211231", kScopePurchaseInvoices | kScopePurchaseCorrections, false},
        {7, "20210101", "20211231", kScopePurchaseInvoices | kScopePurchaseCorrections, false},
        {42, "20210301", "20210331", kScopePurchaseInvoices | kScopePurchaseCorrections, true},
        {42, "20210601", "20210630", kScopePurchaseCorrections, true},
        {1234, "20210215", "20210910", kScopePurchaseInvoices, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.seed) + ", " + c.from + " to " + c.to);
        TestDir dir;
        const std::string firm = dir.file("demo.db");
        DemoFirmOptions demo;
        demo.documents = 300;
        demo.seed = c.seed;
        std::string error;
        ASSERT_TRUE(WriteDemoFirm(firm, demo, &error)) << error;
        OptionsInput input;
        input.dateFrom = c.from;
        input.dateTo = c.to;
        input.scope = c.scope;
        input.invoiceAccount = "202";
        input.invoiceRegister = "ZAKUP";
        input.correctionAccount = "202";
        input.correctionRegister = "KOREKTY";
        input.originPlace = "MPK-01";
        const std::string file = ExportOver(dir, firm, input);

        const VerifyOutcome given = VerifyWith(file, firm, input, true);
        ASSERT_EQ(given.status, VerifyStatus::Agrees) << Issues(given.reconciliation.mismatches);
        EXPECT_GT(given.reconciliation.expectedDocuments, 0);
        EXPECT_GT(given.reconciliation.expectedContractors, 0);
        if (c.periodInFile) {
            const VerifyOutcome inferred = VerifyWith(file, firm, input, false);
            EXPECT_EQ(inferred.status, VerifyStatus::Agrees) << Issues(inferred.reconciliation.mismatches);
        }
    }
}

TEST(EdgeTextReconcile, TextsAtTheirEdgesAgreeWithTheFirm)
{
    // Names cut between entities and beyond both parts, control characters,
    // addresses in every order, markers in upper case, a postal code at the
    // end and one blank before it, a document without dates and its payment days, amounts at a half
    // grosz, lines of one rate in several classes, more rate codes than the
    // positions have room for.
    std::string sql =
        "INSERT INTO settings_block VALUES (2, X'" + PurchaseKindNamesHex() + "'),"
        " (13, X'0100030003000100" + std::string(1072, '0') + "');\n"
        "INSERT INTO vat_rate VALUES (1, 23.0), (2, 8.0), (3, 5.0), (12, 0.4), (13, 100.6), (14, 12345.0),"
        " (15, -7.0), (16, 16.0), (17, 17.0);\n"
        "INSERT INTO contractor VALUES"
        " (1, 'A&B', '" + std::string(100, '"') + "', 'ul. Długa 5 00-950 Warszawa', 'PL 123-456-32-18'),"
        " (2, 'tab' || char(9), 'Ala' || char(1) || 'Ola & ' || '" + std::string(60, 'x') + "' || '<>', "
        "   'UL. Krótka' || char(9) || '7 80-831 Gdańsk', ''),"
        " (3, 'os', '" + std::string(68, 'y') + "&&&&', 'Os. Tysiąclecia 12 12-3456 40-871  Katowice  ', '1'),"
        " (4, 'end', 'Koniec', 'ul. Kwiatowa 5 00-950', '99'),"
        " (8, 'blank', 'Spacja', 'ul. Polna 1 00-950 ', ''),"
        " (5, 'c', 'Miasto', '00-950 Konstancin-Jeziorna Mirkowska 5', ''),"
        " (-6, 'p', 'Osoba', ' Zakopane ', '85010112345'),"
        " (7, '', '', '', '');\n"
        "INSERT INTO purchase_invoice (document_key, period_date, issue_date, receipt_date, id1, id2, contractor,"
        " transaction_text, nip, payment_days, amount, comment, entry_mode, deduction_setting) VALUES"
        " (1, '2021-05-03', '', '', 1, 2, 1, 'bez' || char(10) || 'dat <&>" + std::string(40 - 11, 'z') + "',"
        "   'PL12345678901', 30, 0.005, '" + std::string(60, 'k') + "', 0, 0),"
        " (2, '2021-05-04', '9999-12-01', '2021-05-04', 3, 4, 2, 'FV 2', '', 100, 0.015, '', 1, 0),"
        " (3, '2021-05-05', '2021-05-05', '2021-05-05', 5, 6, 3, 'FV 3', '', 0, -0.004, '', 0, 0),"
        " (4, '2021-05-06', '2021-05-06', '2021-05-06', 7, 8, 4, 'FV 4', '', 0, 1.0, '', 0, 0),"
        " (5, '2021-05-07', '2021-05-07', '2021-05-07', 9, 10, 5, 'FV 5', '', 0, 1.0, '', 0, 0),"
        " (6, '2021-05-08', '2021-05-08', '2021-05-08', 11, 12, -6, 'FV 6', '', 0, 1.0, '', 0, 0),"
        " (7, '2021-05-09', '2021-05-09', '2021-05-09', 13, 14, 7, 'FV 7', '', 0, 1.0, '', 0, 0),"
        " (8, '2021-05-10', '2021-05-10', '2021-05-10', 15, 16, 8, 'FV 8', '', 0, 1.0, '', 0, 0);\n";
    // Invoice 1: one rate in three classes, fixed assets in two of them,
    // half-grosz sums; invoice 2: eleven rate codes in one class and net
    // entry; invoice 3: rates the host reports oddly.
    sql += "INSERT INTO vat_line (document_kind, document_key, line_no, amount, rate_code, vat, purchase_kind,"
           " deduction_kind) VALUES"
           " ('invoice', 1, 1, 0.005, 1, 0.0, 0, 0), ('invoice', 1, 2, 0.005, 1, 0.0, 1, 0),"
           " ('invoice', 1, 3, 1.0050, 1, 0.0050, 0, 2), ('invoice', 1, 4, 2.015, 1, 0.015, 2, 3),"
           " ('invoice', 1, 5, 7.0, 41, 1.0, 0, 0), ('invoice', 1, 6, 3.0, 0, 0.0, 99, -3)";
    const int codes[] = {1, 2, 3, 4, 11, 12, 13, 14, 15, 16, 17};
    for (int i = 0; i < 11; ++i)
        sql += ", ('invoice', 2, " + std::to_string(i + 1) + ", 10.0, " + std::to_string(codes[i]) + ", 1.0, 0, 0)";
    sql += ", ('invoice', 3, 1, 1.0, 12, 0.0, 0, 0), ('invoice', 3, 2, 1.0, 13, 0.0, 0, 0),"
           " ('invoice', 3, 3, 1.0, 14, 0.0, 0, 0), ('invoice', 3, 4, 1.0, 15, 0.0, 0, 0);\n";

    TestDir dir;
    const std::string firm = dir.file("firm.db");
    ASSERT_EQ(CreateFirmDatabase(firm, sql), "");
    OptionsInput input;
    input.dateFrom = "20210501";
    input.dateTo = "20210531";
    input.invoiceRegister = "FZ";
    const std::string file = ExportOver(dir, firm, input);
    ASSERT_EQ(XmlLintErrors(file), "");

    // Every rate code has its position, the eleventh of invoice 2 too.
    const VerifyOutcome o = VerifyWith(file, firm, input, true);
    ASSERT_EQ(o.status, VerifyStatus::Agrees) << Issues(o.reconciliation.mismatches);
    EXPECT_EQ(o.reconciliation.expectedContractors, 8);
}

// Lines of the ignored rate codes have no position in the file, and the
// host's reading leaves them out too: one invoice per ignored code, each
// with a line of that code beside an ordinary one.
TEST(IgnoredRateReconcile, LinesOfEachIgnoredRateCodeAgreeWithTheFirm)
{
    const int ignored[] = {6, 7, 10, 19, 30, 31, 40};
    std::string sql = PurchaseKindsDefinedSql() + "INSERT INTO vat_rate VALUES (1, 23.0);\n";
    int key = 0;
    for (const int code : ignored) {
        ++key;
        sql += "INSERT INTO purchase_invoice (document_key, period_date, issue_date, receipt_date, transaction_text, "
               "amount) VALUES (" + std::to_string(key) + ", '2021-05-03', '2021-05-03', '2021-05-03', 'FV kod " +
               std::to_string(code) + "', 163.0);\n"
               "INSERT INTO vat_line (document_kind, document_key, line_no, amount, rate_code, vat) VALUES "
               "('invoice', " + std::to_string(key) + ", 1, 40.0, " + std::to_string(code) + ", 0.0), "
               "('invoice', " + std::to_string(key) + ", 2, 123.0, 1, 23.0);\n";
    }
    TestDir dir;
    const std::string firm = dir.file("firm.db");
    ASSERT_EQ(CreateFirmDatabase(firm, sql), "");
    OptionsInput input;
    input.dateFrom = "20210501";
    input.dateTo = "20210531";
    const std::string file = ExportOver(dir, firm, input);
    int positions = 0;
    for (const std::string& line : SplitLines(ReadFileBytes(file)))
        positions += line == "<POZYCJA>";
    EXPECT_EQ(positions, static_cast<int>(std::size(ignored))); // the ordinary lines alone

    const VerifyOutcome o = VerifyWith(file, firm, input, true);
    EXPECT_EQ(o.status, VerifyStatus::Agrees) << Issues(o.reconciliation.mismatches);
    EXPECT_EQ(o.reconciliation.expectedDocuments, static_cast<int>(std::size(ignored)));
}

} // namespace
