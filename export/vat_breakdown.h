// Per-document VAT sums: one per deduction class (B, N, W), fixed-asset
// class and rate code, however many codes a document has.
#pragma once

#include <cstdint>
#include <climits>

#include "export/export_document.h"
#include "export/run_notices.h"

// The six lists of a document's sums, in the order their positions are
// written: B ordinary, B fixed assets, N ordinary, N fixed assets,
// W ordinary, W fixed assets.
inline constexpr int kVatListCount = 6;
inline constexpr int kVatListsPerClass = 2; // ordinary, fixed assets
// Every signed 16-bit rate code.
inline constexpr int kRateCodeCount = 65536;

struct VatRateSum {
    double net; // host units of 1/10000
    double vat;
    int16_t rateCode;
    int16_t list;
};

// Rate texts of the codes met so far: a code's text comes from the host
// once, not once per position.  Direct-mapped by the code's low bits.
inline constexpr int kRateTextSlots = 64;
inline constexpr int32_t kNoRateCode = INT32_MAX;
struct RateTextCache {
    int32_t code[kRateTextSlots];
    char text[kRateTextSlots][kRateTextSize];
};

// The sums of the document being written, in the order in which their
// (list, code) first occurred; within one list that is the order of the
// positions.  sumOfCode finds a sum in one step: per list and code the index
// of its sum, -1 when it has none yet.  Both blocks live for the whole run;
// a document leaves sumOfCode as it found it.
struct VatBreakdown {
    VatRateSum* sums;
    int32_t count;
    int32_t capacity;
    int32_t* sumOfCode; // kVatListCount * kRateCodeCount entries
    RateTextCache* rateTexts;
};

// Sums the VAT lines of a document (its record from the host's table of
// that kind) into vat, which holds its sums alone afterwards: per deduction
// class, fixed-asset class (by the firm's purchase-kind codes) and rate
// code.  The header names the document in a failure's reason.  False when
// the run must stop: the lines could not be read whole, there was no memory
// for a sum, or the command was abandoned.
bool CollectVatLines(VatBreakdown& vat, const unsigned char* purchaseKindSettings, int kind,
                     const unsigned char* record, const ExportDocument& header, RunFailure& failure);
// The position record of a sum: its rate text, amounts in zloty, class
// letter, fixed-asset and buyer-settles flags; the position's shared fields
// are left as they are.
void FillPosition(ExportDocument& position, const VatRateSum& sum, RateTextCache& rateTexts);

// Writes the rate text of a code into a rateText field (kRateTextSize bytes).
void VatRateText(char* destination, int16_t rateCode);
// The rate text of a code from the cache, asking the host on a miss.
const char* CachedRateText(RateTextCache& cache, int16_t rateCode);
