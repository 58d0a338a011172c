// The firm database's check.  Input: SQL statements run on an empty firm
// (the host's schema, user_version set), which may add, change or drop rows,
// columns and tables.
//   - the check never fails inside itself and always answers: "" for a
//     sound firm, else offences;
//   - a firm the check passes opens, and every row of it reads through the
//     host's entries without a failure: each document by the scan with its
//     VAT lines, each contractor by its number, each settings block and rate;
//   - the scan gives every document of its table, whatever its rowid, in
//     rowid order (the first 200 are compared).
#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "contract/host_api.h"
#include "contract/host_protocol.h"
#include "contract/host_records.h"
#include "fuzz_support.h"
#include "host/firm/firm_database.h"
#include "host/firm/firm_schema.h"
#include "host/firm/firm_validation.h"
#include "host/host_entry_impl.h"

namespace {

// Statements that would reach outside the database, or run for long, end.
int Authorize(void*, int action, const char*, const char*, const char*, const char*)
{
    return action == SQLITE_ATTACH || action == SQLITE_DETACH ? SQLITE_DENY : SQLITE_OK;
}
int Steps(void* counter) { return ++*static_cast<long*>(counter) > 2000 ? 1 : 0; }

std::vector<int64_t> Numbers(sqlite3* db, const char* sql)
{
    std::vector<int64_t> numbers;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK)
        while (sqlite3_step(statement) == SQLITE_ROW && numbers.size() < 200)
            numbers.push_back(sqlite3_column_int64(statement, 0));
    sqlite3_finalize(statement);
    return numbers;
}

void ReadEverything(sqlite3* db)
{
    for (const DocumentLayout* layout : {&kInvoiceLayout, &kCorrectionLayout}) {
        unsigned char scan[kHostScanStateSize] = {};
        FUZZ_CHECK(tomiva::HostScanOpen(scan, 0, layout->scanKind, 0, 0, 0) == 1);
        const int lineTable = tomiva::HostLineTable(layout->scanKind);
        const bool invoices = layout == &kInvoiceLayout;
        const std::vector<int64_t> keys = Numbers(
            db, invoices ? "SELECT document_key FROM purchase_invoice ORDER BY rowid"
                         : "SELECT document_key FROM purchase_correction ORDER BY rowid");
        std::vector<int64_t> scanned;
        for (int read = 0; read < 200 && tomiva::HostScanNext(scan) == 1; ++read) {
            const unsigned char* record = TableRecordBuffer(
                tomiva::HostOpenTable(invoices ? kTablePurchaseInvoices : kTablePurchaseCorrections));
            scanned.push_back(layout->documentKey.Read(record));
            unsigned char key[kHostLineKeySize] = {}, status[kHostLineStatusSize] = {};
            tomiva::HostLineKey(lineTable, key, status, layout->documentKey.Read(record));
            int count = 0;
            void* list = tomiva::HostFindLines(lineTable, status, key, &count);
            unsigned char** lines = nullptr;
            void* aux = nullptr;
            if (list != nullptr)
                tomiva::HostLoadLines(&lines, &aux, &count, count, key, list);
            tomiva::HostReleaseLines(&lines, &aux, &count, count, key, 0);
            tomiva::HostFreeList(&list);
        }
        FUZZ_CHECK(scanned == keys);
        tomiva::HostScanClose(scan);
    }
    for (int64_t number : Numbers(db, "SELECT number FROM contractor")) {
        *tomiva::HostContractorKey() = static_cast<int32_t>(number);
        FUZZ_CHECK(tomiva::HostFindContractor(kFindByKeySlot) == 1);
    }
    for (int64_t block : Numbers(db, "SELECT number FROM settings_block")) {
        unsigned char buffer[kPurchaseKindCodesSize];
        FUZZ_CHECK(tomiva::HostReadSettings(kSettingsCurrentFirm, static_cast<int>(block), buffer, sizeof buffer) == 1);
    }
    for (int64_t code : Numbers(db, "SELECT code FROM vat_rate"))
        tomiva::HostVatRate(static_cast<int>(code));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = FuzzHostDirectory() + "/firm.db";
    // The statements run in memory; the host opens the result from a file.
    sqlite3* db = nullptr;
    FUZZ_CHECK(sqlite3_open(":memory:", &db) == SQLITE_OK);
    FUZZ_CHECK(sqlite3_exec(db, kFirmSchemaSql, nullptr, nullptr, nullptr) == SQLITE_OK);
    sqlite3_set_authorizer(db, &Authorize, nullptr);
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 100000);
    long steps = 0;
    sqlite3_progress_handler(db, 100, &Steps, &steps);
    const std::string sql(reinterpret_cast<const char*>(data), size);
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    sqlite3_set_authorizer(db, nullptr, nullptr);
    if (!sqlite3_get_autocommit(db))
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);

    const std::string offences = ValidateFirm(db);
    sqlite3_int64 bytes = 0;
    unsigned char* image = sqlite3_serialize(db, "main", &bytes, 0);
    FUZZ_CHECK(image != nullptr);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr && std::fwrite(image, 1, static_cast<std::size_t>(bytes), file) == static_cast<std::size_t>(bytes));
    std::fclose(file);
    sqlite3_free(image);
    std::string error;
    const bool opened = FirmDatabaseOpen(path, &error);
    // The host opens exactly the firms the check passes, for the same reason.
    FUZZ_CHECK(opened == offences.empty());
    if (opened) {
        ReadEverything(db);
        FirmDatabaseClose();
    } else {
        FUZZ_CHECK(error == offences);
    }
    sqlite3_close(db);
    return 0;
}
