// What the export file is made of that both its writer (the plug-in's
// export/) and its checker (the host's verify/) must agree on.  Facts only:
// each side keeps its own way of getting there.
#pragma once

#include <cstdint>

// The contractors listed: firms numbered 1 to 65999 and natural persons -1
// to -65999; a document of any other contractor names one that is not listed.
inline constexpr int32_t kContractorNumberLast = 65999;

// A document's identifier carries its contractor's key: a firm's number as
// it is, a person's (negative) number as its magnitude above this offset.
inline constexpr int32_t kPersonKeyOffset = 70000;

// VAT rate codes with a meaning of their own: the buyer settles the VAT (the
// position says so, its rate text stays empty).
inline constexpr int16_t kRateCodeBuyerSettles = 41;

// Rate codes whose lines the export passes over.
inline constexpr int16_t kIgnoredRateCodes[] = {6, 7, 10, 19, 30, 31, 40};

constexpr bool RateCodeIgnored(int16_t rateCode)
{
    for (const int16_t ignored : kIgnoredRateCodes)
        if (rateCode == ignored)
            return true;
    return false;
}

// The rate text of a position whose code has a text of its own; null for a
// code whose text is its percentage, whole, with its sign and "%" ("23%").
constexpr const char* FixedRateText(int16_t rateCode)
{
    switch (rateCode) {
    case 0: return "";
    case 5: return "zw";
    case 6: case 7: case 10: return "----";
    case 8: return "opk";
    case 9: return "np";
    case 11: return "0%";
    case 39: return "6.5%";
    case kRateCodeBuyerSettles: return ""; // the field stays empty
    default: return nullptr;
    }
}
