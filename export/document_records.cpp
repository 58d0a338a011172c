// The purchase invoices and purchase corrections of the chosen period: read
// from the host's scan, their VAT lines summed, their contractors marked and
// each kept as a compact record until the contractors are written; then
// each record becomes the header record that the register writer writes,
// and each of its sums a position.
#include "export/document_records.h"

#include <cstdio>
#include <cstring>

#include "contract/export_format.h"
#include "contract/host_protocol.h"
#include "shell/binding.h"
#include "shell/host_calls.h"
#include "shell/plugin_messages.h"

namespace {

inline constexpr int kScanDocumentRead = 1;

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
void FormatDateTime(char (&destination)[21], const DateParts& d)
{
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

// The compact record of a document: this, then its transaction text, tax
// number digits and comment (their lengths here, without NULs), then its
// VAT sums in the order of their positions.
struct StoredDocument {
    double amount; // host units
    int32_t documentKey;
    int32_t contractor;
    uint32_t id1;
    uint32_t id2;
    int32_t sumCount;
    DateParts issue, receipt, due;
    uint8_t otherDeductionDate;
    uint8_t transactionLength;
    uint8_t nipLength;
    uint8_t commentLength;
};

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

int64_t ContractorKeyOf(int32_t contractorNumber)
{
    const int64_t n = contractorNumber;
    return n < 0 ? -n + kPersonKeyOffset : n;
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

namespace {

// The contract of HostScanNext: 1 while a document was read, anything else
// ends the scan.  No other value can be told from the end of the documents,
// so none fails the run (docs/host-assumptions.md): a read that fails is the
// host's to report.  False when the command was abandoned meanwhile.
bool ScanNext(unsigned char* scan, bool* read)
{
    *read = HostScanNext(scan) == kScanDocumentRead;
    // An abandoned scan ends the gathering, not the documents.
    return !CommandAbandoned();
}

// The compact record of the document (its texts from the header, where the
// gathering put them) and its sums, in the order of their positions.
bool StoreDocument(DocumentStore& store, const DocumentLayout& layout, const unsigned char* record,
                   const ExportDocument& header, const VatBreakdown& vat, RunFailure& failure)
{
    StoredDocument s;
    std::memset(&s, 0, sizeof s);
    s.amount = layout.amount.Read(record);
    s.documentKey = layout.documentKey.Read(record);
    s.contractor = layout.contractor.Read(record);
    s.id1 = layout.id1.Read(record);
    s.id2 = layout.id2.Read(record);
    s.sumCount = vat.count;
    s.issue = Unpack(layout.issueDate.Read(record));
    s.receipt = Unpack(layout.receiptDate.Read(record));
    const uint16_t paymentDays = layout.paymentDays.Read(record);
    if (paymentDays != 0) {
        char due[kHostDateWidth];
        CopyText(due, layout.issueDate.Read(record), kHostDateWidth - 1);
        HostAddDays(due, paymentDays);
        s.due = Unpack(due);
    } else {
        s.due = s.issue;
    }
    s.otherDeductionDate = layout.otherDeductionDate.Read(record) != 0 ? 1 : 0;

    char nip[sizeof header.nip];
    DigitsOnly(nip, sizeof nip, layout.nip.Read(record));
    char comment[sizeof header.comment];
    comment[0] = '\0';
    if (layout.comment.Read(record)[0] != '\0')
        CopyText(comment, layout.comment.Read(record), 30);
    s.transactionLength = static_cast<uint8_t>(std::strlen(header.transaction));
    s.nipLength = static_cast<uint8_t>(std::strlen(nip));
    s.commentLength = static_cast<uint8_t>(std::strlen(comment));

    bool stored = StorePut(store, &s, sizeof s) && StorePut(store, header.transaction, s.transactionLength) &&
                  StorePut(store, nip, s.nipLength) && StorePut(store, comment, s.commentLength);
    // The sums in the order of their positions: list by list, each list in
    // the order its codes first occurred.
    for (int list = 0; stored && list < kVatListCount; ++list)
        for (int32_t i = 0; stored && i < vat.count; ++i)
            if (vat.sums[i].list == list)
                stored = StorePut(store, &vat.sums[i], sizeof vat.sums[i]);
    // A firm whose documents do not fit the memory cannot be exported: the
    // run stops at the first document that finds no room.
    return stored || Fail(failure, kReasonNoMemory);
}

void PrepareHeader(RegisterRecords& records, const ExportOptions& options, const DocumentLayout& layout)
{
    // What every document of this kind shares.
    const bool invoices = layout.scanKind == kInvoiceLayout.scanKind;
    const KindRow& kind = options.kinds[invoices ? kKindRowInvoices : kKindRowCorrections];
    const DateParts from = Unpack(options.dateFrom);
    ExportDocument& d = records.header;
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

    ExportDocument& p = records.position;
    std::memset(&p, 0, sizeof p);
    CopyText(p.mpkNet, options.originPlace, 20);
    CopyText(p.mpkVat, options.originPlace, 20);
    RenderSharedLines(records);
}

bool LoadDocument(DocumentStore& store, ExportDocument& d, int32_t* contractor, int32_t* sumCount)
{
    StoredDocument s;
    // The texts' lengths come from the record: each is checked against its
    // field before it is read into it.
    if (!StoreGet(store, &s, sizeof s) || s.transactionLength >= sizeof d.transaction ||
        s.nipLength >= sizeof d.nip || s.commentLength >= sizeof d.comment ||
        !StoreGet(store, d.transaction, s.transactionLength) || !StoreGet(store, d.nip, s.nipLength) ||
        !StoreGet(store, d.comment, s.commentLength))
        return false;
    d.transaction[s.transactionLength] = '\0';
    d.nip[s.nipLength] = '\0';
    d.comment[s.commentLength] = '\0';
    d.contractorKey = ContractorKeyOf(s.contractor);
    FormatRegisterId(d.registerId, s.documentKey, d.contractorKey, s.id1, s.id2);
    FormatDateTime(d.issueDate, s.issue);
    FormatDateTime(d.receiptDate, s.receipt);
    FormatDateTime(d.dueDate, s.due);
    d.amount = s.amount / kHostAmountUnitsPerZloty;
    static constexpr char kOtherDate[] = "INNY";
    static constexpr char kReceiptDate[] = "DATA_WPLYWU";
    static_assert(sizeof kReceiptDate <= sizeof d.vatDeduction);
    if (s.otherDeductionDate != 0)
        std::memcpy(d.vatDeduction, kOtherDate, sizeof kOtherDate);
    else
        std::memcpy(d.vatDeduction, kReceiptDate, sizeof kReceiptDate);
    *contractor = s.contractor;
    *sumCount = s.sumCount;
    return true;
}

void CheckContractor(const ContractorFlags& flags, int32_t contractor, const ExportDocument& header,
                     NoticeCases& contractorsMissing)
{
    if (contractor == 0)
        return; // no contractor
    const unsigned char* flag = ContractorFlag(flags, contractor);
    if (flag != nullptr && *flag == kContractorMarked)
        return;
    // Outside the flag tables, or not in the host's contractor table: the
    // document goes out without its contractor element, and the user hears
    // which documents these are.
    char text[kNoticeCasesSize];
    std::snprintf(text, sizeof text, kCaseContractorMissing.c_str(), header.transaction, header.registerId,
                  static_cast<long>(contractor));
    AddNoticeCase(contractorsMissing, text);
}

// The REJESTR element of the loaded document, its sums following its record
// in the order of their positions.
bool WriteRegister(OutputLines& out, DocumentStore& store, RateTextCache& rateTexts, RegisterRecords& records,
                   int32_t sumCount, RunFailure& failure)
{
    if (!WriteRegisterOpening(out, records))
        return false;
    for (int32_t i = 0; i < sumCount; ++i) {
        VatRateSum sum;
        if (!StoreGet(store, &sum, sizeof sum) || sum.list < 0 || sum.list >= kVatListCount)
            return Fail(failure, kReasonDocuments);
        FillPosition(records.position, sum, rateTexts);
        if (!WritePosition(out, records))
            return false;
    }
    return WriteRegisterClosing(out);
}

} // namespace

bool GatherDocuments(const ExportOptions& options, const DocumentLayout& layout, const unsigned char* record,
                     const unsigned char* purchaseKindSettings, VatBreakdown& vat, ExportDocument& header,
                     DocumentStore& store, ContractorFlags& flags, int32_t& counter, RunFailure& failure)
{
    unsigned char scan[kHostScanStateSize];
    std::memset(scan, 0, sizeof scan);
    bool sound = true;
    // A scan that does not start has no documents.
    if (HostScanOpen(scan, 0, layout.scanKind, 0, 0, 0) != 0) {
        bool read = false;
        while ((sound = ScanNext(scan, &read)) && read) {
            if (!InPeriod(options, layout, record))
                continue;
            // The names that a notice about this document gives.
            const int32_t contractor = layout.contractor.Read(record);
            FormatRegisterId(header.registerId, layout.documentKey.Read(record), ContractorKeyOf(contractor),
                             layout.id1.Read(record), layout.id2.Read(record));
            CopyText(header.transaction, layout.transaction.Read(record), 20);
            if (!CollectVatLines(vat, purchaseKindSettings, layout.scanKind, record, header, failure) ||
                !StoreDocument(store, layout, record, header, vat, failure)) {
                sound = false;
                break;
            }
            if (unsigned char* flag = ContractorFlag(flags, contractor))
                *flag = kContractorMarked;

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

bool WriteDocuments(const ExportOptions& options, int32_t invoiceCount, int32_t correctionCount,
                    DocumentStore& store, RateTextCache& rateTexts, const ContractorFlags& flags,
                    RegisterRecords& records, NoticeCases& contractorsMissing, OutputLines& out, RunFailure& failure)
{
    const int32_t total = invoiceCount + correctionCount;
    for (int32_t k = 0; k < total; ++k) {
        if (CommandAbandoned())
            return false;
        if (k == 0 && invoiceCount > 0)
            PrepareHeader(records, options, kInvoiceLayout);
        if (k == invoiceCount)
            PrepareHeader(records, options, kCorrectionLayout);
        int32_t contractor = 0, sumCount = 0;
        // The records were written by this run: one that does not read back
        // is a fault of the run itself, and the file would lack documents.
        if (!LoadDocument(store, records.header, &contractor, &sumCount))
            return Fail(failure, kReasonDocuments);
        CheckContractor(flags, contractor, records.header, contractorsMissing);
        if (!WriteRegister(out, store, rateTexts, records, sumCount, failure))
            return false;
    }
    return true;
}
