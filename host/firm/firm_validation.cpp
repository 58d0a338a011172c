#include "host/firm/firm_validation.h"

#include <strings.h>

#include <charconv>
#include <cinttypes>
#include <cstdarg>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "contract/host_protocol.h"
#include "contract/host_records.h"
#include "host/common/host_date.h"
#include "host/common/host_format.h"
#include "host/common/sqlite_statement.h"
#include "host/common/utf8.h"
#include "host/firm/firm_records.h"
#include "host/firm/firm_schema.h"
#include "host/firm/firm_session.h"
#include "host/common/mazovia.h"

namespace {

// ---------------------------------------------------------------------------
// What each column must hold.

enum class ValueKind { Integer, Number, Amount, Text, Date, DocumentKind, Blob };

struct ColumnRule {
    const char* name;
    ValueKind kind;
    int64_t min = 0; // Integer: the range, both ends included
    int64_t max = 0;
    bool nonZero = false;
    int room = 0; // Text: characters the host's field holds
};

ColumnRule IntegerIn(const char* name, int64_t min, int64_t max) { return {name, ValueKind::Integer, min, max}; }
ColumnRule Int32(const char* name) { return IntegerIn(name, INT32_MIN, INT32_MAX); }
ColumnRule UInt32(const char* name) { return IntegerIn(name, 0, UINT32_MAX); }
ColumnRule Int16(const char* name) { return IntegerIn(name, INT16_MIN, INT16_MAX); }
ColumnRule UInt16(const char* name) { return IntegerIn(name, 0, UINT16_MAX); }
ColumnRule UInt8(const char* name) { return IntegerIn(name, 0, UINT8_MAX); }
// Only orders rows; any integer will do.
ColumnRule AnyInteger(const char* name) { return IntegerIn(name, INT64_MIN, INT64_MAX); }
ColumnRule Number(const char* name) { return {name, ValueKind::Number}; }
// An amount in złoty: finite, and no more than 2^53 host units (1/10000
// złoty) in magnitude, about 900 billion złoty.  Up to there every whole
// number of units is a double, so the host's units are exact and sums of
// them stay finite; past it a value could only be rounded or turned into
// infinity.
ColumnRule Amount(const char* name) { return {name, ValueKind::Amount}; }
inline constexpr double kMaxAmountUnits = 9007199254740992.0; // 2^53
// Contractor numbers are the host's signed 32-bit numbers, every one of
// them: the host gives its plug-ins whatever number a contractor has, as the
// original host does.  The export plug-in reaches fewer (its flag tables
// cover 1..65999 and -1..-65999) and names itself the documents whose
// contractor it cannot write; refusing the firm for them would refuse every
// other document with it.
ColumnRule ContractorNumber(const char* name) { return Int32(name); }
template <std::size_t N> ColumnRule Text(const char* name, TextField<N> field)
{
    return {name, ValueKind::Text, 0, 0, false, static_cast<int>(field.room())};
}
ColumnRule Date(const char* name) { return {name, ValueKind::Date}; }

struct TableRule {
    const char* name;
    std::vector<ColumnRule> columns;
    // The key columns in key order; empty when the table needs no key.  The
    // keys make contractors, rates, settings blocks and line numbers unique
    // and give every look-up its index.
    std::vector<const char*> primaryKey;
};

// The rooms come from the record layouts the texts are packed into.
static_assert(kContractorLayout.shortName.room() == 16 && kContractorLayout.fullName.room() == 100 &&
              kContractorLayout.address.room() == 50 && kContractorLayout.nip.room() == 30);
static_assert(kInvoiceLayout.transaction.room() == 40 && kInvoiceLayout.nip.room() == 13 &&
              kInvoiceLayout.comment.room() == 60);
static_assert(kCorrectionLayout.transaction.room() == 40 && kCorrectionLayout.nip.room() == 15 &&
              kCorrectionLayout.comment.room() == 60);

std::vector<ColumnRule> DocumentColumns(const DocumentLayout& layout, bool oneDate)
{
    std::vector<ColumnRule> columns = {Int32("document_key")};
    if (oneDate) {
        columns.push_back(Date("document_date"));
    } else {
        columns.push_back(Date("period_date"));
        columns.push_back(Date("issue_date"));
        columns.push_back(Date("receipt_date"));
    }
    const std::vector<ColumnRule> rest = {
        UInt32("id1"),        UInt32("id2"),  ContractorNumber("contractor"),
        Text("transaction_text", layout.transaction), Text("nip", layout.nip), UInt16("payment_days"),
        Amount("amount"),     Text("comment", layout.comment), UInt8("other_deduction_date"),
        UInt16("entry_mode"), Int16("deduction_setting"),
    };
    columns.insert(columns.end(), rest.begin(), rest.end());
    return columns;
}

const std::vector<TableRule>& FirmTables()
{
    static const std::vector<TableRule> tables = [] {
        ColumnRule number = ContractorNumber("number");
        number.nonZero = true;
        return std::vector<TableRule>{
            {"contractor",
             {number, Text("short_name", kContractorLayout.shortName), Text("full_name", kContractorLayout.fullName),
              Text("address", kContractorLayout.address), Text("nip", kContractorLayout.nip)},
             {"number"}},
            {"purchase_invoice", DocumentColumns(kInvoiceLayout, false), {}},
            {"purchase_correction", DocumentColumns(kCorrectionLayout, true), {}},
            {"vat_line",
             {{"document_kind", ValueKind::DocumentKind}, Int32("document_key"), AnyInteger("line_no"), Int32("in_use"),
              Amount("amount"), Int16("rate_code"), Amount("vat"), Int16("purchase_kind"), Int16("deduction_kind")},
             {"document_kind", "document_key", "line_no"}},
            {"vat_rate", {Int16("code"), Number("percent")}, {"code"}},
            {"settings_block", {Int32("number"), {"data", ValueKind::Blob}}, {"number"}},
        };
    }();
    return tables;
}

// ---------------------------------------------------------------------------
// The report.

class Offences {
public:
    void Add(std::string line)
    {
        if (total_ < kFirmOffencesShown)
            shown_.push_back(std::move(line));
        ++total_;
    }
    bool Empty() const { return total_ == 0; }
    std::string Text() const
    {
        std::string text;
        for (const std::string& line : shown_)
            text += (text.empty() ? "" : "\n") + line;
        if (total_ > kFirmOffencesShown)
            text += "\n... and " + std::to_string(total_ - kFirmOffencesShown) + " more";
        return text;
    }

private:
    std::vector<std::string> shown_;
    long total_ = 0;
};


// A stored value quoted for a message: printable ASCII kept, any other byte
// shown as '?', long values cut.
std::string Quoted(std::string_view value)
{
    constexpr std::size_t kShown = 40;
    std::string quoted = "'";
    for (std::size_t i = 0; i < value.size() && i < kShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        quoted += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    quoted += value.size() > kShown ? "'..." : "'";
    return quoted;
}

std::string Describe(sqlite3_stmt* row, int column)
{
    switch (sqlite3_column_type(row, column)) {
    case SQLITE_NULL:
        return "NULL";
    case SQLITE_INTEGER:
        return "the integer " + std::to_string(sqlite3_column_int64(row, column));
    case SQLITE_FLOAT: {
        char number[64];
        const auto end = std::to_chars(number, number + sizeof number, sqlite3_column_double(row, column)).ptr;
        return "the real number " + std::string(number, end);
    }
    case SQLITE_TEXT:
        return "the text " + Quoted(ColumnText(row, column));
    default:
        return "a blob of " + std::to_string(sqlite3_column_bytes(row, column)) + " bytes";
    }
}

// The rule a host text breaks: a character Mazovia lacks, or too many
// characters for the field.
std::string CheckText(std::string_view text, int room, std::string* mazovia)
{
    // A sound text is counted in place, one Mazovia character per byte of
    // ASCII or per UTF-8 sequence of a character Mazovia has; only a text
    // that breaks a rule goes the long way, which names the rule.
    std::size_t characters = 0;
    bool sound = true;
    for (std::size_t i = 0; sound && i < text.size(); ++characters) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c != 0 && c < 0x80)
            ++i;
        else
            sound = c != 0 && MazoviaByteOf(DecodeUtf8(text, &i)) >= 0;
    }
    if (sound && characters <= static_cast<std::size_t>(room))
        return {};
    if (text.find('\0') != std::string_view::npos)
        return "holds a NUL character, which host text cannot hold";
    char32_t offending = 0;
    if (!Utf8ToMazovia(text, mazovia, &offending)) {
        if (offending == 0xFFFD)
            return "is not valid UTF-8 (or holds U+FFFD, which Mazovia lacks)";
        return "holds " + CodePointName(offending) + ", which Mazovia lacks";
    }
    if (mazovia->size() > static_cast<std::size_t>(room))
        return HostFormat("has %zu characters, room is %d", mazovia->size(), room);
    return {};
}

// "" when the value keeps the column's rule, else the rule it breaks.
std::string CheckValue(sqlite3_stmt* row, int column, const ColumnRule& rule, std::string* mazovia)
{
    // The column's value is fetched once and read through the value
    // functions, which cost far less than a column function each.  The
    // host has one thread, so the value needs no protection.
    sqlite3_value* cell = sqlite3_column_value(row, column);
    const int type = sqlite3_value_type(cell);
    const auto text = [cell] {
        const unsigned char* bytes = sqlite3_value_text(cell);
        const int length = sqlite3_value_bytes(cell);
        return bytes == nullptr || length <= 0
                   ? std::string_view{}
                   : std::string_view(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    };
    switch (rule.kind) {
    case ValueKind::Integer: {
        if (type != SQLITE_INTEGER)
            return "must be an integer, holds " + Describe(row, column);
        const int64_t value = sqlite3_value_int64(cell);
        if (value < rule.min || value > rule.max)
            return HostFormat("must be in %" PRId64 "..%" PRId64 ", is %" PRId64, rule.min, rule.max, value);
        if (rule.nonZero && value == 0)
            return "must not be 0";
        return {};
    }
    case ValueKind::Number:
    case ValueKind::Amount: {
        if (type != SQLITE_INTEGER && type != SQLITE_FLOAT)
            return "must be a number, holds " + Describe(row, column);
        const double value = sqlite3_value_double(cell);
        if (!std::isfinite(value))
            return "must be a finite number, holds " + Describe(row, column);
        if (rule.kind == ValueKind::Amount && std::fabs(value) * kHostAmountUnitsPerZloty > kMaxAmountUnits)
            return HostFormat("must lie within -%.4f..%.4f (2^53 units of 1/10000), holds ",
                              kMaxAmountUnits / kHostAmountUnitsPerZloty, kMaxAmountUnits / kHostAmountUnitsPerZloty) +
                   Describe(row, column);
        return {};
    }
    case ValueKind::Text:
        if (type != SQLITE_TEXT)
            return "must be text, holds " + Describe(row, column);
        return CheckText(text(), rule.room, mazovia);
    case ValueKind::Date: {
        if (type != SQLITE_TEXT)
            return "must be a date text, holds " + Describe(row, column);
        const std::string_view date = text();
        if (!date.empty() && !IsCalendarDate(date))
            return "must be a calendar date YYYY-MM-DD or empty, is " + Quoted(date);
        return {};
    }
    case ValueKind::DocumentKind: {
        const std::string_view kind = type == SQLITE_TEXT ? text() : std::string_view{};
        if (type != SQLITE_TEXT || (kind != "invoice" && kind != "correction"))
            return "must be 'invoice' or 'correction', is " +
                   (type == SQLITE_TEXT ? Quoted(kind) : Describe(row, column));
        return {};
    }
    case ValueKind::Blob:
        if (type != SQLITE_BLOB)
            return "must be a blob, holds " + Describe(row, column);
        return {};
    }
    return {};
}

// ---------------------------------------------------------------------------
// The passes.

// Why a read failed: SQLite's message, a damaged file named as such (not as
// a missing table or column).
std::string Unreadable(sqlite3* db, int status) { return FirmReadProblem(status, sqlite3_errmsg(db)); }

bool SameName(const char* a, const char* b) { return a != nullptr && b != nullptr && strcasecmp(a, b) == 0; }

// The table exists as a table, with every column and the key of its rule.
bool CheckTable(sqlite3* db, const TableRule& table, Offences& offences)
{
    Statement kind;
    // A statement SQLite would not prepare (memory that ran short, above
    // all) is a read that failed, never a missing table or column.
    if (!PrepareStatement(db,
                  "SELECT type FROM sqlite_master"
                  " WHERE name = ?1 COLLATE NOCASE AND type IN ('table', 'view')",
                  &kind)) {
        offences.Add(HostFormat("table %s cannot be read: %s", table.name, Unreadable(db, sqlite3_errcode(db)).c_str()));
        return false;
    }
    sqlite3_bind_text(kind.get(), 1, table.name, -1, SQLITE_STATIC);
    const int found = sqlite3_step(kind.get());
    if (found != SQLITE_ROW && found != SQLITE_DONE) {
        offences.Add(HostFormat("table %s cannot be read: %s", table.name, Unreadable(db, found).c_str()));
        return false;
    }
    if (found == SQLITE_DONE) {
        offences.Add(HostFormat("table %s is missing", table.name));
        return false;
    }
    if (SameName(reinterpret_cast<const char*>(sqlite3_column_text(kind.get(), 0)), "view")) {
        offences.Add(HostFormat("%s is a view; it must be a table", table.name));
        return false;
    }

    struct Column {
        std::string name;
        int pk;
    };
    std::vector<Column> present;
    Statement info;
    if (!PrepareStatement(db, "SELECT name, pk FROM pragma_table_info(?1)", &info)) {
        offences.Add(HostFormat("table %s cannot be read: %s", table.name, Unreadable(db, sqlite3_errcode(db)).c_str()));
        return false;
    }
    sqlite3_bind_text(info.get(), 1, table.name, -1, SQLITE_STATIC);
    int listed;
    while ((listed = sqlite3_step(info.get())) == SQLITE_ROW) {
        const unsigned char* name = sqlite3_column_text(info.get(), 0);
        present.push_back({name ? reinterpret_cast<const char*>(name) : "", sqlite3_column_int(info.get(), 1)});
    }
    if (listed != SQLITE_DONE) {
        offences.Add(HostFormat("table %s cannot be read: %s", table.name, Unreadable(db, listed).c_str()));
        return false;
    }

    bool sound = true;
    for (const ColumnRule& rule : table.columns) {
        bool found = false;
        for (const Column& column : present)
            found = found || SameName(column.name.c_str(), rule.name);
        if (!found) {
            offences.Add(HostFormat("table %s: column %s is missing", table.name, rule.name));
            sound = false;
        }
    }
    if (!sound || table.primaryKey.empty())
        return sound;

    bool keyMatches = true;
    int keyColumns = 0;
    for (const Column& column : present) {
        if (column.pk == 0)
            continue;
        ++keyColumns;
        const std::size_t position = static_cast<std::size_t>(column.pk) - 1;
        keyMatches = keyMatches && position < table.primaryKey.size() &&
                     SameName(column.name.c_str(), table.primaryKey[position]);
    }
    if (!keyMatches || keyColumns != static_cast<int>(table.primaryKey.size())) {
        std::string key;
        for (const char* name : table.primaryKey)
            key += std::string(key.empty() ? "" : ", ") + name;
        offences.Add(HostFormat("table %s: its primary key must be (%s)", table.name, key.c_str()));
        return false;
    }
    return true;
}

// One pass over the table, every value of every row checked.
void CheckRows(sqlite3* db, const TableRule& table, Offences& offences)
{
    std::string sql = "SELECT rowid";
    for (const ColumnRule& column : table.columns)
        sql += std::string(", \"") + column.name + "\"";
    sql += std::string(" FROM \"") + table.name + "\" ORDER BY rowid";

    Statement rows;
    if (!PrepareStatement(db, sql.c_str(), &rows)) {
        offences.Add(HostFormat("table %s cannot be read: %s", table.name, sqlite3_errmsg(db)));
        return;
    }
    std::string mazovia;
    int status;
    while ((status = sqlite3_step(rows.get())) == SQLITE_ROW) {
        const int64_t rowid = sqlite3_column_int64(rows.get(), 0);
        for (std::size_t i = 0; i < table.columns.size(); ++i) {
            const ColumnRule& rule = table.columns[i];
            const std::string broken = CheckValue(rows.get(), static_cast<int>(i) + 1, rule, &mazovia);
            if (!broken.empty())
                offences.Add(HostFormat("table %s, rowid %" PRId64 ", column %s: %s", table.name, rowid, rule.name,
                                    broken.c_str()));
        }
    }
    if (status != SQLITE_DONE)
        offences.Add(HostFormat("table %s cannot be read to its end: %s", table.name, Unreadable(db, status).c_str()));
}

} // namespace

std::string ValidateFirm(sqlite3* db)
{
    Statement version;
    if (!PrepareStatement(db, "PRAGMA user_version", &version) || sqlite3_step(version.get()) != SQLITE_ROW)
        return HostFormat("not a firm database: %s", sqlite3_errmsg(db));
    const int userVersion = sqlite3_column_int(version.get(), 0);
    if (userVersion != kFirmLayoutVersion)
        return HostFormat("not a firm database of this host: user_version is %d, must be %d", userVersion,
                      kFirmLayoutVersion);

    Offences offences;
    for (const TableRule& table : FirmTables())
        CheckTable(db, table, offences);
    if (!offences.Empty())
        return offences.Text();
    for (const TableRule& table : FirmTables())
        CheckRows(db, table, offences);
    return offences.Text();
}
