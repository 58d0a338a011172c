// The host's entries over the firm's tables: table objects, scans of the
// purchase documents, the contractor look-up, settings blocks and VAT rates.
// They are called from plug-in code as plain C functions, so nothing may
// escape them as an exception.
#include <cinttypes>
#include <cstring>
#include <limits>
#include <string>

#include "contract/host_protocol.h"
#include "host/common/host_format.h"
#include "host/firm/firm_queries.h"
#include "host/firm/firm_records.h"
#include "host/firm/firm_session.h"
#include "host/host_entry_impl.h"
#include "host/services/host_latitude.h"

namespace {

// What a scan keeps in the plug-in's scan block: the kind, whether a
// document was read yet, and the rowid of the last one read.  Nothing in it
// points into the host.  A rowid may be any 64-bit value, 0 and negative
// ones included, so no rowid can stand for "before the first row": the scan
// says so in a field of its own.
struct ScanBlock {
    uint32_t mark;
    int16_t kind;     // a document kind (713, 109): checked when the scan opens
    uint16_t started; // 0 before the first row, 1 after the row at lastRowid
    int64_t lastRowid;
};
static_assert(sizeof(ScanBlock) == 16);
static_assert(sizeof(ScanBlock) <= static_cast<std::size_t>(kHostScanStateSize));

constexpr uint32_t kScanOpenMark = 0x4E414353; // "SCAN"

// HostScanNext's result for a read that failed: neither 1 (a document) nor 0
// (no more documents).
constexpr int kScanFailed = -1;

ScanBlock ReadScan(const void* scan)
{
    ScanBlock block{};
    if (scan != nullptr)
        std::memcpy(&block, scan, sizeof block);
    return block;
}

void WriteScan(void* scan, const ScanBlock& block) { std::memcpy(scan, &block, sizeof block); }

// The host with larger blocks takes the whole reservation; the scan block is
// handed back on every step and at the close.
void CheckScanWhole(const void* scan, const char* where)
{
    LatitudeCheckBlockWhole("scan state (HostScanOpen)", scan, kHostScanStateSize, sizeof(ScanBlock), where);
}

const DocumentLayout* LayoutOfKind(int kind)
{
    if (kind == kInvoiceLayout.scanKind)
        return &kInvoiceLayout;
    if (kind == kCorrectionLayout.scanKind)
        return &kCorrectionLayout;
    return nullptr;
}

// The rowid that a scan statement gave last while it is still running: the
// next step from that row goes on with the statement instead of searching
// again.  Any other step (another place, a statement reset since) starts
// the statement afresh at its own rowid.
struct RunningScan {
    sqlite3_stmt* statement = nullptr;
    int64_t rowid = 0;
};

RunningScan& Running(bool invoices)
{
    static RunningScan running[2];
    return running[invoices ? 1 : 0];
}

// The key slot of HostContractorKey.  The host with latitude (variation
// 128) has several and moves between them: each HostContractorKey, and each
// look-up once done, takes another one, and the one left is filled with a
// number no contractor has.  A look-up reads the slot handed out last.
constexpr int kContractorSlots = 4;
int32_t g_contractorSlots[kContractorSlots] = {};
int g_contractorSlot = 0;

int32_t& ContractorSlot() { return g_contractorSlots[g_contractorSlot]; }

void MoveContractorSlot()
{
    if (!LatitudeHas(LatitudeVariation::ContractorSlotMoves))
        return;
    const auto garbage = [] { return static_cast<int32_t>(0x40000000u | LatitudeRandom()); };
    ContractorSlot() = garbage();
    g_contractorSlot = (g_contractorSlot + 1 + static_cast<int>(LatitudeRandom() % (kContractorSlots - 1))) %
                       kContractorSlots;
    ContractorSlot() = garbage();
}

} // namespace

namespace tomiva {

void* HOST_CONV_STDCALL HostOpenTable(int table)
{
    LatitudeEntered();
    FirmSession* firm = CurrentFirm();
    if (firm == nullptr)
        return nullptr;
    switch (table) {
    case kTableContractors:
        return &firm->contractors.object;
    case kTablePurchaseInvoices:
        return &firm->invoices.object;
    case kTablePurchaseCorrections:
        return &firm->corrections.object;
    default:
        return nullptr;
    }
}

int HOST_CONV_STDCALL HostPrepareTable(void* table, int /*mode*/)
{
    LatitudeEntered();
    // The tables are read through indexed statements prepared when the firm
    // opened; there is nothing left to prepare, only the object to check.
    FirmSession* firm = CurrentFirm();
    if (firm == nullptr || table == nullptr)
        return 0;
    return LatitudeUnused(table == &firm->contractors.object || table == &firm->invoices.object ||
                                  table == &firm->corrections.object
                              ? 1
                              : 0);
}

int HOST_CONV_STDCALL HostScanOpen(void* scan, int /*reserved*/, int kind, int /*from*/, int /*to*/, int /*flags*/)
{
    LatitudeEntered();
    if (scan == nullptr)
        return 0;
    if (CurrentFirm() == nullptr || LayoutOfKind(kind) == nullptr) {
        WriteScan(scan, ScanBlock{});
        return 0;
    }
    WriteScan(scan, ScanBlock{kScanOpenMark, static_cast<int16_t>(kind), 0, 0});
    LatitudeFillBlockWhole(scan, kHostScanStateSize, sizeof(ScanBlock));
    return LatitudeNonzero(1);
}

// 1 while a document was read, 0 after the last one (the host with latitude:
// another value); a read that fails gives kScanFailed, which also ends the
// plug-in's scan, and the user is told and the command marked as failed.
int HOST_CONV_STDCALL HostScanNext(void* scan)
{
    LatitudeEntered();
    CheckScanWhole(scan, "at HostScanNext (52279)");
    ScanBlock block = ReadScan(scan);
    FirmSession* firm = CurrentFirm();
    const DocumentLayout* layout = LayoutOfKind(block.kind);
    if (block.mark != kScanOpenMark || firm == nullptr || layout == nullptr)
        return LatitudeScanEnd(0);
    const bool invoices = layout == &kInvoiceLayout;
    const char* table = invoices ? "purchase_invoice" : "purchase_correction";
    auto where = [&] {
        return block.started != 0 ? HostFormat("table %s, the row after rowid %" PRId64, table, block.lastRowid)
                                   : HostFormat("table %s, the first row", table);
    };
    sqlite3_stmt* next = (invoices ? firm->nextInvoice : firm->nextCorrection).get();
    RunningScan& running = Running(invoices);
    // No rowid follows the largest: the scan ends there without a read (the
    // rowid after it cannot be formed).
    if (block.started != 0 && block.lastRowid == std::numeric_limits<int64_t>::max()) {
        if (running.statement == next && running.rowid == block.lastRowid)
            sqlite3_reset(next);
        running = RunningScan{};
        LatitudeCheckGuards("after HostScanNext (52279)");
        return LatitudeScanEnd(0);
    }
    // The statement of the scan's last row runs on while the scan asks for
    // the row after it; any other question starts it afresh, from the
    // smallest rowid there can be or from the one after the scan's last.
    if (block.started == 0 || running.statement != next || running.rowid != block.lastRowid ||
        !sqlite3_stmt_busy(next)) {
        Fresh(invoices ? firm->nextInvoice : firm->nextCorrection);
        sqlite3_bind_int64(next, 1,
                           block.started != 0 ? block.lastRowid + 1 : std::numeric_limits<int64_t>::min());
    }
    running = RunningScan{};
    const int read = FirmEntryGuard(kScanFailed, where, [&] {
        const int status = sqlite3_step(next);
        if (status == SQLITE_DONE)
            return 0;
        if (status != SQLITE_ROW) {
            FirmStepFailed(where(), firm->db, status);
            return kScanFailed;
        }
        unsigned char* record = (invoices ? firm->invoices : firm->corrections).record.data();
        PackDocument(next, *layout, record);
        if (!ColumnsReadWhole(firm->db)) {
            LatitudeClear(record, layout->size);
            FirmStepFailed(where(), firm->db, SQLITE_NOMEM);
            return kScanFailed;
        }
        block.lastRowid = sqlite3_column_int64(next, firm_sql::kDocumentRowid);
        block.started = 1;
        WriteScan(scan, block);
        return 1;
    });
    if (read == 1)
        running = RunningScan{next, block.lastRowid};
    else
        sqlite3_reset(next);
    LatitudeCheckGuards("after HostScanNext (52279)");
    return LatitudeScanEnd(read);
}

int HOST_CONV_STDCALL HostScanClose(void* scan)
{
    LatitudeEntered();
    if (scan == nullptr)
        return 0;
    if (ReadScan(scan).mark == kScanOpenMark)
        CheckScanWhole(scan, "at HostScanClose (52281)");
    WriteScan(scan, ScanBlock{});
    return LatitudeUnused(1);
}

int32_t* HOST_CONV_STDCALL HostContractorKey(void)
{
    LatitudeEntered();
    MoveContractorSlot();
    return &ContractorSlot();
}

// Its only mode, kFindByKeySlot: the number in the key slot.  1 when found;
// 0 when not, and also when the read failed (the user is told, the command
// marked as failed), with the record empty either way.
int HOST_CONV_STDCALL HostFindContractor(int mode)
{
    LatitudeEntered();
    FirmSession* firm = CurrentFirm();
    if (firm == nullptr)
        return 0;
    unsigned char* record = firm->contractors.record.data();
    LatitudeCheckGuards("before HostFindContractor (52352)");
    LatitudeClear(record, kContractorLayout.size);
    if (mode != kFindByKeySlot)
        return 0;
    const int32_t number = ContractorSlot();
    auto where = [&] { return HostFormat("table contractor, number %" PRId32, number); };
    sqlite3_stmt* find = Fresh(firm->contractorByNumber);
    sqlite3_bind_int64(find, 1, number);
    const int found = FirmEntryGuard(0, where, [&] {
        const int status = sqlite3_step(find);
        if (status == SQLITE_DONE)
            return 0;
        if (status != SQLITE_ROW) {
            FirmStepFailed(where(), firm->db, status);
            return 0;
        }
        PackContractor(find, record);
        if (!ColumnsReadWhole(firm->db)) {
            FirmStepFailed(where(), firm->db, SQLITE_NOMEM);
            return 0;
        }
        return 1;
    });
    if (found == 0)
        LatitudeClear(record, kContractorLayout.size); // nothing half packed stays
    sqlite3_reset(find);
    MoveContractorSlot(); // the slot served this look-up
    return LatitudeNonzero(found);
}

// The replacement host keeps one firm, so every firm number (the plug-in
// passes -1, the current firm) reads that one.  1 when the block was read
// (a missing block reads as zeros); 0, the buffer all zeros, when it could
// not be read.
int HOST_CONV_STDCALL HostReadSettings(int /*firm*/, int block, void* buffer, int size)
{
    LatitudeEntered();
    if (buffer == nullptr || size <= 0)
        return 0;
    std::memset(buffer, 0, static_cast<std::size_t>(size));
    FirmSession* firm = CurrentFirm();
    if (firm == nullptr)
        return 0;
    auto where = [&] { return HostFormat("table settings_block, number %d", block); };
    sqlite3_stmt* read = Fresh(firm->settingsBlock);
    sqlite3_bind_int(read, 1, block);
    const int result = FirmEntryGuard(0, where, [&] {
        const int status = sqlite3_step(read);
        if (status == SQLITE_DONE)
            return 1;
        if (status != SQLITE_ROW) {
            FirmStepFailed(where(), firm->db, status);
            return 0;
        }
        const void* data = sqlite3_column_blob(read, 0);
        const int bytes = sqlite3_column_bytes(read, 0);
        if (data != nullptr && bytes > 0) {
            std::memcpy(buffer, data, static_cast<std::size_t>(bytes < size ? bytes : size));
        } else if (!ColumnsReadWhole(firm->db)) {
            FirmStepFailed(where(), firm->db, SQLITE_NOMEM);
            return 0;
        }
        return 1;
    });
    if (result == 0)
        std::memset(buffer, 0, static_cast<std::size_t>(size));
    sqlite3_reset(read);
    return LatitudeUnused(result);
}

// The rate in percent; 0.0 for a code without a row.  A read that fails
// gives NaN, which no rate is, and the user is told.
double HOST_CONV_STDCALL HostVatRate(int code)
{
    LatitudeEntered();
    FirmSession* firm = CurrentFirm();
    if (firm == nullptr)
        return 0.0;
    constexpr double kFailed = std::numeric_limits<double>::quiet_NaN();
    auto where = [&] { return HostFormat("table vat_rate, code %d", code); };
    sqlite3_stmt* rate = Fresh(firm->rateOfCode);
    sqlite3_bind_int(rate, 1, code);
    const double percent = FirmEntryGuard(kFailed, where, [&] {
        const int status = sqlite3_step(rate);
        if (status == SQLITE_ROW)
            return sqlite3_column_double(rate, 0);
        if (status == SQLITE_DONE)
            return 0.0;
        FirmStepFailed(where(), firm->db, status);
        return kFailed;
    });
    sqlite3_reset(rate);
    return percent;
}

} // namespace tomiva
