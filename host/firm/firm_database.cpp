#include "host/firm/firm_database.h"

#include <cerrno>
#include <memory>
#include <new>
#include <string>

#include "host/common/beside_thread.h"
#include "host/common/entry_guard.h"
#include "host/common/error_text.h"
#include "host/common/file_kind.h"
#include "host/firm/firm_queries.h"
#include "host/firm/firm_session.h"
#include "host/firm/firm_validation.h"
#include "host/services/host_files.h"
#include "host/services/host_latitude.h"
#include "host/services/host_messages.h"
#include "host/services/host_session.h"
#include "host/common/mazovia.h"

namespace {

std::unique_ptr<FirmSession>& Current()
{
    static std::unique_ptr<FirmSession> session;
    return session;
}

// The look-ups live as long as the firm is open.
bool Prepare(sqlite3* db, const char* sql, Statement* statement)
{
    return PrepareStatement(db, sql, statement, SQLITE_PREPARE_PERSISTENT);
}

// The host with latitude keeps a guard behind each record buffer and its
// pattern in it.
void SetUpTable(FirmTable* table, int number, std::size_t recordSize, const char* name)
{
    table->record.assign(recordSize + (LatitudeOn() ? kLatitudeGuardSize : 0), 0);
    table->object.number = number;
    table->object.record = table->record.data();
    LatitudeFill(table->record.data(), recordSize);
    LatitudeGuard(name, table->record.data(), recordSize);
}

} // namespace

sqlite3_stmt* Fresh(const Statement& statement)
{
    sqlite3_reset(statement.get());
    sqlite3_clear_bindings(statement.get());
    return statement.get();
}

FirmSession::~FirmSession()
{
    // Statements first: a connection with live statements does not close.
    contractorByNumber.reset();
    nextInvoice.reset();
    nextCorrection.reset();
    linesOfDocument.reset();
    rateOfCode.reset();
    settingsBlock.reset();
    if (db != nullptr && !sqlite3_get_autocommit(db))
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

FirmSession* CurrentFirm() { return Current().get(); }

std::string FirmReadProblem(int status, const char* message)
{
    std::string text = message != nullptr && message[0] != '\0' ? message : sqlite3_errstr(status);
    switch (status & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        text += " (the file is damaged)";
        break;
    case SQLITE_IOERR:
        text += " (the file could not be read from its disk)";
        break;
    default:
        break;
    }
    return text;
}

void FirmReadFailed(const std::string& what, int status, const char* message) noexcept
{
    // What the plug-in is writing lacks what this read should have given:
    // those files do not stand (removed when they are closed).
    const int withdrawn = HostWithdrawFilesBeingWritten();
    try {
        const std::string problem = what + ": " + FirmReadProblem(status, message);
        const bool first = !HostFailedWith(HostFailureKind::HostFailed);
        HostRecordFailure(HostFailureKind::HostFailed, "the firm database could not be read: " + problem);
        if (!first && withdrawn == 0)
            return;
        const std::string text = "The firm database cannot be read.\n" + problem +
                                 "\nWhat the command writes from here on is incomplete; it is marked as failed" +
                                 (withdrawn > 0 ? ", and the files it is writing are removed when they are closed."
                                                : ".");
        HostShowMessage("error", "", Utf8ToMazoviaShown(text).c_str());
    } catch (...) {
        HostRecordFailure(HostFailureKind::HostFailed, "the firm database could not be read: out of memory");
    }
}

namespace {

// Why the first read of the firm failed, in the words a user can act on.
std::string OpenProblem(const std::string& path, sqlite3* db, int status)
{
    const std::string message = sqlite3_errmsg(db);
    switch (status & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        // SQLite cannot tell which program holds the lock.
        return "the firm database " + path + " is locked by another program, which is writing to it (" + message +
               "); try again when it has finished";
    case SQLITE_READONLY:
        if (status == SQLITE_READONLY_ROLLBACK)
            return "the firm database " + path + " has a hot journal (" + path +
                   "-journal): a program stopped while writing to it, and its unfinished change must be rolled back"
                   " before the firm can be read; open the file once with the sqlite3 shell, which rolls it back";
        break;
    case SQLITE_NOTADB:
        return "not a firm database: " + message;
    case SQLITE_CORRUPT:
        return "the firm database " + path + " is damaged: " + message;
    case SQLITE_NOMEM:
        // SQLite's message may name what it could not make for want of it.
        return "cannot read the firm database " + path + ": memory ran short (" + message + ")";
    default:
        break;
    }
    return "cannot read the firm database " + path + ": " + message;
}

// The file's structure, before its rows are looked at: every page, every
// index and every index entry against its table.  A cheaper quick_check
// would not compare the index of vat_line with its table, and a damaged key
// there hides a document's lines without any error.  "" when sound.
std::string DamageOf(const std::string& path, sqlite3* db)
{
    Statement check;
    const std::string sql = "PRAGMA integrity_check(" + std::to_string(kFirmOffencesShown) + ")";
    if (!PrepareStatement(db, sql.c_str(), &check))
        return OpenProblem(path, db, sqlite3_extended_errcode(db));
    std::string report;
    int status;
    while ((status = sqlite3_step(check.get())) == SQLITE_ROW) {
        const unsigned char* line = sqlite3_column_text(check.get(), 0);
        const std::string text = line != nullptr ? reinterpret_cast<const char*>(line) : "";
        if (text != "ok")
            report += "\n" + text;
    }
    if (status != SQLITE_DONE)
        return OpenProblem(path, db, sqlite3_extended_errcode(db));
    if (report.empty())
        return {};
    return "the firm database " + path + " is damaged; SQLite's check of the file says:" + report;
}

// Takes the read transaction's lock by a first read: from here until the
// firm is closed no other program can commit a change.  "" when taken.
std::string TakeReadLock(const std::string& path, sqlite3* db)
{
    if (sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK)
        return OpenProblem(path, db, sqlite3_extended_errcode(db));
    return {};
}

// The structure check on a connection of its own, on a thread of its own,
// while the rows are checked on the firm's connection: both only read, and
// the opening takes the longer of the two instead of their sum.  The
// firm's connection holds its read lock already, so no program can commit a
// change between the two (a firm in write-ahead-log mode, where one could,
// is checked in turn).  Nothing here may throw past the thread: memory that
// runs short is only noted.
struct DamageApart {
    std::string path;
    std::string damage;
    bool outOfMemory = false;
};

void CheckDamageApart(void* arg) noexcept
{
    DamageApart* apart = static_cast<DamageApart*>(arg);
    sqlite3* db = nullptr;
    try {
        if (sqlite3_open_v2(apart->path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) !=
            SQLITE_OK) {
            apart->damage =
                OpenProblem(apart->path, db, db != nullptr ? sqlite3_extended_errcode(db) : SQLITE_NOMEM);
        } else {
            sqlite3_extended_result_codes(db, 1);
#ifdef _WIN32
            sqlite3_exec(db, "PRAGMA mmap_size = 268435456", nullptr, nullptr, nullptr);
#endif
            apart->damage = DamageOf(apart->path, db);
        }
    } catch (const std::bad_alloc&) {
        apart->outOfMemory = true;
    }
    sqlite3_close(db);
}

bool WriteAheadLog(sqlite3* db)
{
    Statement mode;
    if (!PrepareStatement(db, "PRAGMA journal_mode", &mode) || sqlite3_step(mode.get()) != SQLITE_ROW)
        return true; // unknown: checked in turn
    const unsigned char* text = sqlite3_column_text(mode.get(), 0);
    return text == nullptr || std::string(reinterpret_cast<const char*>(text)) == "wal";
}

// The firm's structure (DamageOf) and its rows (ValidateFirm): the reason it
// is refused, damage first, or "".
std::string FirmProblem(const std::string& path, sqlite3* db)
{
    if (!WriteAheadLog(db)) {
        DamageApart apart;
        apart.path = path;
        BesideThread checker;
        // Without a thread to be had the check runs in turn below.
        if (checker.Start(&CheckDamageApart, &apart)) {
            std::string offences = ValidateFirm(db);
            checker.Join();
            if (apart.outOfMemory)
                return "cannot read the firm database " + path + ": memory ran short";
            return apart.damage.empty() ? offences : apart.damage;
        }
    }
    std::string damage = DamageOf(path, db);
    return damage.empty() ? ValidateFirm(db) : damage;
}

// Opens, checks and prepares the firm at path and makes it the current one;
// false with the reason, the current firm left as it was.
bool OpenFirm(const std::string& path, std::string* error)
{
    // Only a plain file can be a firm: a FIFO or a device would be waited
    // on, or read, for ever.
    std::string why;
    const PathKind kind = KindOfPath(path, &why);
    if (kind == PathKind::Missing) {
        SetError(error, "cannot open the firm database " + path + ": " + ErrnoText(ENOENT));
        return false;
    }
    if (kind != PathKind::Regular) {
        SetError(error, "cannot open the firm database " + path + ": " +
                            (why.empty() ? std::string("it is ") + PathKindName(kind) + ", not a file" : why));
        return false;
    }
    // Nor its journal or write-ahead log: SQLite would wait on a FIFO there
    // for ever as it looks for a hot journal.
    for (const char* ending : {"-journal", "-wal", "-shm"}) {
        const PathKind beside = KindOfPath(path + ending);
        if (beside != PathKind::Missing && beside != PathKind::Regular && beside != PathKind::Other) {
            SetError(error, "cannot open the firm database " + path + ": its " + (ending + 1) + " " + path + ending +
                                " is " + PathKindName(beside) + ", not a file");
            return false;
        }
    }
    // The firm opened so far stays until the new one has passed.
    auto session = std::make_unique<FirmSession>();
    // Only the host's own thread uses this connection: it needs no mutex.
    const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &session->db, flags, nullptr) != SQLITE_OK) {
        SetError(error, "cannot open the firm database " + path + ": " + sqlite3_errmsg(session->db));
        return false;
    }
#ifdef _WIN32
    // Read through a mapping of the file: a read of the file costs a system
    // call per page there, and under Wine a call to its server as well.
    // Beyond this size the rest of a firm is read as before.
    sqlite3_exec(session->db, "PRAGMA mmap_size = 268435456", nullptr, nullptr, nullptr);
#endif
    sqlite3_extended_result_codes(session->db, 1);
    // One read transaction from the check to the close: every entry reads
    // the very rows that passed, and no look-up pays for taking and
    // dropping the file lock.
    if (sqlite3_exec(session->db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
        SetError(error, OpenProblem(path, session->db, sqlite3_extended_errcode(session->db)));
        return false;
    }
    std::string problem = TakeReadLock(path, session->db);
    if (problem.empty())
        problem = FirmProblem(path, session->db);
    if (!problem.empty()) {
        SetError(error, std::move(problem));
        return false;
    }
    const bool prepared = Prepare(session->db, firm_sql::kContractorByNumber, &session->contractorByNumber) &&
                          Prepare(session->db, firm_sql::kNextInvoice, &session->nextInvoice) &&
                          Prepare(session->db, firm_sql::kNextCorrection, &session->nextCorrection) &&
                          Prepare(session->db, firm_sql::kLinesOfDocument, &session->linesOfDocument) &&
                          Prepare(session->db, firm_sql::kRateOfCode, &session->rateOfCode) &&
                          Prepare(session->db, firm_sql::kSettingsBlock, &session->settingsBlock);
    if (!prepared) {
        SetError(error, std::string("cannot read the firm database: ") + sqlite3_errmsg(session->db));
        return false;
    }
    SetUpTable(&session->contractors, kTableContractors, kContractorLayout.size,
               "the record buffer of table 35, the contractors");
    SetUpTable(&session->invoices, kTablePurchaseInvoices, kInvoiceLayout.size,
               "the record buffer of table 52, the purchase invoices");
    SetUpTable(&session->corrections, kTablePurchaseCorrections, kCorrectionLayout.size,
               "the record buffer of table 54, the purchase corrections");
    Current() = std::move(session);
    return true;
}

} // namespace

bool FirmDatabaseOpen(const std::string& path, std::string* error)
{
    // Memory may run short on the way; the firm is then refused like any
    // other, with a reason of its own when there is room even for that.
    constexpr int kOutOfMemory = -1;
    const int opened = HostEntryGuard(kOutOfMemory, [&] { return OpenFirm(path, error) ? 1 : 0; });
    if (opened == kOutOfMemory)
        HostEntryGuard(false, [&] {
            SetError(error, "cannot open the firm database: out of memory");
            return true;
        });
    return opened == 1;
}

void FirmDatabaseClose()
{
    if (FirmSession* firm = Current().get())
        for (FirmTable* table : {&firm->contractors, &firm->invoices, &firm->corrections})
            LatitudeUnguard(table->record.data());
    FirmReleaseLeftLines();
    Current().reset();
}
