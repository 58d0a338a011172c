#include "host/firm/demo/demo_addresses.h"

#include "contract/host_records.h"
#include "host/common/host_format.h"
#include "host/firm/demo/demo_text.h"
#include "host/firm/firm_records.h"

namespace demo_firm {

namespace {

constexpr std::size_t kAddressRoom = kContractorLayout.address.room();
// The split takes "postal code city" without a street to end at position 25.
constexpr std::size_t kPostalCodeCityRoom = 25;

struct City {
    const char* name;
    int prefixLow, prefixHigh; // first two digits of its postal codes
};

const City kCities[] = {
    {"Warszawa", 0, 4},
    {"Kraków", 30, 31},
    {"Gdańsk", 80, 80},
    {"Katowice", 40, 40},
    {"Poznań", 60, 61},
    {"Wrocław", 50, 54},
    {"Łódź", 90, 94},
    {"Lublin", 20, 20},
    {"Białystok", 15, 15},
    {"Szczecin", 70, 71},
    {"Rzeszów", 35, 35},
    {"Kielce", 25, 25},
    {"Olsztyn", 10, 10},
    {"Opole", 45, 45},
    {"Zielona Góra", 65, 65},
    {"Bydgoszcz", 85, 85},
    {"Toruń", 87, 87},
    {"Zakopane", 34, 34},
    {"Gdynia", 81, 81},
    {"Częstochowa", 42, 42},
    {"Radom", 26, 26},
    {"Bielsko-Biała", 43, 43},
    {"Nowy Sącz", 33, 33},
    {"Tarnów", 33, 33},
    {"Płock", 9, 9},
    {"Gliwice", 44, 44},
    {"Żywiec", 34, 34},
    {"Świnoujście", 72, 72},
    {"Łomża", 18, 18},
    {"Ełk", 19, 19},
    {"Sopot", 81, 81},
    {"Gniezno", 62, 62},
    {"Ostrów Wielkopolski", 63, 63},
    {"Grodzisk Mazowiecki", 5, 5},
    {"Skarżysko-Kamienna", 26, 26},
};

const char* const kStreets[] = {
    "Marszałkowska", "Długa",           "Krótka",           "Polna",        "Leśna",         "Słoneczna",
    "Kościuszki",    "Mickiewicza",     "Sienkiewicza",     "Piłsudskiego", "Żeromskiego",   "Konopnickiej",
    "Chopina",       "Reymonta",        "Wojska Polskiego", "3 Maja",       "Ogrodowa",      "Lipowa",
    "Kolejowa",      "Przemysłowa",     "Grunwaldzka",      "Jagiellońska", "Świętokrzyska", "Źródlana",
    "Łąkowa",        "Żwirki i Wigury", "Fabryczna",        "Szkolna",      "Kwiatowa",      "Wrocławska",
    "Nowy Świat",    "Ściegiennego",
};

const char* const kEstates[] = {
    "Tysiąclecia", "Słoneczne", "Piastów", "Na Skarpie", "Zielone", "Przyjaźni", "Sobieskiego", "Kalinowe", "Błonie",
};

// Streets whose kind word is not one of the split's markers.
const char* const kOtherWays[] = {
    "al. Jerozolimskie", "al. Niepodległości", "al. Solidarności", "al. Jana Pawła II",
    "pl. Wolności",      "pl. Grunwaldzki",    "pl. Zamkowy",
};

std::string MarkerText(const char* marker, MarkerCase markerCase)
{
    std::string text = marker;
    if (markerCase == MarkerCase::Upper)
        return UpperPolish(text);
    if (markerCase == MarkerCase::Capital)
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

std::string HouseNumber(Random& random)
{
    const int number = random.Between(1, 150);
    switch (random.Below(20)) {
    case 0:
    case 1: return HostFormat("%d%c", number, 'A' + random.Below(4));
    case 2:
    case 3: return HostFormat("%d m. %d", number, random.Between(1, 80));
    case 4: return HostFormat("%d lok. %d", number, random.Between(1, 12));
    case 5:
    case 6:
    case 7:
    case 8:
    case 9: return HostFormat("%d/%d", number, random.Between(1, 60));
    default: return HostFormat("%d", number);
    }
}

} // namespace

std::string Address(Random& random, AddressForm form, MarkerCase markerCase)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const City& city = Pick(random, kCities);
        // Drawn in the order of the firms made so far: the postal code's
        // last digits, then its first, and a house number before its street.
        const int postalSuffix = random.Below(1000);
        const int postalPrefix = random.Between(city.prefixLow, city.prefixHigh);
        const std::string postalCity = HostFormat("%02d-%03d %s", postalPrefix, postalSuffix, city.name);
        const bool numbered = form != AddressForm::PostalCodeCity && form != AddressForm::CityOnly;
        const std::string house = numbered ? HouseNumber(random) : std::string();
        std::string address;
        switch (form) {
        case AddressForm::StreetThenCity:
            address = MarkerText("ul.", markerCase) + " " + Pick(random, kStreets) + " " + house + " " + postalCity;
            break;
        case AddressForm::CityThenStreet:
            address = postalCity + " " + MarkerText("ul.", markerCase) + " " + Pick(random, kStreets) + " " + house;
            break;
        case AddressForm::CityThenEstate:
            address = postalCity + " " + MarkerText("os.", markerCase) + " " + Pick(random, kEstates) + " " + house;
            break;
        case AddressForm::EstateThenCity:
            address = MarkerText("os.", markerCase) + " " + Pick(random, kEstates) + " " + house + " " + postalCity;
            break;
        case AddressForm::UnmarkedStreet:
            address = std::string(random.PerMille(750) ? Pick(random, kStreets) : Pick(random, kOtherWays)) + " " +
                house + " " + postalCity;
            break;
        case AddressForm::PostalCodeCity: address = postalCity; break;
        case AddressForm::CityOnly: address = city.name; break;
        }
        const std::size_t room = form == AddressForm::PostalCodeCity ? kPostalCodeCityRoom : kAddressRoom;
        if (CharCount(address) <= room)
            return address;
    }
    return "00-950 Warszawa";
}

} // namespace demo_firm
