// ContractorFlags: one flag per contractor number (firms) and per |number|
// (natural persons), set as the documents that refer to a contractor are
// read, and read again as the contractors and the documents are written.
#pragma once

#include <cstdint>

#include "contract/export_format.h"

// A flag for every number of a listed contractor (0 unused).
inline constexpr int kContractorFlagCount = kContractorNumberLast + 1;
// What a flag byte says of its contractor.
inline constexpr unsigned char kContractorUnmarked = 0;
inline constexpr unsigned char kContractorMarked = 1;  // an exported document refers to it
inline constexpr unsigned char kContractorMissing = 2; // marked, but the host did not find it

struct ContractorFlags {
    unsigned char* firms;   // kContractorFlagCount bytes
    unsigned char* persons; // kContractorFlagCount bytes
};

// The flag of a contractor number; null for 0 (no contractor) and for a
// number outside the tables.
inline unsigned char* ContractorFlag(const ContractorFlags& flags, int32_t contractor)
{
    if (contractor >= 1 && contractor <= kContractorNumberLast)
        return &flags.firms[contractor];
    if (contractor >= -kContractorNumberLast && contractor <= -1)
        return &flags.persons[-contractor];
    return nullptr;
}
