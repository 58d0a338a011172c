// The purchase invoices and purchase corrections of the chosen period, read
// in two passes over the host's scan: the first counts them and marks their
// contractors, the second fills each one's header record and writes it.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "export/export_run.h"
#include "export/export_text.h"
#include "shell/host_calls.h"
#include "shell/plugin_messages.h"

namespace {

inline constexpr int kContractorFlagLast = kContractorFlagCount - 1; // 65999
inline constexpr int32_t kPersonKeyBase = 70000;
inline constexpr int kScanDocumentRead = 1;
inline constexpr int kScanEnded = 0;

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

// "%0*d" of a value from 0 up to the width's limit.
char* PutDigits(char* p, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        p[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return p + width;
}

// "%04d-%02d-%02dT00:00:00" of the date's parts, clamped.
void FormatDateTime(char (&destination)[21], const char* date)
{
    const DateParts d = Unpack(date);
    char* p = PutDigits(destination, Clamp(d.year, 0, 9999), 4);
    *p++ = '-';
    p = PutDigits(p, Clamp(d.month, 0, 99), 2);
    *p++ = '-';
    p = PutDigits(p, Clamp(d.day, 0, 99), 2);
    static constexpr char kMidnight[] = "T00:00:00";
    std::memcpy(p, kMidnight, sizeof kMidnight);
}

void CopyText(char* destination, const char* source, int max)
{
    destination[0] = '\0';
    HostCopyField(destination, source, max);
}

// Upper-case hexadecimal digits of value, exactly `width` of them.
char* PutHex(char* p, unsigned long long value, int width)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (int i = width - 1; i >= 0; --i) {
        p[i] = kHex[value & 0xF];
        value >>= 4;
    }
    return p + width;
}

// A document of the period: it has a key and a period date between the
// options' dates, both included.
bool InPeriod(const ExportOptions& options, const DocumentLayout& layout, const unsigned char* record)
{
    const char* periodDate = layout.periodDate.Read(record);
    if (layout.documentKey.Read(record) == 0 || periodDate[0] == '\0')
        return false;
    return HostCompareDates(options.dateFrom, periodDate) <= 0 && HostCompareDates(options.dateTo, periodDate) >= 0;
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
    // The key's 8 digits; the contractor key's first 4 of at least 4 (a key
    // above FFFF loses its last digits); identifier 1's 8 digits as 4-4;
    // identifier 2 in 12 digits, the first 4 always zero.
    const unsigned long long contractor = static_cast<unsigned long long>(contractorKey);
    int contractorDigits = 4;
    while (contractorDigits < 16 && (contractor >> (4 * contractorDigits)) != 0)
        ++contractorDigits;
    char* p = PutHex(destination, static_cast<uint32_t>(documentKey), 8);
    *p++ = '-';
    p = PutHex(p, contractor >> (4 * (contractorDigits - 4)), 4);
    *p++ = '-';
    p = PutHex(p, id1 >> 16, 4);
    *p++ = '-';
    p = PutHex(p, id1 & 0xFFFF, 4);
    *p++ = '-';
    p = PutHex(p, id2, 12);
    *p = '\0';
}

bool ExportRun::ScanNext(unsigned char* scan, bool* read)
{
    const int result = HostScanNext(scan);
    *read = result == kScanDocumentRead;
    // 1 is a document, 0 the end; anything else is the host telling of a
    // read that failed, which must not pass for the end of the documents.
    return result == kScanDocumentRead || result == kScanEnded || Fail(kReasonDocuments);
}

bool ExportRun::MarkDocuments(const ExportOptions& options, const DocumentLayout& layout, int32_t& counter)
{
    const unsigned char* record = layout.scanKind == kInvoiceLayout.scanKind ? invoiceRecord : correctionRecord;
    unsigned char scan[kHostScanStateSize];
    std::memset(scan, 0, sizeof scan);
    bool sound = true;
    // A scan that does not start has no documents.
    if (HostScanOpen(scan, 0, layout.scanKind, 0, 0, 0) != 0) {
        bool read = false;
        while ((sound = ScanNext(scan, &read)) && read) {
            if (!InPeriod(options, layout, record))
                continue;
            const int32_t contractor = layout.contractor.Read(record);
            if (contractor >= 1 && contractor <= kContractorFlagLast)
                firmFlags[contractor] = kContractorMarked;
            else if (contractor >= -kContractorFlagLast && contractor <= -1)
                personFlags[-contractor] = kContractorMarked;

            ++counter;
            char count[16];
            FormatInteger(count, counter);
            HostProgressText(count, nullptr);
            HostProgressUpdate();
        }
    }
    HostScanClose(scan);
    return sound;
}

void ExportRun::PrepareHeader(const ExportOptions& options, const DocumentLayout& layout)
{
    // What every document of this kind shares.
    const bool invoices = layout.scanKind == kInvoiceLayout.scanKind;
    const KindRow& kind = options.kinds[invoices ? kKindRowInvoices : kKindRowCorrections];
    const DateParts from = Unpack(options.dateFrom);
    ExportDocument& d = document;
    std::memset(&d, 0, sizeof d);
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
    std::snprintf(d.accountMask, sizeof d.accountMask, "%3.3s-******-******", kind.account);
    std::snprintf(d.paymentFrom, sizeof d.paymentFrom, "WYSTAWIENIA");
    std::snprintf(d.currency, sizeof d.currency, "PLN");

    ExportDocument& p = position;
    std::memset(&p, 0, sizeof p);
    CopyText(p.mpkNet, options.originPlace, 20);
    CopyText(p.mpkVat, options.originPlace, 20);
}

void ExportRun::FillHeader(const DocumentLayout& layout, const unsigned char* record)
{
    ExportDocument& d = document;
    const int32_t contractor = layout.contractor.Read(record);
    d.contractorKey = ContractorKeyOf(contractor);
    FormatRegisterId(d.registerId, layout.documentKey.Read(record), d.contractorKey, layout.id1.Read(record),
                     layout.id2.Read(record));
    CopyText(d.transaction, layout.transaction.Read(record), 20);
    DigitsOnly(d.nip, sizeof d.nip, layout.nip.Read(record));
    FormatDateTime(d.issueDate, layout.issueDate.Read(record));
    FormatDateTime(d.receiptDate, layout.receiptDate.Read(record));
    const uint16_t paymentDays = layout.paymentDays.Read(record);
    if (paymentDays != 0) {
        char due[kHostDateWidth];
        CopyText(due, layout.issueDate.Read(record), kHostDateWidth - 1);
        HostAddDays(due, paymentDays);
        FormatDateTime(d.dueDate, due);
    } else {
        FormatDateTime(d.dueDate, layout.issueDate.Read(record));
    }
    d.amount = layout.amount.Read(record) / kHostAmountUnitsPerZloty;
    d.comment[0] = '\0';
    if (layout.comment.Read(record)[0] != '\0')
        CopyText(d.comment, layout.comment.Read(record), 30);
    static constexpr char kOtherDate[] = "INNY";
    static constexpr char kReceiptDate[] = "DATA_WPLYWU";
    static_assert(sizeof kReceiptDate <= sizeof d.vatDeduction);
    if (layout.otherDeductionDate.Read(record) != 0)
        std::memcpy(d.vatDeduction, kOtherDate, sizeof kOtherDate);
    else
        std::memcpy(d.vatDeduction, kReceiptDate, sizeof kReceiptDate);
}

bool ExportRun::CheckContractor(int32_t contractor)
{
    if (contractor == 0)
        return true; // no contractor
    unsigned char* flag = nullptr;
    if (contractor >= 1 && contractor <= kContractorFlagLast)
        flag = &firmFlags[contractor];
    else if (contractor >= -kContractorFlagLast && contractor <= -1)
        flag = &personFlags[-contractor];
    if (flag != nullptr && *flag == kContractorMarked)
        return true;
    // The first pass marked every contractor of the period: one it did not
    // mark belongs to a document it did not see.
    if (flag != nullptr && *flag == kContractorUnmarked)
        return Fail(kReasonChanged);
    // Outside the flag tables, or not in the host's contractor table: the
    // document goes out without its contractor element, and the user hears
    // which documents these are.
    char text[kNoticeCasesSize];
    std::snprintf(text, sizeof text, kCaseContractorMissing.c_str(), document.transaction, document.registerId,
                  static_cast<long>(contractor));
    AddNoticeCase(contractorsMissing, text);
    return true;
}

bool ExportRun::WriteDocuments(const ExportOptions& options, const DocumentLayout& layout, int32_t expected)
{
    const unsigned char* record = layout.scanKind == kInvoiceLayout.scanKind ? invoiceRecord : correctionRecord;
    PrepareHeader(options, layout);
    unsigned char scan[kHostScanStateSize];
    std::memset(scan, 0, sizeof scan);
    bool sound = true;
    int32_t written = 0;
    if (HostScanOpen(scan, 0, layout.scanKind, 0, 0, 0) != 0) {
        bool read = false;
        while ((sound = ScanNext(scan, &read)) && read) {
            if (!InPeriod(options, layout, record))
                continue;
            if (written == expected) {
                sound = Fail(kReasonChanged);
                break;
            }
            ++written;
            FillHeader(layout, record);
            sound = CheckContractor(layout.contractor.Read(record)) && CollectVatLines(layout.scanKind, record) &&
                    WriteRegister();
            if (!sound)
                break;
        }
    }
    HostScanClose(scan);
    return sound && (written == expected || Fail(kReasonChanged));
}
