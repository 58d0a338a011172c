// The check of a firm file's structure: a firm laid out as the host lays it
// out is screened (SQLite's quick check, then vat_line's key index against
// its table), and the screen must refuse every file SQLite's full integrity
// check refuses, however the index is damaged; a firm with other indexes
// gets the full check.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <string>
#include <utility>

#include "host/common/sqlite_statement.h"
#include "host/firm/firm_structure.h"
#include "support/test_firm.h"

namespace {

constexpr long kPageSize = 4096;

// Invoices and corrections with `lines` VAT lines each, the kinds and keys
// interleaved so that the index's order is not the table's.
std::string DocumentsWithLines(int documents, int lines)
{
    std::string sql;
    for (int key = documents; key >= 1; --key) {
        const char* kind = key % 3 == 0 ? "correction" : "invoice";
        sql += std::string("INSERT INTO ") + (key % 3 == 0 ? "purchase_correction" : "purchase_invoice") +
               "(document_key) VALUES (" + std::to_string(key) + ");\n";
        for (int line = lines; line >= 1; --line)
            sql += std::string("INSERT INTO vat_line(document_kind, document_key, line_no, amount, rate_code) VALUES ('") +
                   kind + "', " + std::to_string(key) + ", " + std::to_string(line) + ", " + std::to_string(key * 10 + line) +
                   ", 23);\n";
    }
    return sql;
}

struct Connection {
    explicit Connection(const std::string& path)
    {
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    }
    ~Connection() { sqlite3_close(db); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    sqlite3* db = nullptr;
};

// What SQLite's full check says of the file: false when it finds anything,
// or cannot read it to its end.
bool FullCheckPasses(sqlite3* db)
{
    Statement check;
    if (!PrepareStatement(db, "PRAGMA integrity_check", &check))
        return false;
    int status;
    bool ok = true;
    while ((status = sqlite3_step(check.get())) == SQLITE_ROW)
        ok = ok && std::string(reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 0))) == "ok";
    return ok && status == SQLITE_DONE;
}

bool Refused(const FirmStructureVerdict& verdict) { return verdict.status != SQLITE_OK || !verdict.damage.empty(); }

int Byte(std::FILE* file, long offset)
{
    std::fseek(file, offset, SEEK_SET);
    return std::fgetc(file);
}

void SetByte(std::FILE* file, long offset, int value)
{
    std::fseek(file, offset, SEEK_SET);
    std::fputc(value, file);
    std::fflush(file);
}

// The bytes of a b-tree page that hold something: its header, its cell
// pointers and its cells (not the free space between them), as offsets in
// the file.
std::pair<long, long> UsedBefore(std::FILE* file, int page)
{
    const long start = (page - 1) * kPageSize;
    const int type = Byte(file, start);
    const int cells = Byte(file, start + 3) << 8 | Byte(file, start + 4);
    const long header = type == 0x02 || type == 0x05 ? 12 : 8; // interior pages name their right child
    return {start + header + 2 * cells, start + (Byte(file, start + 5) << 8 | Byte(file, start + 6))};
}

TEST(FirmStructure, TheScreenRefusesWhatTheFullCheckRefusesWhicheverByteOfTheIndexIsChanged)
{
    struct Case {
        const char* what;
        int documents;
        int lines;
    };
    const Case cases[] = {
        {"an index of one page", 30, 3},
        {"the top page of an index of several", 300, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDir dir;
        const std::string path = dir.file("firm.sqlite");
        ASSERT_EQ(CreateFirmDatabase(path, DocumentsWithLines(c.documents, c.lines)), "");
        const int root = RootPage(path, "sqlite_autoindex_vat_line_1");
        {
            Connection sound(path);
            ASSERT_TRUE(FirmStructureScreened(sound.db));
            ASSERT_FALSE(Refused(CheckFirmStructure(sound.db, 10)));
        }
        std::FILE* file = std::fopen(path.c_str(), "r+b");
        ASSERT_NE(file, nullptr);
        const long page = (root - 1) * kPageSize;
        const auto [pointersEnd, cellsStart] = UsedBefore(file, root);
        int changed = 0;
        int refused = 0;
        for (long offset = page; offset < page + kPageSize; ++offset) {
            if (offset >= pointersEnd && offset < cellsStart)
                continue;
            const int original = Byte(file, offset);
            SetByte(file, offset, original ^ 0xFF);
            Connection damaged(path);
            const bool screenRefuses = Refused(CheckFirmStructure(damaged.db, 10));
            EXPECT_EQ(screenRefuses, !FullCheckPasses(damaged.db)) << "byte " << offset - page << " of the page";
            SetByte(file, offset, original);
            ++changed;
            refused += screenRefuses ? 1 : 0;
        }
        std::fclose(file);
        EXPECT_GT(refused, changed / 2) << refused << " of " << changed << " changes refused";
    }
}

// Two cells of the index swapped: the index holds exactly the table's rows,
// but out of their order, so that a search misses them.
TEST(FirmStructure, AnIndexWithTheRightEntriesInTheWrongOrderIsRefused)
{
    TestDir dir;
    const std::string path = dir.file("firm.sqlite");
    ASSERT_EQ(CreateFirmDatabase(path, DocumentsWithLines(10, 2)), "");
    const int root = RootPage(path, "sqlite_autoindex_vat_line_1");
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    const long pointers = (root - 1) * kPageSize + 8; // a leaf page's cell pointers
    const int first[] = {Byte(file, pointers), Byte(file, pointers + 1)};
    const int second[] = {Byte(file, pointers + 2), Byte(file, pointers + 3)};
    SetByte(file, pointers, second[0]);
    SetByte(file, pointers + 1, second[1]);
    SetByte(file, pointers + 2, first[0]);
    SetByte(file, pointers + 3, first[1]);
    std::fclose(file);

    Connection damaged(path);
    const FirmStructureVerdict verdict = CheckFirmStructure(damaged.db, 10);
    EXPECT_TRUE(Refused(verdict));
    EXPECT_NE(verdict.damage.find("sqlite_autoindex_vat_line_1"), std::string::npos) << verdict.damage;
}

TEST(FirmStructure, OnlyTheLayoutsOwnIndexIsScreenedAnyOtherFirmGetsTheFullCheck)
{
    struct Case {
        const char* what;
        const char* sql;
        bool screened;
    };
    const Case cases[] = {
        {"the layout's index only", "", true},
        {"an index of the firm's own", "CREATE INDEX by_contractor ON purchase_invoice(contractor);", false},
        {"a second index on vat_line", "CREATE INDEX by_rate ON vat_line(rate_code);", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDir dir;
        const std::string path = dir.file("firm.sqlite");
        ASSERT_EQ(CreateFirmDatabase(path, DocumentsWithLines(5, 2) + c.sql), "");
        Connection firm(path);
        EXPECT_EQ(FirmStructureScreened(firm.db), c.screened);
        EXPECT_FALSE(Refused(CheckFirmStructure(firm.db, 10)));
    }
}

} // namespace
