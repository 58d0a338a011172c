// The demo firm: firms the host accepts, the same firm for the same seed,
// every case the export has to meet, rows that agree with each other, and
// the export of a whole demo year.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/firm/demo/demo_firm.h"
#include "host/firm/firm_database.h"
#include "support/export_harness.h"
#include "support/test_files.h"

namespace {

// A written firm, read straight from SQLite.
class FirmReader {
public:
    explicit FirmReader(const std::string& path)
    {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
            ADD_FAILURE() << "cannot open " << path << ": " << sqlite3_errmsg(db_);
    }
    ~FirmReader() { sqlite3_close(db_); }
    FirmReader(const FirmReader&) = delete;
    FirmReader& operator=(const FirmReader&) = delete;

    // Every row, its columns joined by '|', with each value's type, so that
    // 1 and 1.0 and '1' differ; blobs in hex.
    std::vector<std::string> Rows(const std::string& sql) const
    {
        std::vector<std::string> rows;
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
            return rows;
        }
        while (sqlite3_step(s) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(s); ++i) {
                if (i > 0)
                    row += '|';
                switch (sqlite3_column_type(s, i)) {
                case SQLITE_INTEGER: row += "i:"; break;
                case SQLITE_FLOAT: row += "r:"; break;
                case SQLITE_TEXT: row += "t:"; break;
                case SQLITE_BLOB: row += "b:"; break;
                default: row += "n:"; break;
                }
                if (sqlite3_column_type(s, i) == SQLITE_BLOB) {
                    const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(s, i));
                    for (int k = 0; k < sqlite3_column_bytes(s, i); ++k) {
                        char hex[3];
                        std::snprintf(hex, sizeof hex, "%02X", bytes[k]);
                        row += hex;
                    }
                } else if (const unsigned char* text = sqlite3_column_text(s, i)) {
                    row.append(reinterpret_cast<const char*>(text),
                               static_cast<std::size_t>(sqlite3_column_bytes(s, i)));
                }
            }
            rows.push_back(row);
        }
        sqlite3_finalize(s);
        return rows;
    }

    // The first column of every row, as text.
    std::vector<std::string> Column(const std::string& sql) const
    {
        std::vector<std::string> values;
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
            return values;
        }
        while (sqlite3_step(s) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
            values.emplace_back(text != nullptr ? text : "");
        }
        sqlite3_finalize(s);
        return values;
    }

    int64_t Count(const std::string& sql) const
    {
        const auto values = Column(sql);
        return values.empty() ? -1 : std::stoll(values[0]);
    }

    std::string Blob(int block) const
    {
        std::string bytes;
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db_, "SELECT data FROM settings_block WHERE number = ?1", -1, &s, nullptr);
        sqlite3_bind_int(s, 1, block);
        if (sqlite3_step(s) == SQLITE_ROW)
            bytes.assign(static_cast<const char*>(sqlite3_column_blob(s, 0)),
                         static_cast<std::size_t>(sqlite3_column_bytes(s, 0)));
        sqlite3_finalize(s);
        return bytes;
    }

    sqlite3* db() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

// Both kinds of document with the columns they share; a correction's one
// date stands for all three.
const char kDocuments[] =
    "(SELECT 'invoice' AS kind, document_key, period_date, issue_date, receipt_date, contractor, amount,"
    " entry_mode, deduction_setting, other_deduction_date, payment_days, comment FROM purchase_invoice"
    " UNION ALL SELECT 'correction', document_key, document_date, document_date, document_date, contractor, amount,"
    " entry_mode, deduction_setting, other_deduction_date, payment_days, comment FROM purchase_correction)";

std::string Write(const TestDir& dir, const std::string& name, const DemoFirmOptions& options)
{
    const std::string path = dir.file(name);
    std::string error;
    EXPECT_TRUE(WriteDemoFirm(path, options, &error)) << error;
    EXPECT_EQ(error, "");
    return path;
}

DemoFirmOptions Options(int documents, unsigned seed, int year = 2021)
{
    DemoFirmOptions options;
    options.documents = documents;
    options.seed = seed;
    options.year = year;
    return options;
}

// The purchase-kind codes of block 13, by index.
std::vector<int16_t> PurchaseKindCodes(const FirmReader& firm)
{
    const std::string block = firm.Blob(13);
    std::vector<int16_t> codes(block.size() / 2);
    std::memcpy(codes.data(), block.data(), codes.size() * 2);
    return codes;
}

TEST(DemoFirm, HostAcceptsFirmsOfEverySizeAndYear)
{
    struct Case {
        int documents;
        unsigned seed;
        int year;
    };
    const Case cases[] = {
        {0, 1, 2021},
        {1, 2, 2021},
        {10, 3, 2021},
        {400, 4, 2021},
        {400, 5, 2024},             // leap year: 29 February is a period date like any other
        {400, 6, kDemoFirmMinYear}, // issue dates reach back into the year before
        {400, 7, kDemoFirmMaxYear},
        {25000, 8, 2021},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.documents << " documents, seed " << c.seed << ", year " << c.year);
        TestDir dir;
        const std::string path = Write(dir, "demo.db", Options(c.documents, c.seed, c.year));

        std::string error;
        EXPECT_TRUE(FirmDatabaseOpen(path, &error)) << error;
        FirmDatabaseClose();

        FirmReader firm(path);
        EXPECT_EQ(firm.Count(std::string("SELECT count(*) FROM ") + kDocuments), c.documents);
        const std::string year = std::to_string(c.year);
        EXPECT_EQ(firm.Count(std::string("SELECT count(*) FROM ") + kDocuments +
                             " WHERE period_date <> '' AND (period_date < '" + year + "-01-01' OR period_date > '" +
                             year + "-12-31')"),
                  0);
        EXPECT_GE(firm.Count("SELECT count(*) FROM contractor"), 40);
    }
}

TEST(DemoFirm, SameSeedGivesTheSameFirmAndAnotherSeedAnotherFirm)
{
    TestDir dir;
    const std::string first = Write(dir, "a.db", Options(1500, 42));
    const std::string again = Write(dir, "b.db", Options(1500, 42));
    const std::string other = Write(dir, "c.db", Options(1500, 43));
    FirmReader a(first), b(again), c(other);

    for (const char* table :
         {"contractor", "purchase_invoice", "purchase_correction", "vat_line", "vat_rate", "settings_block"}) {
        SCOPED_TRACE(table);
        const std::string sql = std::string("SELECT rowid, * FROM ") + table + " ORDER BY rowid";
        const auto rows = a.Rows(sql);
        EXPECT_FALSE(rows.empty());
        EXPECT_EQ(rows, b.Rows(sql));
    }
    EXPECT_EQ(a.Rows("PRAGMA user_version"), b.Rows("PRAGMA user_version"));
    for (const char* table : {"contractor", "purchase_invoice", "purchase_correction", "vat_line"}) {
        const std::string sql = std::string("SELECT * FROM ") + table + " ORDER BY rowid";
        EXPECT_NE(a.Rows(sql), c.Rows(sql)) << table;
    }
}

TEST(DemoFirm, RefusesAnExistingFileAndOptionsOutOfRange)
{
    TestDir dir;
    const std::string taken = dir.file("firm.db");
    WriteFileBytes(taken, "the user's own firm");
    std::string error;
    EXPECT_FALSE(WriteDemoFirm(taken, DemoFirmOptions{}, &error));
    EXPECT_NE(error.find(taken), std::string::npos) << error;
    EXPECT_NE(error.find("exists"), std::string::npos) << error;
    EXPECT_EQ(ReadFileBytes(taken), "the user's own firm");

    const struct {
        DemoFirmOptions options;
        const char* why;
    } refused[] = {
        {Options(-1, 1), "negative document count"},
        {Options(kDemoFirmMaxDocuments + 1, 1), "too many documents"},
        {Options(10, 1, kDemoFirmMinYear - 1), "year too early"},
        {Options(10, 1, kDemoFirmMaxYear + 1), "year too late"},
    };
    for (const auto& r : refused) {
        const std::string path = dir.file("new.db");
        error.clear();
        EXPECT_FALSE(WriteDemoFirm(path, r.options, &error)) << r.why;
        EXPECT_NE(error, "") << r.why;
        EXPECT_FALSE(FileExists(path)) << r.why;
    }

    error.clear();
    EXPECT_FALSE(WriteDemoFirm(dir.file("no-such-folder/demo.db"), DemoFirmOptions{}, &error));
    EXPECT_NE(error.find("no-such-folder/demo.db"), std::string::npos) << error;
    EXPECT_FALSE(WriteDemoFirm(taken, DemoFirmOptions{}, nullptr)); // the reason is optional
}

TEST(DemoFirm, ContractorsShowEveryAddressFormNameAndTaxNumber)
{
    const std::string code = "[0-9][0-9]-[0-9][0-9][0-9]";
    // LIKE ignores the case of ASCII letters, GLOB does not.
    const std::string noMarker = "address NOT LIKE '%ul.%' AND address NOT LIKE '%os.%'";
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"ul. street, postal code, city", "address GLOB 'ul. *" + code + " *'"},
        {"postal code, city, ul. street", "address GLOB '" + code + " * ul. *'"},
        {"os. estate, postal code, city", "address GLOB 'os. *" + code + " *'"},
        {"upper-case marker", "(address GLOB 'UL. *' OR address GLOB '* UL. *' OR address GLOB '* OS. *')"},
        {"street without marker, postal code, city", noMarker + " AND address GLOB '?*" + code + " *'"},
        {"postal code and city alone", noMarker + " AND address GLOB '" + code + " *' AND length(address) <= 25"},
        {"city alone", "address NOT GLOB '*[0-9]*' AND address <> ''"},
        {"full name over 70 characters", "length(full_name) > 70"},
        {"full name with &", "full_name LIKE '%&%'"},
        {"full name with a quote", "full_name LIKE '%\"%'"},
        {"Sp. z o.o.", "number > 0 AND full_name LIKE '% Sp. z o.o.'"},
        {"S.A.", "number > 0 AND full_name LIKE '% S.A.'"},
        {"Sp. j.", "number > 0 AND full_name LIKE '% Sp. j.'"},
        {"P.P.H.U.", "number > 0 AND full_name LIKE 'P.P.H.U. %'"},
        {"NIP PL 123-456-78-90", "number > 0 AND nip GLOB 'PL [0-9][0-9][0-9]-[0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'"},
        {"NIP of ten digits", "number > 0 AND nip GLOB '" + std::string(10, '#') + "'"},
        {"NIP 123-45-67-890", "number > 0 AND nip GLOB '[0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]-[0-9][0-9][0-9]'"},
        {"natural person with a PESEL", "number < 0 AND nip GLOB '" + std::string(11, '#') + "'"},
        {"natural person without NIP", "number < 0 AND nip = ''"},
    };
    // The smallest firm has its cases by construction; a large one puts the
    // rules about every address to the test over many contractors.
    for (const auto& [documents, seed] : {std::pair{10, 1u}, {10, 2u}, {20000, 3u}}) {
        TestDir dir;
        FirmReader firm(Write(dir, "demo.db", Options(documents, seed)));
        for (const auto& [what, where] : cases) {
            std::string sql = "SELECT count(*) FROM contractor WHERE " + where;
            for (std::size_t p; (p = sql.find('#')) != std::string::npos;)
                sql.replace(p, 1, "[0-9]");
            EXPECT_GT(firm.Count(sql), 0) << "seed " << seed << ": no contractor with " << what;
        }
        // Polish letters in the names of natural persons.
        bool polish = false;
        for (const std::string& name : firm.Column("SELECT full_name FROM contractor WHERE number < 0"))
            for (const char ch : name)
                polish = polish || static_cast<unsigned char>(ch) >= 0x80;
        EXPECT_TRUE(polish) << "seed " << seed;
        // Every address has exactly one form the split reads: a postal code
        // at most once, a street marker at most once, and a postal code
        // first without a marker only where the city ends by position 25,
        // where the split ends it.
        EXPECT_EQ(firm.Count("SELECT count(*) FROM contractor WHERE " + noMarker + " AND address GLOB '" + code +
                             " *' AND length(address) > 25"),
                  0);
        EXPECT_EQ(firm.Count("SELECT count(*) FROM contractor WHERE address GLOB '*" + code + "*" + code + "*'"), 0);
        // A name with entities ends, escaped, within the first name element,
        // so that no cut between the two elements falls inside an entity.
        EXPECT_EQ(firm.Count("SELECT count(*) FROM contractor WHERE (full_name LIKE '%&%' OR full_name LIKE '%\"%')"
                             " AND length(replace(replace(full_name, '&', '&amp;'), '\"', '&quot;')) > 70"),
                  0);
        EXPECT_EQ(
            firm.Count("SELECT count(*) FROM contractor WHERE address LIKE '%ul.%ul.%' OR address LIKE '%os.%os.%'"
                       " OR (address LIKE '%ul.%' AND address LIKE '%os.%')"),
            0);
    }
}

TEST(DemoFirm, DocumentsShowEveryVatClassRateCodeAndSkippedDocument)
{
    const std::vector<std::pair<const char*, std::string>> documentCases = {
        {"invoice in gross amounts", "kind = 'invoice' AND entry_mode & 1 = 0 AND document_key <> 0"},
        {"invoice in net amounts", "kind = 'invoice' AND entry_mode & 1 = 1 AND document_key <> 0"},
        {"correction in gross amounts", "kind = 'correction' AND entry_mode & 1 = 0 AND document_key <> 0"},
        {"correction in net amounts", "kind = 'correction' AND entry_mode & 1 = 1 AND document_key <> 0"},
        {"deduction setting 2", "deduction_setting = 2 AND document_key <> 0 AND period_date <> ''"},
        {"other deduction date", "other_deduction_date <> 0 AND document_key <> 0 AND period_date <> ''"},
        {"invoice without key", "kind = 'invoice' AND document_key = 0"},
        {"invoice without period date", "kind = 'invoice' AND period_date = '' AND document_key <> 0"},
        {"correction without key", "kind = 'correction' AND document_key = 0"},
        {"correction without date", "kind = 'correction' AND period_date = '' AND document_key <> 0"},
        {"exported document without lines",
         "document_key <> 0 AND period_date <> '' AND NOT EXISTS (SELECT 1 FROM vat_line l"
         " WHERE l.document_kind = kind AND l.document_key = d.document_key)"},
    };
    const std::set<std::string> wantedCodes = {"1", "2", "3", "4", "5", "6", "8", "9", "11", "19", "39", "41"};
    const std::set<std::string> wantedClasses = {"B ordinary", "B fixed",    "N ordinary",
                                                 "N fixed",    "W ordinary", "W fixed"};

    for (const int documents : {10, 400}) {
        for (const unsigned seed : {1u, 9u}) {
            SCOPED_TRACE(testing::Message() << documents << " documents, seed " << seed);
            TestDir dir;
            FirmReader firm(Write(dir, "demo.db", Options(documents, seed)));

            for (const auto& [what, where] : documentCases)
                EXPECT_GT(firm.Count(std::string("SELECT count(*) FROM ") + kDocuments + " d WHERE " + where), 0)
                    << "no " << what;

            const auto codes = firm.Column("SELECT DISTINCT rate_code FROM vat_line WHERE in_use <> 0");
            for (const std::string& code : wantedCodes)
                EXPECT_EQ(std::count(codes.begin(), codes.end(), code), 1) << "no line in use with rate code " << code;
            EXPECT_GT(firm.Count("SELECT count(*) FROM vat_line WHERE in_use = 0"), 0);
            EXPECT_EQ(firm.Count("SELECT count(*) FROM vat_line WHERE rate_code NOT IN (SELECT code FROM vat_rate)"),
                      0);

            // The class of a line as the export sorts it: not deductible by
            // the document's setting, the line's deduction kind or a zw/np
            // rate; else by deduction kind; fixed assets by the code of the
            // line's purchase kind.
            const std::vector<int16_t> kindCodes = PurchaseKindCodes(firm);
            std::set<std::string> classes;
            for (const std::string& row : firm.Rows(
                     std::string("SELECT CASE WHEN d.deduction_setting >= 2 OR l.deduction_kind = 2"
                                 " OR l.rate_code IN (5, 9) THEN 'N' WHEN l.deduction_kind > 1 THEN 'W' ELSE 'B' END,"
                                 " l.purchase_kind FROM vat_line l JOIN ") +
                     kDocuments +
                     " d ON d.kind = l.document_kind AND d.document_key = l.document_key"
                     " WHERE l.in_use <> 0 AND l.rate_code NOT IN (6, 7, 10, 19, 30, 31, 40)"
                     " AND d.document_key <> 0 AND d.period_date <> ''")) {
                const std::size_t bar = row.find('|');
                const int kind = std::stoi(row.substr(bar + 3));
                ASSERT_GE(kind, 0);
                ASSERT_LT(kind, 90);
                classes.insert(row.substr(2, 1) +
                               (kindCodes[static_cast<std::size_t>(kind)] == 3 ? " fixed" : " ordinary"));
            }
            EXPECT_EQ(classes, wantedClasses);
        }
    }
}

TEST(DemoFirm, SettingsDefineThePurchaseKindsWithFixedAssets)
{
    TestDir dir;
    FirmReader firm(Write(dir, "demo.db", Options(10, 1)));

    const std::string names = firm.Blob(2);
    ASSERT_EQ(names.size(), 990u);
    EXPECT_EQ(std::memcmp(names.data(), "9876543210\0", 11), 0);
    int named = 0;
    for (std::size_t entry = 0; entry < 90; ++entry) {
        const std::string name = names.substr(entry * 11, 11);
        const std::size_t end = name.find('\0');
        ASSERT_NE(end, std::string::npos) << "entry " << entry << " has no room for its end";
        for (std::size_t i = 0; i < end; ++i)
            EXPECT_TRUE(name[i] >= 0x20 && name[i] < 0x7F) << "entry " << entry;
        named += entry > 0 && end > 0;
    }
    EXPECT_GT(named, 1);

    const std::string block = firm.Blob(13);
    ASSERT_EQ(block.size(), 544u);
    const std::vector<int16_t> codes = PurchaseKindCodes(firm);
    for (std::size_t i = 0; i < 90; ++i) {
        EXPECT_GE(codes[i], 1) << "kind " << i;
        EXPECT_LE(codes[i], 9) << "kind " << i;
    }
    EXPECT_NE(std::count(codes.begin(), codes.begin() + 90, 3), 0);
    // Lines only name kinds that have a name.
    EXPECT_EQ(
        firm.Count("SELECT count(*) FROM vat_line WHERE purchase_kind < 1 OR purchase_kind > " + std::to_string(named)),
        0);
}

TEST(DemoFirm, RowsAgreeWithEachOther)
{
    TestDir dir;
    FirmReader firm(Write(dir, "demo.db", Options(3000, 5)));
    const std::string docs = kDocuments;

    // Lines: whole grosze, and VAT = net × rate rounded to the grosz, the net
    // being the amount less VAT where amounts include it.
    std::map<std::string, double> percents;
    for (const std::string& row : firm.Rows("SELECT code, percent FROM vat_rate")) {
        const std::size_t bar = row.find('|');
        percents[row.substr(2, bar - 2)] = std::stod(row.substr(bar + 3));
    }
    const std::string sql = "SELECT l.amount, l.vat, l.rate_code, d.entry_mode & 1, l.document_key FROM vat_line l"
                            " JOIN " + docs + " d ON d.kind = l.document_kind AND d.document_key = l.document_key";
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(firm.db(), sql.c_str(), -1, &s, nullptr), SQLITE_OK);
    int lines = 0, wrong = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
        ++lines;
        const double amount = sqlite3_column_double(s, 0), vat = sqlite3_column_double(s, 1);
        const long long amountGrosze = std::llround(amount * 100), vatGrosze = std::llround(vat * 100);
        const long long net = sqlite3_column_int(s, 3) ? amountGrosze : amountGrosze - vatGrosze;
        const double percent = percents[std::to_string(sqlite3_column_int(s, 2))];
        const bool sound = std::fabs(amount * 100 - static_cast<double>(amountGrosze)) < 1e-6 &&
            std::fabs(vat * 100 - static_cast<double>(vatGrosze)) < 1e-6 &&
            vatGrosze == std::llround(static_cast<double>(net) * percent / 100.0);
        if (!sound && ++wrong <= 5)
            ADD_FAILURE() << "document " << sqlite3_column_int(s, 4) << ": amount " << amount << ", VAT " << vat
                          << " at " << percent << "%";
    }
    sqlite3_finalize(s);
    EXPECT_EQ(lines, firm.Count("SELECT count(*) FROM vat_line")) << "lines without their document";
    EXPECT_EQ(wrong, 0);

    // A document's amount is the gross sum of its lines in use.
    EXPECT_EQ(firm.Count("SELECT count(*) FROM " + docs +
                         " d JOIN (SELECT document_kind, document_key,"
                         " sum(CASE WHEN in_use = 0 THEN 0 ELSE round(amount * 100) END) AS lines,"
                         " sum(CASE WHEN in_use = 0 THEN 0 ELSE round(vat * 100) END) AS vat FROM vat_line"
                         " GROUP BY document_kind, document_key) l"
                         " ON l.document_kind = d.kind AND l.document_key = d.document_key"
                         " WHERE round(d.amount * 100) <> l.lines + CASE WHEN d.entry_mode & 1 THEN l.vat ELSE 0 END"),
              0);

    // Keys unique over both kinds; contractors that exist; dates in order.
    EXPECT_EQ(firm.Count("SELECT count(*) FROM (SELECT document_key FROM " + docs +
                         " WHERE document_key <> 0 GROUP BY document_key HAVING count(*) > 1)"),
              0);
    EXPECT_EQ(firm.Count("SELECT count(*) FROM " + docs + " WHERE contractor NOT IN (SELECT number FROM contractor)"),
              0);
    EXPECT_EQ(firm.Count("SELECT count(*) FROM " + docs +
                         " WHERE period_date <> '' AND NOT (issue_date <= receipt_date AND receipt_date <= period_date"
                         " AND julianday(period_date) - julianday(issue_date) <= 31)"),
              0);

    EXPECT_EQ(
        firm.Column("SELECT DISTINCT substr(period_date, 6, 2) FROM " + docs + " WHERE period_date <> '' ORDER BY 1"),
        (std::vector<std::string>{"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12"}));
    EXPECT_EQ(firm.Column("SELECT DISTINCT payment_days FROM " + docs + " ORDER BY 1"),
              (std::vector<std::string>{"0", "7", "14", "30", "60"}));
    EXPECT_GT(firm.Count("SELECT count(*) FROM " + docs + " WHERE comment = ''"), 0);
    bool polishComment = false;
    for (const std::string& comment : firm.Column("SELECT DISTINCT comment FROM " + docs))
        for (const char ch : comment)
            polishComment = polishComment || static_cast<unsigned char>(ch) >= 0x80;
    EXPECT_TRUE(polishComment);
}

// The value of a one-line element "<TAG>value</TAG>", or nothing.
bool ElementValue(const std::string& line, const std::string& tag, std::string* value)
{
    const std::string open = "<" + tag + ">", close = "</" + tag + ">";
    if (line.size() < open.size() + close.size() || line.compare(0, open.size(), open) != 0 ||
        line.compare(line.size() - close.size(), close.size(), close) != 0)
        return false;
    *value = line.substr(open.size(), line.size() - open.size() - close.size());
    return true;
}

std::string Unescape(std::string text)
{
    static const std::pair<const char*, const char*> kEntities[] = {{"&lt;", "<"},
                                                                    {"&gt;", ">"},
                                                                    {"&apos;", "'"},
                                                                    {"&quot;", "\""},
                                                                    {"&amp;", "&"}};
    for (const auto& [entity, character] : kEntities)
        for (std::size_t p; (p = text.find(entity)) != std::string::npos;)
            text.replace(p, std::strlen(entity), character);
    return text;
}

TEST(DemoFirm, ExportOfTheYearHoldsEveryDocumentInRangeAndItsContractors)
{
    TestDir dir;
    const std::string path = Write(dir, "demo.db", Options(600, 3));
    const std::string inRange = "document_key <> 0 AND period_date BETWEEN '2021-01-01' AND '2021-12-31'";
    int64_t invoices = 0, corrections = 0, contractors = 0;
    std::set<std::string> fullNames, addresses;
    {
        FirmReader firm(path);
        invoices =
            firm.Count(std::string("SELECT count(*) FROM ") + kDocuments + " WHERE kind = 'invoice' AND " + inRange);
        corrections =
            firm.Count(std::string("SELECT count(*) FROM ") + kDocuments + " WHERE kind = 'correction' AND " + inRange);
        contractors =
            firm.Count(std::string("SELECT count(DISTINCT contractor) FROM ") + kDocuments + " WHERE " + inRange);
        for (const std::string& name : firm.Column("SELECT full_name FROM contractor"))
            fullNames.insert(name);
        for (const std::string& address : firm.Column("SELECT address FROM contractor"))
            addresses.insert(address);
    }
    ASSERT_GT(invoices, 0);
    ASSERT_GT(corrections, 0);

    TestHost host(TestConfig(path, dir.path(), "2022-01-15"));
    ASSERT_TRUE(host.started()) << host.error();
    OptionsInput input;
    input.dateFrom = "20210101";
    input.dateTo = "20211231";
    input.scope = kScopePurchaseInvoices | kScopePurchaseCorrections;
    input.invoiceRegister = "FZ";
    input.correctionRegister = "KZ";
    EXPECT_EQ(RunExportOver(MakeOptions(input)), 1);

    const std::string output = dir.file("qPX_2022-01-15.xml");
    ASSERT_TRUE(FileExists(output));
    EXPECT_EQ(XmlLintErrors(output), "");

    std::map<std::string, int> counts;
    int splitNames = 0;
    std::string name1, name2, street, postalCode, city, value;
    for (const std::string& line : SplitLines(ReadFileBytes(output))) {
        ++counts[line];
        if (ElementValue(line, "NAZWA_PELNA_1", &value))
            name1 = value;
        else if (ElementValue(line, "NAZWA_PELNA_2", &value))
            name2 = value;
        else if (ElementValue(line, "KOD_POCZTOWY", &value))
            postalCode = value;
        else if (ElementValue(line, "MIASTO", &value))
            city = Unescape(value);
        else if (ElementValue(line, "ADRES_1", &value))
            street = Unescape(value);
        else if (line == "</KONTRAHENT>") {
            // The name comes back whole from its two parts, the address from
            // its three, in one of the two orders the split reads.
            splitNames += !name2.empty();
            EXPECT_EQ(fullNames.count(Unescape(name1 + name2)), 1u) << name1 << " + " << name2;
            std::string codeCity = postalCode.empty() ? city : postalCode + " " + city;
            const bool known = street.empty()
                ? addresses.count(codeCity) == 1
                : addresses.count(street + " " + codeCity) == 1 || addresses.count(codeCity + " " + street) == 1;
            EXPECT_TRUE(known) << "street '" << street << "', postal code '" << postalCode << "', city '" << city
                               << "'";
            EXPECT_NE(city, "");
        }
    }
    EXPECT_EQ(counts["<REJESTR>"], invoices + corrections);
    EXPECT_EQ(counts["<WYROZNIK_FAKTURA>T</WYROZNIK_FAKTURA>"], invoices);
    EXPECT_EQ(counts["<WYROZNIK_KOREKTA>T</WYROZNIK_KOREKTA>"], corrections);
    EXPECT_EQ(counts["<KONTRAHENT>"], contractors);
    EXPECT_GT(splitNames, 0);
    for (const char* line : {"<WYROZNIK>B</WYROZNIK>", "<WYROZNIK>N</WYROZNIK>", "<WYROZNIK>W</WYROZNIK>",
                             "<SRODKI_TRWALE>T</SRODKI_TRWALE>", "<VAT_ROZLICZA_NABYWCA>T</VAT_ROZLICZA_NABYWCA>",
                             "<SYMBOL_ST_VAT>6.5%</SYMBOL_ST_VAT>", "<SYMBOL_ST_VAT>zw</SYMBOL_ST_VAT>",
                             "<ODLICZENIE_VAT>INNY</ODLICZENIE_VAT>"})
        EXPECT_GT(counts[line], 0) << line;
}

} // namespace
