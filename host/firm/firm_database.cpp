#include "host/firm/firm_database.h"

#include <memory>

#include "host/common/entry_guard.h"
#include "host/common/error_text.h"
#include "host/firm/firm_queries.h"
#include "host/firm/firm_session.h"
#include "host/firm/firm_validation.h"

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

void SetUpTable(FirmTable* table, int number, std::size_t recordSize)
{
    table->record.assign(recordSize, 0);
    table->object.number = number;
    table->object.record = table->record.data();
}

} // namespace

sqlite3_stmt* Fresh(const Statement& statement)
{
    sqlite3_reset(statement.get());
    sqlite3_clear_bindings(statement.get());
    return statement.get();
}

int Step(sqlite3_stmt* statement)
{
    const int status = sqlite3_step(statement);
    if (status != SQLITE_ROW && status != SQLITE_DONE)
        ReportEntryFailure(status == SQLITE_NOMEM ? EntryFailure::Memory : EntryFailure::Other);
    return status;
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

namespace {

// Opens, checks and prepares the firm at path and makes it the current one;
// false with the reason, the current firm left as it was.
bool OpenFirm(const std::string& path, std::string* error)
{
    // The firm opened so far stays until the new one has passed.
    auto session = std::make_unique<FirmSession>();
    // The host has one thread, so the connection needs no mutex.
    const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &session->db, flags, nullptr) != SQLITE_OK) {
        SetError(error, "cannot open the firm database " + path + ": " + sqlite3_errmsg(session->db));
        return false;
    }
    // One read transaction from the check to the close: every entry reads
    // the very rows that passed, and no look-up pays for taking and
    // dropping the file lock.
    if (sqlite3_exec(session->db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
        SetError(error, "cannot read the firm database " + path + ": " + sqlite3_errmsg(session->db));
        return false;
    }
    std::string offences = ValidateFirm(session->db);
    if (!offences.empty()) {
        SetError(error, std::move(offences));
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
    SetUpTable(&session->contractors, kTableContractors, kContractorLayout.size);
    SetUpTable(&session->invoices, kTablePurchaseInvoices, kInvoiceLayout.size);
    SetUpTable(&session->corrections, kTablePurchaseCorrections, kCorrectionLayout.size);
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
    FirmReleaseLeftLines();
    Current().reset();
}
