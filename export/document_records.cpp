// The document builders: the purchase invoices and purchase corrections of
// the chosen period, gathered into the run's document array before anything
// is written.
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

#include "export/export_run.h"
#include "export/export_text.h"
#include "shell/binding.h"
#include "shell/host_calls.h"
#include "shell/plugin_messages.h"

namespace {

inline constexpr int kGrowthStep = 50;
inline constexpr int kContractorFlagLast = kContractorFlagCount - 1; // 65999
inline constexpr int32_t kPersonKeyBase = 70000;

struct DateParts {
    int16_t year, month, day;
};

DateParts Unpack(const char* date)
{
    DateParts parts{0, 0, 0};
    HostUnpackDate(date, &parts.year, &parts.month, &parts.day, 0);
    return parts;
}

// The host's dates are real calendar dates, or empty with all parts 0; the
// clamps only keep a malformed part from overflowing its field.
int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

void FormatDateTime(char* destination, std::size_t size, const char* date)
{
    const DateParts p = Unpack(date);
    std::snprintf(destination, size, "%04d-%02d-%02dT00:00:00", Clamp(p.year, 0, 9999), Clamp(p.month, 0, 99),
                  Clamp(p.day, 0, 99));
}

void CopyText(char* destination, const char* source, int max)
{
    destination[0] = '\0';
    HostCopyField(destination, source, max);
}

} // namespace

void DigitsOnly(char* dst, int dstSize, const char* src)
{
    int n = 0;
    for (const char* p = src; *p != '\0' && n + 1 < dstSize; ++p)
        if (std::isdigit(static_cast<unsigned char>(*p)))
            dst[n++] = *p;
    if (dstSize > 0)
        dst[n] = '\0';
}

int64_t ContractorKeyOf(int32_t contractorNumber)
{
    const int64_t n = contractorNumber;
    return n < 0 ? -n + kPersonKeyBase : n;
}

void FormatRegisterId(char* destination, int32_t documentKey, int64_t contractorKey, uint32_t id1, uint32_t id2)
{
    char key[16], contractor[24], first[16], second[24];
    std::snprintf(key, sizeof key, "%08X", static_cast<uint32_t>(documentKey));
    std::snprintf(contractor, sizeof contractor, "%04llX", static_cast<unsigned long long>(contractorKey));
    std::snprintf(first, sizeof first, "%08X", id1);
    std::snprintf(second, sizeof second, "%012X", id2);
    std::snprintf(destination, kRegisterIdSize, "%8.8s-%4.4s-%4.4s-%4.4s-%12.12s", key, contractor, first, first + 4,
                  second);
}

bool ExportRun::ReserveDocument()
{
    if (documentCount < documentCapacity)
        return true;
    if (documentCapacity > INT_MAX / static_cast<int>(sizeof(ExportDocument)) - kGrowthStep)
        return false; // the size would not fit the host's size argument
    void* block = documents;
    const int bytes = (documentCapacity + kGrowthStep) * static_cast<int>(sizeof(ExportDocument));
    if (HostRealloc(&block, bytes) == 0)
        return false;
    documents = static_cast<ExportDocument*>(block);
    documentCapacity += kGrowthStep;
    return true;
}

void ExportRun::BuildInvoiceDocuments(const ExportOptions& options)
{
    BuildDocuments(options, kInvoiceLayout, invoiceRecord, kKindRowInvoices, invoiceCount);
}

void ExportRun::BuildCorrectionDocuments(const ExportOptions& options)
{
    BuildDocuments(options, kCorrectionLayout, correctionRecord, kKindRowCorrections, correctionCount);
}

void ExportRun::BuildDocuments(const ExportOptions& options, const DocumentLayout& layout, unsigned char* record,
                               int kindRow, int32_t& counter)
{
    const KindRow& kind = options.kinds[kindRow];
    const bool invoices = layout.scanKind == kInvoiceLayout.scanKind;
    const DateParts from = Unpack(options.dateFrom);

    unsigned char scan[kHostScanStateSize];
    std::memset(scan, 0, sizeof scan);
    if (HostScanOpen(scan, 0, layout.scanKind, 0, 0, 0) != 0) {
        while (HostScanNext(scan) == 1 && !CommandAbandoned()) {
            const int32_t documentKey = layout.documentKey.Read(record);
            const char* periodDate = layout.periodDate.Read(record);
            if (documentKey == 0 || periodDate[0] == '\0')
                continue;
            if (HostCompareDates(options.dateFrom, periodDate) > 0 || HostCompareDates(options.dateTo, periodDate) < 0)
                continue;

            const int32_t contractor = layout.contractor.Read(record);
            char registerId[kRegisterIdSize];
            FormatRegisterId(registerId, documentKey, ContractorKeyOf(contractor), layout.id1.Read(record),
                             layout.id2.Read(record));

            if (!ReserveDocument()) {
                if (CommandAbandoned())
                    break;
                char transaction[21];
                CopyText(transaction, layout.transaction.Read(record), 20);
                ShowMessage(kTitleNotice, kMsgDocumentNoRoom, kNoticeFlags, transaction, registerId);
                continue;
            }

            ExportDocument& d = documents[documentCount];
            std::memset(&d, 0, sizeof d);
            d.contractorKey = ContractorKeyOf(contractor);
            std::snprintf(d.registerId, sizeof d.registerId, "%s", registerId);
            CopyText(d.documentSymbol, kind.registerCode, 4);
            std::snprintf(d.month, sizeof d.month, "%02d", Clamp(from.month, 0, 99));
            std::snprintf(d.year, sizeof d.year, "%04d", Clamp(from.year, 0, 9999));
            std::snprintf(d.description, sizeof d.description, "Opis %.20s", kind.registerCode);
            CopyText(d.registerSymbol, kind.registerCode, 4);
            CopyText(d.mpz, options.branchCode, 20);
            CopyText(d.mpk, options.originPlace, 20);
            d.firmId = OptionsFirmId(options);
            std::snprintf(d.flagInvoice, sizeof d.flagInvoice, "%s", invoices ? "T" : "N");
            std::snprintf(d.flagCorrection, sizeof d.flagCorrection, "%s", invoices ? "N" : "T");
            std::snprintf(d.flagBill, sizeof d.flagBill, "N");
            std::snprintf(d.flagRrInvoice, sizeof d.flagRrInvoice, "N");
            std::snprintf(d.flagReceipt, sizeof d.flagReceipt, "N");
            CopyText(d.transaction, layout.transaction.Read(record), 20);
            std::snprintf(d.accountMask, sizeof d.accountMask, "%3.3s-******-******", kind.account);
            DigitsOnly(d.nip, sizeof d.nip, layout.nip.Read(record));
            FormatDateTime(d.issueDate, sizeof d.issueDate, layout.issueDate.Read(record));
            FormatDateTime(d.receiptDate, sizeof d.receiptDate, layout.receiptDate.Read(record));
            const uint16_t paymentDays = layout.paymentDays.Read(record);
            if (paymentDays != 0) {
                char due[kHostDateWidth];
                CopyText(due, layout.issueDate.Read(record), kHostDateWidth - 1);
                HostAddDays(due, paymentDays);
                FormatDateTime(d.dueDate, sizeof d.dueDate, due);
            } else {
                FormatDateTime(d.dueDate, sizeof d.dueDate, layout.issueDate.Read(record));
            }
            std::snprintf(d.paymentFrom, sizeof d.paymentFrom, "WYSTAWIENIA");
            d.amount = layout.amount.Read(record) / kHostAmountUnitsPerZloty;
            std::snprintf(d.currency, sizeof d.currency, "PLN");
            if (layout.comment.Read(record)[0] != '\0')
                CopyText(d.comment, layout.comment.Read(record), 30);
            std::snprintf(d.vatDeduction, sizeof d.vatDeduction, "%s",
                          layout.otherDeductionDate.Read(record) != 0 ? "INNY" : "DATA_WPLYWU");
            ++documentCount;

            AppendVatPositions(options, layout.scanKind, record);

            if (contractor >= 1 && contractor <= kContractorFlagLast)
                firmFlags[contractor] = 1;
            else if (contractor >= -kContractorFlagLast && contractor <= -1)
                personFlags[-contractor] = 1;

            ++counter;
            char count[16];
            std::snprintf(count, sizeof count, "%ld", static_cast<long>(counter));
            HostProgressText(count, nullptr);
            HostProgressUpdate();
        }
    }
    HostScanClose(scan);
}
