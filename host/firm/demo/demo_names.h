// Names of the demo firm's contractors: Polish first and last names, and a
// firm's full and short name in one of the styles firms give themselves,
// around a made-up trade name.
#pragma once

#include <cstddef>
#include <string>

#include "contract/host_records.h"
#include "host/firm/demo/demo_random.h"
#include "host/firm/firm_records.h"

namespace demo_firm {

// Characters of a contractor's short name (its host field).
inline constexpr std::size_t kShortNameRoom = kContractorLayout.shortName.room();

enum class NameStyle {
    Limited,
    LimitedSpelledOut,
    JointStock,
    Partners,
    PartnersAmpersand,
    QuotedTrader,
    Trader,
    LongLimited,
    LongPartnership,
    Wholesale,
    LimitedPartnership,
    QuotedCooperative,
};

std::string FirstName(Random& random, bool female);
// A last name; a masculine form ending in "ki" takes "ka" for a woman.
std::string LastName(Random& random, bool female);
// A firm's full name in the given style, and its short name.
void FirmNames(Random& random, NameStyle style, std::string* fullName, std::string* shortName);

} // namespace demo_firm
