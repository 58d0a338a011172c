// The host's entries over the firm's tables: table objects, scans of the
// purchase documents, the contractor look-up, settings blocks and VAT rates.
// They are called from plug-in code as plain C functions, so nothing may
// escape them as an exception.
#include <cstring>

#include "contract/host_protocol.h"
#include "host/common/entry_guard.h"
#include "host/firm/firm_queries.h"
#include "host/firm/firm_records.h"
#include "host/firm/firm_session.h"
#include "host/module/host_entry_impl.h"

namespace {

// What a scan keeps in the plug-in's scan block: the kind and the rowid of
// the last document read.  Nothing in it points into the host.
struct ScanBlock {
    uint32_t mark;
    int32_t kind;
    int64_t lastRowid;
};
static_assert(sizeof(ScanBlock) <= static_cast<std::size_t>(kHostScanStateSize));

constexpr uint32_t kScanOpenMark = 0x4E414353; // "SCAN"

ScanBlock ReadScan(const void* scan)
{
    ScanBlock block{};
    if (scan != nullptr)
        std::memcpy(&block, scan, sizeof block);
    return block;
}

void WriteScan(void* scan, const ScanBlock& block) { std::memcpy(scan, &block, sizeof block); }

const DocumentLayout* LayoutOfKind(int kind)
{
    if (kind == kInvoiceLayout.scanKind)
        return &kInvoiceLayout;
    if (kind == kCorrectionLayout.scanKind)
        return &kCorrectionLayout;
    return nullptr;
}

int32_t& ContractorSlot()
{
    static int32_t slot = 0;
    return slot;
}

} // namespace

namespace tomiva {

void* HOST_CONV_STDCALL HostOpenTable(int table)
{
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
    // The tables are read through indexed statements prepared when the firm
    // opened; there is nothing left to prepare, only the object to check.
    FirmSession* firm = CurrentFirm();
    if (firm == nullptr || table == nullptr)
        return 0;
    return table == &firm->contractors.object || table == &firm->invoices.object ||
                   table == &firm->corrections.object
               ? 1
               : 0;
}

int HOST_CONV_STDCALL HostScanOpen(void* scan, int /*reserved*/, int kind, int /*from*/, int /*to*/, int /*flags*/)
{
    if (scan == nullptr)
        return 0;
    if (CurrentFirm() == nullptr || LayoutOfKind(kind) == nullptr) {
        WriteScan(scan, ScanBlock{});
        return 0;
    }
    WriteScan(scan, ScanBlock{kScanOpenMark, kind, 0});
    return 1;
}

int HOST_CONV_STDCALL HostScanNext(void* scan)
{
    ScanBlock block = ReadScan(scan);
    FirmSession* firm = CurrentFirm();
    const DocumentLayout* layout = LayoutOfKind(block.kind);
    if (block.mark != kScanOpenMark || firm == nullptr || layout == nullptr)
        return 0;
    const bool invoices = layout == &kInvoiceLayout;
    sqlite3_stmt* next = Fresh(invoices ? firm->nextInvoice : firm->nextCorrection);
    sqlite3_bind_int64(next, 1, block.lastRowid);
    const int read = HostEntryGuard(0, [&] {
        if (Step(next) == SQLITE_ROW) {
            PackDocument(next, *layout, (invoices ? firm->invoices : firm->corrections).record.data());
            block.lastRowid = sqlite3_column_int64(next, firm_sql::kDocumentRowid);
            WriteScan(scan, block);
            return 1;
        }
        return 0;
    });
    sqlite3_reset(next);
    return read;
}

int HOST_CONV_STDCALL HostScanClose(void* scan)
{
    if (scan == nullptr)
        return 0;
    WriteScan(scan, ScanBlock{});
    return 1;
}

int32_t* HOST_CONV_STDCALL HostContractorKey(void) { return &ContractorSlot(); }

// Its only mode, kFindByKeySlot: the number in the key slot.
int HOST_CONV_STDCALL HostFindContractor(int mode)
{
    FirmSession* firm = CurrentFirm();
    if (firm == nullptr)
        return 0;
    unsigned char* record = firm->contractors.record.data();
    std::memset(record, 0, kContractorLayout.size);
    if (mode != kFindByKeySlot)
        return 0;
    sqlite3_stmt* find = Fresh(firm->contractorByNumber);
    sqlite3_bind_int64(find, 1, ContractorSlot());
    const int found = HostEntryGuard(0, [&] {
        if (Step(find) == SQLITE_ROW) {
            PackContractor(find, record);
            return 1;
        }
        return 0;
    });
    if (found == 0)
        std::memset(record, 0, kContractorLayout.size); // nothing half packed stays
    sqlite3_reset(find);
    return found;
}

// The replacement host keeps one firm, so every firm number (the plug-in
// passes -1, the current firm) reads that one.
int HOST_CONV_STDCALL HostReadSettings(int /*firm*/, int block, void* buffer, int size)
{
    if (buffer == nullptr || size <= 0)
        return 0;
    std::memset(buffer, 0, static_cast<std::size_t>(size));
    FirmSession* firm = CurrentFirm();
    if (firm == nullptr)
        return 0;
    sqlite3_stmt* read = Fresh(firm->settingsBlock);
    sqlite3_bind_int(read, 1, block);
    if (Step(read) == SQLITE_ROW) {
        const void* data = sqlite3_column_blob(read, 0);
        const int bytes = sqlite3_column_bytes(read, 0);
        if (data != nullptr && bytes > 0)
            std::memcpy(buffer, data, static_cast<std::size_t>(bytes < size ? bytes : size));
    }
    sqlite3_reset(read);
    return 1;
}

double HOST_CONV_STDCALL HostVatRate(int code)
{
    FirmSession* firm = CurrentFirm();
    if (firm == nullptr)
        return 0.0;
    sqlite3_stmt* rate = Fresh(firm->rateOfCode);
    sqlite3_bind_int(rate, 1, code);
    const double percent = Step(rate) == SQLITE_ROW ? sqlite3_column_double(rate, 0) : 0.0;
    sqlite3_reset(rate);
    return percent;
}

} // namespace tomiva
