// Per-document VAT accumulators.
#pragma once

#include <cstdint>

inline constexpr int kVatBucketsPerList = 10;

struct VatRateSum {
    double net; // host units of 1/10000
    double vat;
    int16_t rateCode;
};

struct VatRateList {
    VatRateSum buckets[kVatBucketsPerList];
    int16_t count;
};

struct VatBreakdown {
    VatRateList ordinary;
    VatRateList fixedAsset;
};

// Writes the rate text of a code into a rateText field (5 bytes).
void VatRateText(char* destination, int16_t rateCode);
