// The VAT positions of a document: its lines summed per deduction class
// (B, N, W), fixed-asset class and rate code.
#include <cstdio>
#include <cstring>

#include "contract/host_protocol.h"
#include "export/export_run.h"
#include "export/export_text.h"
#include "shell/binding.h"
#include "shell/host_calls.h"
#include "shell/plugin_messages.h"

namespace {

inline constexpr int16_t kRateBuyerSettles = 41;
inline constexpr int16_t kPurchaseKindFixedAsset = 3;

bool RateIgnored(int16_t code)
{
    switch (code) {
    case 6: case 7: case 10: case 19: case 30: case 31: case 40:
        return true;
    default:
        return false;
    }
}

// The purchase-kind code at a line's purchase kind.  Only the first 90
// entries are purchase kinds; an index outside them names no kind, and its
// line counts as an ordinary purchase.
int16_t PurchaseKindCode(const unsigned char* settings, int16_t index)
{
    if (index < 0 || index >= kPurchaseKindCodeCount)
        return 0;
    int16_t code;
    std::memcpy(&code, settings + 2 * index, sizeof code);
    return code;
}

void ClearBreakdown(VatBreakdown& b) { std::memset(&b, 0, sizeof b); }

} // namespace

void VatRateText(char* destination, int16_t rateCode)
{
    const int size = static_cast<int>(sizeof(ExportDocument::rateText));
    switch (rateCode) {
    case 0: destination[0] = '\0'; return;
    case 5: std::snprintf(destination, size, "zw"); return;
    case 6: case 7: case 10: std::snprintf(destination, size, "----"); return;
    case 8: std::snprintf(destination, size, "opk"); return;
    case 9: std::snprintf(destination, size, "np"); return;
    case 11: std::snprintf(destination, size, "0%%"); return;
    case 39: std::snprintf(destination, size, "6.5%%"); return;
    case kRateBuyerSettles: return; // the zero-filled field stays empty
    default: std::snprintf(destination, size, "%.0f%%", HostVatRate(rateCode)); return;
    }
}

void ExportRun::AppendVatPositions(const ExportOptions& options, int kind, const unsigned char* document)
{
    const int header = documentCount - 1;
    CollectVatLines(kind, document, header);
    EmitVatPositions(options, vatSumsB, "B", header);
    EmitVatPositions(options, vatSumsN, "N", header);
    EmitVatPositions(options, vatSumsW, "W", header);
}

void ExportRun::CollectVatLines(int kind, const unsigned char* document, int header)
{
    ClearBreakdown(vatSumsB);
    ClearBreakdown(vatSumsN);
    ClearBreakdown(vatSumsW);

    const bool invoice = kind == kInvoiceLayout.scanKind;
    const DocumentLayout& layout = invoice ? kInvoiceLayout : kCorrectionLayout;
    const LineLayout& lineLayout = invoice ? kInvoiceLineLayout : kCorrectionLineLayout;
    const int amountsIncludeVat = (layout.entryMode.Read(document) & 1) == 0;
    const int32_t documentKey = layout.documentKey.Read(document);
    const int16_t deductionSetting = layout.deductionSetting.Read(document);

    const int lineTable = static_cast<int16_t>(HostLineTable(kind));
    unsigned char key[kHostLineKeySize];
    unsigned char status[kHostLineStatusSize];
    std::memset(key, 0, sizeof key);
    std::memset(status, 0, sizeof status);
    HostLineKey(lineTable, key, status, documentKey);
    if (HostStatusFailed(status) != 0 || CommandAbandoned())
        return;

    int count = 0;
    void* list = HostFindLines(lineTable, status, key, &count);
    if (list == nullptr)
        return;
    unsigned char** lines = nullptr;
    void* aux = nullptr;
    if (count != 0)
        HostLoadLines(&lines, &aux, &count, count, key, list);
    HostFreeList(&list);
    if (count == 0 || lines == nullptr)
        return;

    for (int i = 0; i < count && !CommandAbandoned(); ++i) {
        const unsigned char* line = lines[i];
        if (line == nullptr || lineLayout.inUse.Read(line) == 0)
            continue;
        const int16_t rateCode = lineLayout.rateCode.Read(line);
        const int16_t deductionKind = lineLayout.deductionKind.Read(line);
        const bool deductible = !(deductionSetting >= 2 || deductionKind == 2 || rateCode == 5 || rateCode == 9);
        VatBreakdown& accumulator = !deductible ? vatSumsN : deductionKind > 1 ? vatSumsW : vatSumsB;
        AddVatLine(accumulator, line, lineLayout, amountsIncludeVat, header);
    }

    HostReleaseLines(&lines, &aux, &count, count, key, 0);
}

void ExportRun::AddVatLine(VatBreakdown& accumulator, const unsigned char* line, const LineLayout& layout,
                           bool amountsIncludeVat, int header)
{
    const int16_t rateCode = layout.rateCode.Read(line);
    if (RateIgnored(rateCode))
        return;
    const double amount = layout.amount.Read(line);
    const double vat = layout.vat.Read(line);
    const double net = amountsIncludeVat ? amount - vat : amount;

    const bool fixedAsset =
        PurchaseKindCode(purchaseKindSettings, layout.purchaseKind.Read(line)) == kPurchaseKindFixedAsset;
    VatRateList& list = fixedAsset ? accumulator.fixedAsset : accumulator.ordinary;

    int bucket = 0;
    while (bucket < list.count && list.buckets[bucket].rateCode != rateCode)
        ++bucket;
    if (bucket == list.count) {
        if (list.count == kVatBucketsPerList) {
            // The register element has room for this many rates per class;
            // the user must hear that these amounts are missing.
            const ExportDocument& d = documents[header];
            ShowMessage(kTitleNotice, kMsgTooManyRates, kNoticeFlags, d.transaction, d.registerId,
                        static_cast<int>(rateCode));
            return;
        }
        ++list.count;
    }
    VatRateSum& sum = list.buckets[bucket];
    sum.rateCode = rateCode;
    sum.net += net;
    sum.vat += vat;
}

void ExportRun::EmitVatPositions(const ExportOptions& options, const VatBreakdown& accumulator, const char* letter,
                                 int header)
{
    const VatRateList* lists[] = {&accumulator.ordinary, &accumulator.fixedAsset};
    for (int which = 0; which < 2; ++which) {
        const VatRateList& list = *lists[which];
        for (int b = 0; b < list.count; ++b) {
            const VatRateSum& sum = list.buckets[b];
            if (!ReserveDocument()) {
                if (CommandAbandoned())
                    return;
                const ExportDocument& h = documents[header];
                ShowMessage(kTitleNotice, kMsgPositionNoRoom, kNoticeFlags, h.transaction, h.registerId,
                            static_cast<int>(sum.rateCode));
                continue;
            }
            ExportDocument& d = documents[documentCount];
            std::memset(&d, 0, sizeof d);
            VatRateText(d.rateText, sum.rateCode);
            HostCopyField(d.mpkNet, options.originPlace, 20);
            d.netAmount = sum.net / kHostAmountUnitsPerZloty;
            HostCopyField(d.mpkVat, options.originPlace, 20);
            d.vatAmount = sum.vat / kHostAmountUnitsPerZloty;
            std::snprintf(d.positionKind, sizeof d.positionKind, "%s", letter);
            std::snprintf(d.fixedAsset, sizeof d.fixedAsset, "%s", which == 0 ? "N" : "T");
            if (sum.rateCode == kRateBuyerSettles)
                std::snprintf(d.buyerSettlesVat, sizeof d.buyerSettlesVat, "T");
            ++documentCount;
        }
    }
}
