#include "host/firm/firm_database.h"

#include "host/firm/firm_queries.h"
#include "host/firm/firm_session.h"
#include "host/firm/firm_validation.h"

namespace {

std::unique_ptr<FirmSession>& Current()
{
    static std::unique_ptr<FirmSession> session;
    return session;
}

void SetError(std::string* error, std::string text)
{
    if (error != nullptr)
        *error = std::move(text);
}

bool Prepare(sqlite3* db, const char* sql, Statement* statement)
{
    sqlite3_stmt* raw = nullptr;
    const int status = sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
    statement->reset(raw);
    return status == SQLITE_OK;
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

bool FirmDatabaseOpen(const std::string& path, std::string* error)
{
    try {
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
    } catch (...) {
        try {
            SetError(error, "cannot open the firm database: out of memory");
        } catch (...) {
        }
        return false;
    }
}

void FirmDatabaseClose() { Current().reset(); }
