// This file contains the check of a firm file's structure.  SQLite's full
// integrity check looks every row of vat_line up in the index of its key,
// one search of the index per line; that search is most of the firm's
// opening time.  Its quick check reads every page of every table and index
// but compares no index with its table, and a key of that index changed by
// a single byte passes it while the export loses the lines the key no
// longer finds.  So a firm laid out as the host lays it out is checked with
// the quick check, and then the index is compared with its table by one
// pass over each: the index read in its order must rise strictly from key to
// key, and both passes must meet the same rows (keys and row numbers).
// Two passes cost a fraction of a search per line.  The quick check and the
// passes are a screen: whatever they doubt goes to SQLite's full check,
// whose verdict stands and whose words name the damage.
#include "host/firm/firm_structure.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "host/common/sqlite_statement.h"

namespace {

// The index SQLite keeps for vat_line's primary key, and its key columns.
constexpr const char* kLineIndex = "sqlite_autoindex_vat_line_1";
constexpr const char* kLineTable = "vat_line";
constexpr const char* kLineKey[] = {"document_kind", "document_key", "line_no"};
constexpr int kKeyColumns = 3;

// The passes hand the key columns and the row number of every row to an
// aggregate function of the host's (each row's values reach it without a
// round trip through the statement's interface), from the index (a
// covering scan, in key order) and from the table (in row-number order).
constexpr const char* kMeetRows = "host_rows_met";
constexpr const char* kIndexPass =
    "SELECT host_rows_met(document_kind, document_key, line_no, rowid) FROM vat_line"
    " INDEXED BY sqlite_autoindex_vat_line_1 ORDER BY document_kind, document_key, line_no";
constexpr const char* kTablePass =
    "SELECT host_rows_met(document_kind, document_key, line_no, rowid) FROM vat_line NOT INDEXED";
constexpr int kPassColumns = kKeyColumns + 1;

std::string_view ColumnName(sqlite3_stmt* row, int column)
{
    const unsigned char* text = sqlite3_column_text(row, column);
    return text != nullptr ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view{};
}

} // namespace

bool FirmStructureScreened(sqlite3* db)
{
    Statement indexes;
    if (!PrepareStatement(db, "SELECT name, tbl_name FROM sqlite_master WHERE type = 'index'", &indexes))
        return false;
    int count = 0;
    bool theKey = false;
    int status;
    while ((status = sqlite3_step(indexes.get())) == SQLITE_ROW) {
        ++count;
        theKey = ColumnName(indexes.get(), 0) == kLineIndex && ColumnName(indexes.get(), 1) == kLineTable;
    }
    if (status != SQLITE_DONE || count != 1 || !theKey)
        return false;

    Statement kind;
    if (!PrepareStatement(db, "SELECT \"unique\", partial FROM pragma_index_list(?1) WHERE name = ?2", &kind))
        return false;
    sqlite3_bind_text(kind.get(), 1, kLineTable, -1, SQLITE_STATIC);
    sqlite3_bind_text(kind.get(), 2, kLineIndex, -1, SQLITE_STATIC);
    if (sqlite3_step(kind.get()) != SQLITE_ROW || sqlite3_column_int(kind.get(), 0) != 1 ||
        sqlite3_column_int(kind.get(), 1) != 0)
        return false;

    Statement columns;
    if (!PrepareStatement(db, "SELECT name, coll, desc FROM pragma_index_xinfo(?1) WHERE key = 1 ORDER BY seqno",
                          &columns))
        return false;
    sqlite3_bind_text(columns.get(), 1, kLineIndex, -1, SQLITE_STATIC);
    int column = 0;
    while ((status = sqlite3_step(columns.get())) == SQLITE_ROW) {
        if (column == kKeyColumns || ColumnName(columns.get(), 0) != kLineKey[column] ||
            ColumnName(columns.get(), 1) != "BINARY" || sqlite3_column_int(columns.get(), 2) != 0)
            return false;
        ++column;
    }
    return status == SQLITE_DONE && column == kKeyColumns;
}

namespace {

// One value as SQLite stores it, kept from one row of a pass to the next.
struct StoredValue {
    int type = SQLITE_NULL;
    int64_t integer = 0;
    double real = 0.0;
    std::string bytes; // text or blob

    void Read(sqlite3_value* value)
    {
        type = sqlite3_value_type(value);
        if (type == SQLITE_INTEGER) {
            integer = sqlite3_value_int64(value);
        } else if (type == SQLITE_FLOAT) {
            real = sqlite3_value_double(value);
        } else if (type == SQLITE_TEXT || type == SQLITE_BLOB) {
            const void* data = type == SQLITE_TEXT ? static_cast<const void*>(sqlite3_value_text(value))
                                                   : sqlite3_value_blob(value);
            const int length = sqlite3_value_bytes(value);
            if (data == nullptr || length <= 0)
                bytes.clear();
            else
                bytes.assign(static_cast<const char*>(data), static_cast<std::size_t>(length));
        }
    }
};

// An integer against a real number, exactly (as SQLite orders them).
int CompareIntegerReal(int64_t i, double r)
{
    if (r < -9223372036854775808.0)
        return 1;
    if (r >= 9223372036854775808.0)
        return -1;
    const int64_t y = static_cast<int64_t>(r);
    if (i != y)
        return i < y ? -1 : 1;
    const double s = static_cast<double>(i);
    return s < r ? -1 : (s > r ? 1 : 0);
}

// SQLite's order of two values under the binary collation: NULL, then
// numbers by value, then texts, then blobs, both byte by byte.
int CompareStored(const StoredValue& a, const StoredValue& b)
{
    const auto rank = [](int type) { return type == SQLITE_NULL ? 0 : type == SQLITE_TEXT ? 2 : type == SQLITE_BLOB ? 3 : 1; };
    if (rank(a.type) != rank(b.type))
        return rank(a.type) < rank(b.type) ? -1 : 1;
    switch (rank(a.type)) {
    case 0:
        return 0;
    case 1:
        if (a.type == SQLITE_INTEGER && b.type == SQLITE_INTEGER)
            return a.integer < b.integer ? -1 : (a.integer > b.integer ? 1 : 0);
        if (a.type == SQLITE_FLOAT && b.type == SQLITE_FLOAT)
            return a.real < b.real ? -1 : (a.real > b.real ? 1 : 0);
        return a.type == SQLITE_INTEGER ? CompareIntegerReal(a.integer, b.real) : -CompareIntegerReal(b.integer, a.real);
    default: {
        const int order = a.bytes.compare(b.bytes); // unsigned bytes, then length
        return order < 0 ? -1 : (order > 0 ? 1 : 0);
    }
    }
}

// A word folded into a running hash: a multiply and a rotation per word,
// the mixing left to the end (Finished).
uint64_t Fold(uint64_t hash, uint64_t word)
{
    hash = (hash ^ word) * 0x9E3779B97F4A7C15ULL;
    return (hash << 29) | (hash >> 35);
}

uint64_t Finished(uint64_t hash)
{
    hash ^= hash >> 30;
    hash *= 0xBF58476D1CE4E5B9ULL;
    hash ^= hash >> 27;
    hash *= 0x94D049BB133111EBULL;
    return hash ^ (hash >> 31);
}

// What a pass met, blind to the order it met it in: the number of rows and
// the sum of a 64-bit hash of each row's values (type and value of each
// column).  A row lost, added or changed makes the sums differ but for a
// chance of one in 2^64.
struct RowsMet {
    int64_t rows = 0;
    uint64_t sum = 0;

    void Add(const StoredValue (&row)[kPassColumns])
    {
        uint64_t hash = 0x243F6A8885A308D3ULL;
        for (const StoredValue& value : row) {
            if (value.type == SQLITE_INTEGER) {
                hash = Fold(hash, static_cast<uint64_t>(value.integer));
            } else if (value.type == SQLITE_FLOAT) {
                uint64_t bits;
                std::memcpy(&bits, &value.real, sizeof bits);
                hash = Fold(hash, bits);
            } else if (value.type == SQLITE_TEXT || value.type == SQLITE_BLOB) {
                const std::size_t length = value.bytes.size();
                for (std::size_t i = 0; i < length; i += 8) {
                    uint64_t chunk = 0;
                    std::memcpy(&chunk, value.bytes.data() + i, length - i < 8 ? length - i : 8);
                    hash = Fold(hash, chunk);
                }
                hash = Fold(hash, length);
            }
            hash = Fold(hash, static_cast<uint64_t>(value.type));
        }
        ++rows;
        sum += Finished(hash);
    }
    bool operator==(const RowsMet&) const = default;
};

// A pass: what it met and, over the index, whether each key lay above the
// one before.
struct Pass {
    bool inKeyOrder = false;
    RowsMet met;
    bool rising = true;
    StoredValue row[kPassColumns];
    StoredValue last[kKeyColumns];
};

// The aggregate's step: one row of a pass.  Nothing may be thrown into
// SQLite; memory that runs short fails the pass.
void MeetRow(sqlite3_context* context, int count, sqlite3_value** values)
{
    Pass* pass = static_cast<Pass*>(sqlite3_user_data(context));
    if (count != kPassColumns)
        return sqlite3_result_error(context, "host_rows_met takes four values", -1);
    try {
        for (int column = 0; column < kPassColumns; ++column)
            pass->row[column].Read(values[column]);
    } catch (...) {
        return sqlite3_result_error_nomem(context);
    }
    pass->met.Add(pass->row);
    if (!pass->inKeyOrder)
        return;
    int order = 0;
    for (int column = 0; column < kKeyColumns && order == 0; ++column)
        order = CompareStored(pass->last[column], pass->row[column]);
    if (pass->met.rows > 1 && order >= 0)
        pass->rising = false;
    for (int column = 0; column < kKeyColumns; ++column)
        std::swap(pass->last[column], pass->row[column]);
}

void PassEnd(sqlite3_context* context) { sqlite3_result_null(context); }

// One pass over sql's rows; 0 when it went to its end, else the status of
// the read that failed, with SQLite's message.
int RunPass(sqlite3* db, const char* sql, Pass* pass, std::string* message)
{
    int status = sqlite3_create_function_v2(db, kMeetRows, kPassColumns, SQLITE_UTF8 | SQLITE_DIRECTONLY, pass,
                                            nullptr, &MeetRow, &PassEnd, nullptr);
    if (status == SQLITE_OK) {
        Statement rows;
        if (!PrepareStatement(db, sql, &rows))
            status = sqlite3_extended_errcode(db);
        else if ((status = sqlite3_step(rows.get())) == SQLITE_ROW)
            status = sqlite3_step(rows.get());
        if (status == SQLITE_DONE)
            status = SQLITE_OK;
        else
            status = sqlite3_extended_errcode(db);
        if (status != SQLITE_OK)
            *message = sqlite3_errmsg(db);
    } else {
        *message = sqlite3_errmsg(db);
    }
    // The function points at this pass: it goes with it.
    sqlite3_create_function_v2(db, kMeetRows, kPassColumns, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr, nullptr);
    return status;
}

// SQLite's own check (pragma "quick_check" or "integrity_check"), at most
// `shown` findings.
FirmStructureVerdict SqliteCheck(sqlite3* db, const char* pragma, int shown)
{
    FirmStructureVerdict verdict;
    Statement check;
    const std::string sql = std::string("PRAGMA ") + pragma + "(" + std::to_string(shown) + ")";
    int status = SQLITE_OK;
    if (PrepareStatement(db, sql.c_str(), &check)) {
        while ((status = sqlite3_step(check.get())) == SQLITE_ROW) {
            const std::string_view line = ColumnName(check.get(), 0);
            if (line != "ok")
                verdict.damage.append("\n").append(line);
        }
    }
    if (check == nullptr || status != SQLITE_DONE) {
        verdict.status = sqlite3_extended_errcode(db);
        verdict.message = sqlite3_errmsg(db);
        verdict.damage.clear();
    }
    return verdict;
}

} // namespace

FirmStructureVerdict CheckFirmStructure(sqlite3* db, int shown)
{
    if (!FirmStructureScreened(db))
        return SqliteCheck(db, "integrity_check", shown);
    FirmStructureVerdict quick = SqliteCheck(db, "quick_check", shown);
    if (quick.status != SQLITE_OK || !quick.damage.empty())
        return quick;
    Pass index;
    index.inKeyOrder = true;
    Pass table;
    std::string message;
    int status = RunPass(db, kIndexPass, &index, &message);
    if (status == SQLITE_OK)
        status = RunPass(db, kTablePass, &table, &message);
    if (status != SQLITE_OK)
        return {status, message, {}};
    if (index.rising && index.met == table.met)
        return {};
    // The index and its table disagree: SQLite's full check decides, and
    // names the damage.
    return SqliteCheck(db, "integrity_check", shown);
}
