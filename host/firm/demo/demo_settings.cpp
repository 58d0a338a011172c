#include "host/firm/demo/demo_settings.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "contract/host_protocol.h"

namespace demo_firm {

namespace {

struct PurchaseKind {
    const char* name; // at most 10 ASCII characters
    int16_t code;     // 3 = fixed assets
};

// Index 0 of the names is the marker entry; the kinds follow it, so a line's
// purchase kind (the index) is 1 and up.
const PurchaseKind kPurchaseKinds[] = {
    {"Towary", 1},   {"Materialy", 2},  {"Srodki tr.", 3}, {"Uslugi", 4},  {"Paliwo", 5},
    {"Wyposaz.", 6}, {"Inwestycje", 3}, {"Najem", 7},      {"Energia", 8}, {"Inne", 9},
};
constexpr int kPurchaseKindCount = static_cast<int>(std::size(kPurchaseKinds));

const Weighted<int16_t> kOrdinaryKinds[] = {{1, 35}, {2, 20}, {4, 20}, {5, 8}, {6, 5}, {8, 4}, {9, 5}, {10, 3}};
const Weighted<int16_t> kFixedAssetKinds[] = {{3, 70}, {7, 30}};

} // namespace

int16_t RandomPurchaseKind(Random& random, bool fixedAsset)
{
    return fixedAsset ? PickWeighted(random, kFixedAssetKinds) : PickWeighted(random, kOrdinaryKinds);
}

std::vector<SettingsBlock> PurchaseKindBlocks()
{
    std::string names(kPurchaseKindNameCount * kPurchaseKindNameSize, '\0');
    std::memcpy(&names[0], kPurchaseKindsMarker, std::strlen(kPurchaseKindsMarker));
    // The codes are little-endian 16-bit words; every entry the export
    // reads holds a valid code (1, the default kind, where none is named).
    std::string codes(kPurchaseKindCodesSize, '\0');
    for (int i = 0; i < kPurchaseKindCodeCount; ++i)
        codes[static_cast<std::size_t>(2 * i)] = 1;
    for (int k = 0; k < kPurchaseKindCount; ++k) {
        const PurchaseKind& kind = kPurchaseKinds[k];
        const std::size_t entry = static_cast<std::size_t>(k + 1);
        std::memcpy(&names[entry * kPurchaseKindNameSize], kind.name,
                    std::min<std::size_t>(std::strlen(kind.name), kPurchaseKindNameSize - 1));
        codes[2 * entry] = static_cast<char>(kind.code & 0xFF);
        codes[2 * entry + 1] = static_cast<char>((kind.code >> 8) & 0xFF);
    }
    return {{kSettingsPurchaseKindNames, std::move(names)}, {kSettingsPurchaseKindCodes, std::move(codes)}};
}

} // namespace demo_firm
