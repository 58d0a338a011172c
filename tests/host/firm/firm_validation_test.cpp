// Opening a firm database: what passes, and how every kind of offence is
// refused and reported.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "host/firm/firm_database.h"
#include "host/host_entry_impl.h"
#include "contract/host_records.h"
#include "support/test_files.h"
#include "support/test_firm.h"

namespace {

// Rows at the very edges of every rule, Polish texts filling their rooms
// (rooms count characters, not UTF-8 bytes), other tables and columns.
TEST(FirmValidation, AcceptsValuesAtTheEdgesOfEveryRule)
{
    TestFirm firm(R"sql(
        ALTER TABLE contractor ADD COLUMN notes TEXT;
        CREATE TABLE something_else (x);
        INSERT INTO something_else VALUES ('€ anything goes here');
        INSERT INTO contractor VALUES
          (2147483647, 'ŻÓŁĆĄĘŚŃŹżółćąęś', 'Przedsiębiorstwo Handlowo-Usługowe', 'ul. Źródlana 5 00-950 Łódź',
           'PL 521-000-11-22', '€'),
          (-2147483648, '', '', '', '', NULL);
        INSERT INTO purchase_invoice VALUES
          (-2147483648, '2024-02-29', '2000-02-29', '', 4294967295, 0, 2147483647,
           'ąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąą', '1234567890123', 65535, -900719925474.0992,
           'óóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóóó', 255, 65535, -32768),
          (2147483647, '9999-12-31', '0001-01-01', '2021-12-31', 0, 0, -2147483648, '', '', 0, 5, '', 0, 0, 32767);
        INSERT INTO purchase_correction VALUES
          (1, '', 0, 4294967295, 66000, '', '123456789012345', 0, 0.5, '', 0, 0, 0),
          (2, '', 0, 0, -66000, '', '', 0, 900719925474, '', 0, 0, 0);
        INSERT INTO vat_line VALUES
          ('invoice', 1, -9000000000, 0, 1.5, -32768, 900719925474.0992, 32767, -32768),
          ('correction', 1, 9000000000, -2147483648, -900719925474, 32767, 0, -32768, 32767);
        INSERT INTO vat_rate VALUES (-32768, 0), (32767, 23);
        INSERT INTO settings_block VALUES (2, X''), (-2147483648, X'00');
        INSERT INTO purchase_invoice(rowid, document_key) VALUES
          (-9223372036854775808, 3), (0, 4), (2147483648, 5), (9223372036854775807, 6);
        INSERT INTO purchase_correction(rowid, document_key) VALUES (-1, 3), (9223372036854775807, 4);
    )sql");
    EXPECT_TRUE(firm.opened()) << firm.error();
}

struct BadRow {
    const char* sql;
    const char* where; // "table T, rowid R, column C: "
    const char* rule;  // a piece of the broken rule
};

const BadRow kBadRows[] = {
    // Rows at any rowid are documents the scans read, so they are checked
    // like every other row and named by their rowid.
    {"INSERT INTO purchase_invoice(rowid, document_key, id1) VALUES (-9223372036854775808, 1, -1)",
     "table purchase_invoice, rowid -9223372036854775808, column id1: ", "must be in 0..4294967295, is -1"},
    {"INSERT INTO purchase_correction(rowid, document_key, payment_days) VALUES (0, 1, 65536)",
     "table purchase_correction, rowid 0, column payment_days: ", "must be in 0..65535"},
    {"INSERT INTO purchase_invoice(rowid, document_key, nip) VALUES (9223372036854775807, 1, '12345678901234')",
     "table purchase_invoice, rowid 9223372036854775807, column nip: ", "room is 13"},
    // Integer ranges.
    {"INSERT INTO contractor(number) VALUES (0)", "table contractor, rowid 0, column number: ", "must not be 0"},
    {"INSERT INTO contractor(number) VALUES (2147483648)", "table contractor, rowid 2147483648, column number: ",
     "must be in -2147483648..2147483647, is 2147483648"},
    {"INSERT INTO purchase_invoice(rowid, document_key) VALUES (7, -2147483649)",
     "table purchase_invoice, rowid 7, column document_key: ", "must be in -2147483648..2147483647"},
    {"INSERT INTO purchase_invoice(rowid, document_key, id1) VALUES (7, 1, -1)",
     "table purchase_invoice, rowid 7, column id1: ", "must be in 0..4294967295, is -1"},
    {"INSERT INTO purchase_correction(rowid, document_key, id2) VALUES (7, 1, 4294967296)",
     "table purchase_correction, rowid 7, column id2: ", "must be in 0..4294967295"},
    {"INSERT INTO purchase_invoice(rowid, document_key, payment_days) VALUES (7, 1, 65536)",
     "table purchase_invoice, rowid 7, column payment_days: ", "must be in 0..65535"},
    {"INSERT INTO purchase_invoice(rowid, document_key, other_deduction_date) VALUES (7, 1, 256)",
     "table purchase_invoice, rowid 7, column other_deduction_date: ", "must be in 0..255"},
    {"INSERT INTO purchase_correction(rowid, document_key, entry_mode) VALUES (7, 1, -1)",
     "table purchase_correction, rowid 7, column entry_mode: ", "must be in 0..65535"},
    {"INSERT INTO purchase_invoice(rowid, document_key, deduction_setting) VALUES (7, 1, 32768)",
     "table purchase_invoice, rowid 7, column deduction_setting: ", "must be in -32768..32767"},
    {"INSERT INTO vat_line(rowid, document_kind, document_key, line_no, rate_code) VALUES (4, 'invoice', 1, 1, -32769)",
     "table vat_line, rowid 4, column rate_code: ", "must be in -32768..32767"},
    {"INSERT INTO vat_line(rowid, document_kind, document_key, line_no, rate_code, purchase_kind)"
     " VALUES (4, 'invoice', 1, 1, 1, 40000)",
     "table vat_line, rowid 4, column purchase_kind: ", "must be in -32768..32767"},
    {"INSERT INTO vat_rate VALUES (32768, 5)", "table vat_rate, rowid 32768, column code: ",
     "must be in -32768..32767"},
    {"INSERT INTO settings_block VALUES (2147483648, X'00')", "table settings_block, rowid 2147483648, column number: ",
     "must be in -2147483648..2147483647"},
    // Storage types: nothing is converted to make it fit.
    {"INSERT INTO purchase_invoice(rowid, document_key, contractor) VALUES (7, 1, 1.5)",
     "table purchase_invoice, rowid 7, column contractor: ", "must be an integer, holds the real number 1.5"},
    {"INSERT INTO vat_line(rowid, document_kind, document_key, line_no, rate_code, in_use)"
     " VALUES (4, 'invoice', 1, 1, 1, 'yes')",
     "table vat_line, rowid 4, column in_use: ", "must be an integer, holds the text 'yes'"},
    {"INSERT INTO purchase_invoice(rowid, document_key, amount) VALUES (7, 1, '12,50')",
     "table purchase_invoice, rowid 7, column amount: ", "must be a number, holds the text '12,50'"},
    {"INSERT INTO purchase_correction(rowid, document_key, amount) VALUES (7, 1, 1e999)",
     "table purchase_correction, rowid 7, column amount: ", "must be a finite number"},
    {"INSERT INTO vat_rate VALUES (5, 'x')", "table vat_rate, rowid 5, column percent: ", "must be a number"},
    // Amounts beyond 2^53 host units would be read as 0 or sum to infinity.
    {"INSERT INTO purchase_invoice(rowid, document_key, amount) VALUES (7, 1, 1.8e304)",
     "table purchase_invoice, rowid 7, column amount: ",
     "must lie within -900719925474.0992..900719925474.0992 (2^53 units of 1/10000), holds the real number 1.8e+304"},
    {"INSERT INTO purchase_correction(rowid, document_key, amount) VALUES (7, 1, -900719925475)",
     "table purchase_correction, rowid 7, column amount: ", "holds the real number -900719925475"},
    {"INSERT INTO vat_line(rowid, document_kind, document_key, line_no, rate_code, amount)"
     " VALUES (4, 'invoice', 1, 1, 1, 900719925474.1)",
     "table vat_line, rowid 4, column amount: ", "holds the real number 900719925474.1"},
    {"INSERT INTO vat_line(rowid, document_kind, document_key, line_no, rate_code, vat)"
     " VALUES (4, 'invoice', 1, 1, 1, -1e999)",
     "table vat_line, rowid 4, column vat: ", "must be a finite number, holds the real number -inf"},
    // A rate is no amount: only finite.
    {"INSERT INTO vat_rate VALUES (5, 1e999)", "table vat_rate, rowid 5, column percent: ", "must be a finite number"},
    {"DROP TABLE vat_rate; CREATE TABLE vat_rate (code INTEGER PRIMARY KEY, percent REAL);"
     " INSERT INTO vat_rate VALUES (5, NULL)",
     "table vat_rate, rowid 5, column percent: ", "must be a number, holds NULL"},
    {"INSERT INTO purchase_invoice(rowid, document_key, comment) VALUES (7, 1, X'41')",
     "table purchase_invoice, rowid 7, column comment: ", "must be text, holds a blob of 1 bytes"},
    {"INSERT INTO settings_block VALUES (13, 'codes')", "table settings_block, rowid 13, column data: ",
     "must be a blob, holds the text 'codes'"},
    {"PRAGMA ignore_check_constraints = ON;"
     " INSERT INTO vat_line(rowid, document_kind, document_key, line_no, rate_code) VALUES (4, 'Invoice', 1, 1, 1)",
     "table vat_line, rowid 4, column document_kind: ", "must be 'invoice' or 'correction', is 'Invoice'"},
    // Dates: real calendar days or empty.
    {"INSERT INTO purchase_invoice(rowid, document_key, period_date) VALUES (7, 1, '2021-02-29')",
     "table purchase_invoice, rowid 7, column period_date: ", "must be a calendar date YYYY-MM-DD or empty"},
    {"INSERT INTO purchase_invoice(rowid, document_key, issue_date) VALUES (7, 1, '2021-2-03')",
     "table purchase_invoice, rowid 7, column issue_date: ", "is '2021-2-03'"},
    // A number in a text column is stored as its text.
    {"INSERT INTO purchase_invoice(rowid, document_key, receipt_date) VALUES (7, 1, 20210203)",
     "table purchase_invoice, rowid 7, column receipt_date: ", "calendar date YYYY-MM-DD or empty, is '20210203'"},
    {"INSERT INTO purchase_invoice(rowid, document_key, receipt_date) VALUES (7, 1, X'3230')",
     "table purchase_invoice, rowid 7, column receipt_date: ", "must be a date text, holds a blob of 2 bytes"},
    {"INSERT INTO purchase_correction(rowid, document_key, document_date) VALUES (7, 1, '2100-02-29')",
     "table purchase_correction, rowid 7, column document_date: ", "calendar date"},
    {"INSERT INTO purchase_correction(rowid, document_key, document_date) VALUES (7, 1, '2021-04-31')",
     "table purchase_correction, rowid 7, column document_date: ", "calendar date"},
    {"INSERT INTO purchase_correction(rowid, document_key, document_date) VALUES (7, 1, '0000-01-01')",
     "table purchase_correction, rowid 7, column document_date: ", "calendar date"},
    {"INSERT INTO purchase_correction(rowid, document_key, document_date) VALUES (7, 1, '2021-01-01 ')",
     "table purchase_correction, rowid 7, column document_date: ", "calendar date"},
    // Text rooms count Mazovia characters.
    {"INSERT INTO contractor(number, short_name) VALUES (-3, 'ŻÓŁĆĄĘŚŃŹżółćąęśń')",
     "table contractor, rowid -3, column short_name: ", "has 17 characters, room is 16"},
    {"INSERT INTO purchase_invoice(rowid, document_key, nip) VALUES (7, 1, '12345678901234')",
     "table purchase_invoice, rowid 7, column nip: ", "has 14 characters, room is 13"},
    {"INSERT INTO purchase_correction(rowid, document_key, nip) VALUES (7, 1, '1234567890123456')",
     "table purchase_correction, rowid 7, column nip: ", "has 16 characters, room is 15"},
    {"INSERT INTO purchase_invoice(rowid, document_key, transaction_text)"
     " VALUES (7, 1, 'ąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąąą')",
     "table purchase_invoice, rowid 7, column transaction_text: ", "has 41 characters, room is 40"},
    {"INSERT INTO contractor(number, address) VALUES (9, printf('%.51c', 'x'))",
     "table contractor, rowid 9, column address: ", "has 51 characters, room is 50"},
    // Characters Mazovia cannot hold.
    {"INSERT INTO contractor(number, full_name) VALUES (9, 'Cena 5 €')",
     "table contractor, rowid 9, column full_name: ", "holds U+20AC, which Mazovia lacks"},
    {"INSERT INTO contractor(number, nip) VALUES (9, 'PL' || char(0) || '1')",
     "table contractor, rowid 9, column nip: ", "holds a NUL character"},
    {"INSERT INTO purchase_correction(rowid, document_key, comment) VALUES (7, 1, CAST(X'41C3' AS TEXT))",
     "table purchase_correction, rowid 7, column comment: ", "not valid UTF-8"},
};

// Each firm breaks one rule once: the message is that one line, naming the
// table, the rowid, the column and the rule.
TEST(FirmValidation, RefusesABadRowNamingTableRowColumnAndRule)
{
    for (const BadRow& bad : kBadRows) {
        SCOPED_TRACE(bad.sql);
        TestFirm firm(bad.sql);
        const std::vector<std::string> lines = SplitLines(firm.error());
        if (firm.opened() || lines.size() != 1) {
            ADD_FAILURE() << "expected one offence, got: " << firm.error();
            continue;
        }
        EXPECT_EQ(lines[0].rfind(bad.where, 0), 0u) << lines[0];
        EXPECT_NE(lines[0].find(bad.rule), std::string::npos) << lines[0];
    }
}

TEST(FirmValidation, ListsEveryOffenceInTableAndRowOrder)
{
    TestFirm firm(R"sql(
        INSERT INTO purchase_invoice(rowid, document_key, nip) VALUES (9, 1, '12345678901234');
        INSERT INTO purchase_invoice(rowid, document_key, period_date, payment_days) VALUES (3, 1, '2021-04-31', -1);
        INSERT INTO purchase_invoice(rowid, document_key) VALUES (5, 1);
        INSERT INTO contractor(number, short_name) VALUES (-4, 'ŻÓŁĆĄĘŚŃŹżółćąęśń');
    )sql");
    ASSERT_FALSE(firm.opened());
    EXPECT_EQ(firm.error(),
              "table contractor, rowid -4, column short_name: has 17 characters, room is 16\n"
              "table purchase_invoice, rowid 3, column period_date: must be a calendar date YYYY-MM-DD or empty,"
              " is '2021-04-31'\n"
              "table purchase_invoice, rowid 3, column payment_days: must be in 0..65535, is -1\n"
              "table purchase_invoice, rowid 9, column nip: has 14 characters, room is 13");
}

TEST(FirmValidation, CapsTheListAndCountsTheRest)
{
    struct Case {
        int badRows;
        std::size_t lines;
        const char* last;
    };
    const Case cases[] = {
        {50, 50, "table vat_rate, rowid 50, column percent: must be a number, holds the text 'bad'"},
        {51, 51, "... and 1 more"},
        {120, 51, "... and 70 more"},
    };
    for (const Case& c : cases) {
        TestFirm firm("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                      std::to_string(c.badRows) + ") INSERT INTO vat_rate SELECT i, 'bad' FROM n");
        ASSERT_FALSE(firm.opened());
        const std::vector<std::string> lines = SplitLines(firm.error());
        ASSERT_EQ(lines.size(), c.lines) << c.badRows;
        EXPECT_EQ(lines.back(), c.last) << c.badRows;
        EXPECT_EQ(lines[49].rfind("table vat_rate, rowid 50, ", 0), 0u) << c.badRows;
    }
}

// A firm of the wrong version or with the wrong tables is refused for that
// alone: its rows are not read, so the bad contractor row is not listed.
TEST(FirmValidation, RefusesAWrongLayoutBeforeReadingRows)
{
    struct Case {
        const char* sql;
        const char* message;
    };
    const Case cases[] = {
        {"PRAGMA user_version = 2", "not a firm database of this host: user_version is 2, must be 1"},
        {"PRAGMA user_version = 0", "not a firm database of this host: user_version is 0, must be 1"},
        {"DROP TABLE vat_rate", "table vat_rate is missing"},
        {"ALTER TABLE contractor DROP COLUMN full_name", "table contractor: column full_name is missing"},
        {"DROP TABLE vat_rate; CREATE VIEW vat_rate AS SELECT 1 AS code, 23.0 AS percent",
         "vat_rate is a view; it must be a table"},
        {"DROP TABLE vat_line; CREATE TABLE vat_line (document_kind TEXT, document_key INTEGER, line_no INTEGER,"
         " in_use INTEGER, amount REAL, rate_code INTEGER, vat REAL, purchase_kind INTEGER, deduction_kind INTEGER)",
         "table vat_line: its primary key must be (document_kind, document_key, line_no)"},
        {"DROP TABLE vat_rate; CREATE TABLE vat_rate (code INTEGER, percent REAL, PRIMARY KEY (percent))",
         "table vat_rate: its primary key must be (code)"},
    };
    for (const Case& c : cases) {
        TestFirm firm(std::string("INSERT INTO contractor(number) VALUES (0);") + c.sql);
        EXPECT_FALSE(firm.opened()) << c.sql;
        EXPECT_EQ(firm.error(), c.message) << c.sql;
    }
}

TEST(FirmValidation, RefusesWhatIsNoFirmDatabaseAndKeepsNothingOpen)
{
    TestDir dir;
    WriteFileBytes(dir.file("notes.txt"), "these are not the tables you are looking for\n");
    struct Case {
        std::string path;
        const char* message;
    };
    for (const Case& c : {Case{dir.file("notes.txt"), "not a firm database: file is not a database"},
                          Case{dir.file("absent.sqlite"), "cannot open the firm database "}}) {
        std::string error;
        EXPECT_FALSE(FirmDatabaseOpen(c.path, &error));
        EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
        EXPECT_EQ(tomiva::HostOpenTable(kTableContractors), nullptr);
    }
}

// A firm that cannot be trusted or read is refused before any row is
// looked at, with why: damage anywhere in the file (also a key of an index,
// which no read of the rows meets), a lock, a hot journal, not a file.
TEST(FirmValidation, RefusesAFirmItCannotReadSayingWhy)
{
    const char sql[] = R"sql(
        INSERT INTO purchase_invoice(document_key) VALUES (1);
        INSERT INTO vat_line(document_kind, document_key, line_no, rate_code) VALUES
          ('invoice', 1, 1, 23), ('invoice', 1, 2, 23), ('invoice', 1, 3, 5);
    )sql";
    auto setByte = [](const std::string& path, long offset, int value) {
        std::FILE* file = std::fopen(path.c_str(), "r+b");
        std::fseek(file, offset, SEEK_SET);
        std::fputc(value, file);
        std::fclose(file);
    };
    struct Case {
        const char* what;
        // Spoils the firm at path; what it returns is undone after the open.
        std::function<std::function<void()>(const std::string& path)> spoil;
        const char* message;
    };
    const Case cases[] = {
        {"a key of vat_line's index changed",
         [&](const std::string& path) {
             // The last byte of the index's page: the row number of its last
             // entry, which then points at the wrong line.
             setByte(path, RootPage(path, "sqlite_autoindex_vat_line_1") * 4096 - 1, 0x7F);
             return std::function<void()>();
         },
         "missing from index sqlite_autoindex_vat_line_1"},
        {"a page of vat_line that is no page",
         [&](const std::string& path) {
             setByte(path, (RootPage(path, "vat_line") - 1) * 4096, 0x00);
             return std::function<void()>();
         },
         "database disk image is malformed"},
        {"another program writing",
         [](const std::string& path) {
             sqlite3* writer = nullptr;
             sqlite3_open(path.c_str(), &writer);
             sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
             return std::function<void()>([writer] {
                 sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr);
                 sqlite3_close(writer);
             });
         },
         "is locked by another program"},
        {"a writer that stopped half-way",
         [](const std::string& path) {
             // The child changes pages and dies before it commits: its
             // journal stays behind, hot.
             const pid_t child = fork();
             if (child == 0) {
                 sqlite3* writer = nullptr;
                 sqlite3_open(path.c_str(), &writer);
                 sqlite3_exec(writer,
                              "PRAGMA cache_size = 1; BEGIN; UPDATE vat_line SET amount = amount + 1;"
                              " UPDATE purchase_invoice SET amount = amount + 1;",
                              nullptr, nullptr, nullptr);
                 _exit(0);
             }
             waitpid(child, nullptr, 0);
             return std::function<void()>();
         },
         "has a hot journal"},
        {"a FIFO",
         [](const std::string& path) {
             std::remove(path.c_str());
             mkfifo(path.c_str(), 0600);
             return std::function<void()>();
         },
         "it is a FIFO (named pipe), not a file"},
        {"a directory",
         [](const std::string& path) {
             std::remove(path.c_str());
             mkdir(path.c_str(), 0700);
             return std::function<void()>();
         },
         "it is a directory, not a file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDir dir;
        const std::string path = dir.file("firm.sqlite");
        ASSERT_EQ(CreateFirmDatabase(path, sql), "");
        const std::function<void()> undo = c.spoil(path);
        std::string error;
        EXPECT_FALSE(FirmDatabaseOpen(path, &error));
        if (undo)
            undo();
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(tomiva::HostOpenTable(kTableContractors), nullptr);
        rmdir(path.c_str());
    }
}

} // namespace
