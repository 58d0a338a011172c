// Addresses of the demo firm's contractors, one line each, in every form the
// export's split of an address into street, postal code and city meets.
#pragma once

#include <string>

#include "host/firm/demo/demo_random.h"

namespace demo_firm {

enum class AddressForm {
    StreetThenCity, // "ul. Długa 5 80-831 Gdańsk"
    CityThenStreet, // "80-831 Gdańsk ul. Długa 5"
    CityThenEstate, // "40-871 Katowice os. Tysiąclecia 12"
    EstateThenCity, // "os. Tysiąclecia 12 40-871 Katowice"
    UnmarkedStreet, // "Długa 5 80-831 Gdańsk", "al. Jana Pawła II 3 80-831 Gdańsk"
    PostalCodeCity, // "30-001 Kraków"
    CityOnly,       // "Zakopane"
};

enum class MarkerCase { Lower, Upper, Capital };

// An address of the form, its markers ("ul.", "os.") in the case given.
std::string Address(Random& random, AddressForm form, MarkerCase markerCase);

} // namespace demo_firm
