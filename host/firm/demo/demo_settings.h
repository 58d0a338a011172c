// The demo firm's settings: its VAT rates and the settings blocks that name
// its purchase kinds and give their codes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/firm/demo/demo_random.h"

namespace demo_firm {

struct Rate {
    int16_t code;
    int tenths; // the percentage in tenths: 230 = 23.0%
};

// Every code a line may carry has its row, the ignored ones too.
inline constexpr Rate kRates[] = {
    {1, 230}, {2, 80}, {3, 50}, {4, 0}, {5, 0}, {6, 0}, {8, 0}, {9, 0}, {11, 0}, {19, 0}, {39, 65}, {41, 230},
};

// The rate of a code in tenths of a percent; 0 for a code without a row.
constexpr int RateTenths(int16_t code)
{
    for (const Rate& rate : kRates)
        if (rate.code == code)
            return rate.tenths;
    return 0;
}

// A line's purchase kind: its index among the kinds' names, one whose code
// is fixed assets or one of the others.
int16_t RandomPurchaseKind(Random& random, bool fixedAsset);

struct SettingsBlock {
    int number;
    std::string data;
};
// The blocks of the purchase kinds, their names first, then their codes.
std::vector<SettingsBlock> PurchaseKindBlocks();

} // namespace demo_firm
