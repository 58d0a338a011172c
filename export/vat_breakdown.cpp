// The VAT positions of a document: its lines summed per deduction class
// (B, N, W), fixed-asset class and rate code, each sum the record of one
// POZYCJA element.
#include "export/vat_breakdown.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "contract/export_format.h"
#include "contract/host_protocol.h"
#include "contract/host_records.h"
#include "shell/binding.h"
#include "shell/host_calls.h"
#include "shell/plugin_messages.h"

namespace {

inline constexpr int kRateCodeOffset = 32768; // the lowest code to index 0
inline constexpr int kFirstSumCapacity = 16;

// The lists of a deduction class.
inline constexpr int kClassB = 0;
inline constexpr int kClassN = 1;
inline constexpr int kClassW = 2;
const char kClassLetters[] = {'B', 'N', 'W'};

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

int32_t& SumOfCode(VatBreakdown& vat, int list, int16_t code)
{
    return vat.sumOfCode[list * kRateCodeCount + code + kRateCodeOffset];
}

// Room for one more sum: the block doubles, so a document of n codes costs
// log n reallocations once in a run, not one per code.
bool GrowSums(VatBreakdown& vat)
{
    const int32_t capacity = vat.capacity == 0 ? kFirstSumCapacity : 2 * vat.capacity;
    if (capacity > INT_MAX / static_cast<int>(sizeof(VatRateSum)))
        return false; // the size would not fit the host's size argument
    void* block = vat.sums;
    if (HostRealloc(&block, capacity * static_cast<int>(sizeof(VatRateSum))) == 0)
        return false;
    vat.sums = static_cast<VatRateSum*>(block);
    vat.capacity = capacity;
    return true;
}

bool AddVatLine(VatBreakdown& vat, const unsigned char* purchaseKindSettings, const unsigned char* line,
                const LineLayout& layout, int deductionClass, bool amountsIncludeVat, const ExportDocument& header,
                RunFailure& failure)
{
    const int16_t rateCode = layout.rateCode.Read(line);
    if (RateCodeIgnored(rateCode))
        return true;
    const double amount = layout.amount.Read(line);
    const double vatAmount = layout.vat.Read(line);
    const double net = amountsIncludeVat ? amount - vatAmount : amount;

    const bool fixedAsset =
        PurchaseKindCode(purchaseKindSettings, layout.purchaseKind.Read(line)) == kPurchaseKindFixedAsset;
    const int list = deductionClass * kVatListsPerClass + (fixedAsset ? 1 : 0);

    int32_t& index = SumOfCode(vat, list, rateCode);
    if (index < 0) {
        if (vat.count == vat.capacity && !GrowSums(vat))
            return Fail(failure, kReasonNoMemoryForPositions, header.transaction, header.registerId);
        index = vat.count++;
        vat.sums[index] = VatRateSum{0.0, 0.0, rateCode, static_cast<int16_t>(list)};
    }
    VatRateSum& sum = vat.sums[index];
    sum.net += net;
    sum.vat += vatAmount;
    return true;
}

} // namespace

void VatRateText(char* destination, int16_t rateCode)
{
    if (const char* fixed = FixedRateText(rateCode))
        std::snprintf(destination, kRateTextSize, "%s", fixed);
    else
        std::snprintf(destination, kRateTextSize, "%.0f%%", HostVatRate(rateCode));
}

const char* CachedRateText(RateTextCache& cache, int16_t rateCode)
{
    const int slot = rateCode & (kRateTextSlots - 1);
    if (cache.code[slot] != rateCode) {
        VatRateText(cache.text[slot], rateCode);
        cache.code[slot] = rateCode;
    }
    return cache.text[slot];
}

bool CollectVatLines(VatBreakdown& vat, const unsigned char* purchaseKindSettings, int kind,
                     const unsigned char* record, const ExportDocument& header, RunFailure& failure)
{
    // The previous document's sums give their places back.
    for (int32_t i = 0; i < vat.count; ++i)
        SumOfCode(vat, vat.sums[i].list, vat.sums[i].rateCode) = -1;
    vat.count = 0;

    const bool invoice = kind == kInvoiceLayout.scanKind;
    const DocumentLayout& layout = invoice ? kInvoiceLayout : kCorrectionLayout;
    const LineLayout& lineLayout = invoice ? kInvoiceLineLayout : kCorrectionLineLayout;
    const bool amountsIncludeVat = (layout.entryMode.Read(record) & 1) == 0;
    const int32_t documentKey = layout.documentKey.Read(record);
    const int16_t deductionSetting = layout.deductionSetting.Read(record);

    const int lineTable = static_cast<int16_t>(HostLineTable(kind));
    unsigned char key[kHostLineKeySize];
    unsigned char status[kHostLineStatusSize];
    std::memset(key, 0, sizeof key);
    std::memset(status, 0, sizeof status);
    HostLineKey(lineTable, key, status, documentKey);
    if (CommandAbandoned())
        return false;
    // The contract: a look-up that could not be prepared gives the document
    // no positions, and nothing is shown.  A host may answer so for a
    // document without lines; the run cannot tell that from trouble, which
    // is the host's to report (docs/host-assumptions.md).
    if (HostStatusFailed(status) != 0)
        return true;

    int count = 0;
    void* list = HostFindLines(lineTable, status, key, &count);
    // No list: the document has no lines, and no positions.
    if (list == nullptr)
        return true;
    const int referenced = count;
    unsigned char** lines = nullptr;
    void* aux = nullptr;
    if (count != 0)
        HostLoadLines(&lines, &aux, &count, count, key, list);
    HostFreeList(&list);
    if (CommandAbandoned())
        return false;
    // Fewer lines than referenced is the host's choice (say, only the lines
    // in use) unless the status block of the look-up says the load failed;
    // only then is it asked, so a host that loads every line is never asked
    // about its status after a list.
    if (count < referenced && HostStatusFailed(status) != 0)
        return Fail(failure, kReasonLines, header.transaction, header.registerId);
    // The lines as the host left them (none at all: no positions), never
    // more than it was asked for.
    if (count <= 0)
        return true;
    const int loaded = count < referenced ? count : referenced;

    bool whole = lines != nullptr;
    bool added = true;
    for (int i = 0; whole && added && i < loaded; ++i) {
        const unsigned char* line = lines[i];
        // A line the host says it loaded but did not give.
        if (line == nullptr) {
            whole = false;
            break;
        }
        if (lineLayout.inUse.Read(line) == 0)
            continue;
        const int16_t rateCode = lineLayout.rateCode.Read(line);
        const int16_t deductionKind = lineLayout.deductionKind.Read(line);
        const bool deductible = !(deductionSetting >= 2 || deductionKind == 2 || rateCode == 5 || rateCode == 9);
        const int deductionClass = !deductible ? kClassN : deductionKind > 1 ? kClassW : kClassB;
        added = AddVatLine(vat, purchaseKindSettings, line, lineLayout, deductionClass, amountsIncludeVat, header,
                           failure);
    }
    HostReleaseLines(&lines, &aux, &count, count, key, 0);
    if (!added || CommandAbandoned())
        return false;
    return whole || Fail(failure, kReasonLines, header.transaction, header.registerId);
}

void FillPosition(ExportDocument& position, const VatRateSum& sum, RateTextCache& rateTexts)
{
    ExportDocument& p = position;
    const char* rate = CachedRateText(rateTexts, sum.rateCode);
    const std::size_t rateLength = strnlen(rate, sizeof p.rateText - 1);
    std::memcpy(p.rateText, rate, rateLength);
    p.rateText[rateLength] = '\0';
    p.netAmount = sum.net / kHostAmountUnitsPerZloty;
    p.vatAmount = sum.vat / kHostAmountUnitsPerZloty;
    p.positionKind[0] = kClassLetters[sum.list / kVatListsPerClass];
    p.fixedAsset[0] = sum.list % kVatListsPerClass == 0 ? 'N' : 'T';
    p.buyerSettlesVat[0] = sum.rateCode == kRateCodeBuyerSettles ? 'T' : '\0';
}
