// The demo firm's contractors: firms (numbers counting up from 1) and
// natural persons (counting down from -1), the first of them showing every
// case the export meets, whatever the seed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/firm/demo/demo_random.h"

namespace demo_firm {

struct Contractor {
    int32_t number;
    std::string shortName, fullName, address, nip;
};

// The contractors of a firm with this many documents, in number order
// within firms and within persons.
std::vector<Contractor> MakeContractors(Random& random, int documents);

} // namespace demo_firm
