// The open firm database as the host's entries use it: the connection, the
// look-up statements prepared once, and the host's table objects with their
// record buffers.  Internal to the host's firm files.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "contract/host_records.h"
#include "host/common/sqlite_statement.h"

// The statement reset and its bindings cleared, ready for a new use.  Every
// user resets it again when done, so no read stays open between entries,
// but a scan step, which leaves its statement at the row it read for the
// next step (firm_entries.cpp).
sqlite3_stmt* Fresh(const Statement& statement);

// A host table object as the plug-in sees it: the pointer at byte offset 8
// is the table's record buffer.
struct HostTableObject {
    int32_t number;
    int32_t reserved;
    unsigned char* record;
};
static_assert(offsetof(HostTableObject, record) == kTableRecordPointerOffset);

struct FirmTable {
    HostTableObject object{};
    std::vector<unsigned char> record;
};

// Where the lines statement stands between look-ups (firm_lines.cpp): for
// which document kind, from which key on every line has been passed, and
// the key of the row it stands on, not taken yet.
struct LinesCursor {
    const char* documentKind = nullptr; // null: the statement stands nowhere
    int64_t passedBelow = 0;            // the lines of every key below this have been passed
    bool onRow = false;
    int64_t rowKey = 0;
};

struct FirmSession {
    sqlite3* db = nullptr;
    Statement contractorByNumber;
    Statement nextInvoice;
    Statement nextCorrection;
    Statement linesOfDocument;
    LinesCursor lines;
    Statement rateOfCode;
    Statement settingsBlock;
    // Tables 35, 52 and 54; their addresses stay put while the firm is open.
    FirmTable contractors;
    FirmTable invoices;
    FirmTable corrections;

    FirmSession() = default;
    FirmSession(const FirmSession&) = delete;
    FirmSession& operator=(const FirmSession&) = delete;
    ~FirmSession();
};

// The open firm, or null when none is open.
FirmSession* CurrentFirm();

// SQLite's message for a failed read, with what it means for a firm: a
// damaged file is named as damaged, whatever table the damage was met in.
std::string FirmReadProblem(int status, const char* message);

// A read of the firm that failed: what was being read ("table contractor,
// number 5") and SQLite's result code and message.  The first failed read of
// a session is shown in the host's error notice (later ones are recorded
// only, so that a damaged file does not bury the user under notices); each
// marks the command as failed.  Never throws.
void FirmReadFailed(const std::string& what, int status, const char* message) noexcept;

// SQLite's own words for memory it could not have.
inline constexpr char kFirmOutOfMemory[] = "out of memory";

// A step of a statement that gave neither a row nor its end: reported as a
// failed read of `what`, with SQLite's message.
inline void FirmStepFailed(const std::string& what, sqlite3* db, int status) noexcept
{
    FirmReadFailed(what, status, status == SQLITE_NOMEM ? kFirmOutOfMemory : sqlite3_errmsg(db));
}

// The body of an entry that reads the firm.  Memory that runs short inside
// it (an exception) is reported like a failed read of what `where()` names,
// and the entry gives `failure`.
template <typename Result, typename Where, typename Body>
Result FirmEntryGuard(Result failure, Where&& where, Body&& body) noexcept
{
    try {
        return body();
    } catch (...) {
        try {
            FirmReadFailed(where(), SQLITE_NOMEM, kFirmOutOfMemory);
        } catch (...) {
            FirmReadFailed("the firm's tables", SQLITE_NOMEM, kFirmOutOfMemory);
        }
        return failure;
    }
}

// After the columns of a row were read: SQLite gives a default value, not an
// error, when memory runs short inside a column read, and says so only here.
inline bool ColumnsReadWhole(sqlite3* db) { return sqlite3_errcode(db) != SQLITE_NOMEM; }
