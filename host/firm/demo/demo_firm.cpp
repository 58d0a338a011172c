#include "host/firm/demo/demo_firm.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>
#ifdef _WIN32
#define O_CLOEXEC O_NOINHERIT // the same promise on Windows: no child inherits it
#endif

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <string_view>
#include <vector>

#include "host/common/civil_date.h"
#include "host/common/error_text.h"
#include "host/common/host_format.h"
#include "host/common/sqlite_statement.h"
#include "host/firm/firm_schema.h"

namespace {

// ---------------------------------------------------------------------------
// Randomness that depends on nothing but the seed: the standard library's
// distributions differ between implementations, so the firm would too.

class Random {
public:
    explicit Random(unsigned seed)
        : state_(0x5DEECE66Dull * (static_cast<uint64_t>(seed) + 1))
    {
    }

    uint64_t Next()
    {
        // splitmix64
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    int Between(int low, int high) { return low + Below(high - low + 1); }
    bool PerMille(int chance) { return Below(1000) < chance; }
    uint32_t Word() { return static_cast<uint32_t>(Next() >> 32); }

private:
    uint64_t state_;
};

template <typename T, std::size_t N> const T& Pick(Random& random, const T (&items)[N])
{
    return items[random.Below(static_cast<int>(N))];
}

template <typename T> struct Weighted {
    T value;
    int weight;
};

template <typename T, std::size_t N> T PickWeighted(Random& random, const Weighted<T> (&table)[N])
{
    int total = 0;
    for (const auto& entry : table)
        total += entry.weight;
    int x = random.Below(total);
    for (const auto& entry : table) {
        if (x < entry.weight)
            return entry.value;
        x -= entry.weight;
    }
    return table[N - 1].value;
}

// ---------------------------------------------------------------------------
// Texts.  Every literal here is ASCII or Polish letters, all of which the
// host's text holds, one byte each: a character count is the host's length.

std::size_t CharCount(std::string_view utf8)
{
    std::size_t count = 0;
    for (const char c : utf8)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

// The first n characters, without blanks at the end.
std::string Clip(const std::string& utf8, std::size_t n)
{
    std::size_t chars = 0, end = 0;
    while (end < utf8.size()) {
        std::size_t next = end + 1;
        while (next < utf8.size() && (static_cast<unsigned char>(utf8[next]) & 0xC0) == 0x80)
            ++next;
        if (chars == n)
            break;
        ++chars;
        end = next;
    }
    while (end > 0 && utf8[end - 1] == ' ')
        --end;
    return utf8.substr(0, end);
}

std::string UpperPolish(std::string_view utf8)
{
    static const struct {
        const char* lower;
        const char* upper;
    } kLetters[] = {
        {"ą", "Ą"}, {"ć", "Ć"}, {"ę", "Ę"}, {"ł", "Ł"}, {"ń", "Ń"}, {"ó", "Ó"}, {"ś", "Ś"}, {"ź", "Ź"}, {"ż", "Ż"},
    };
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char c = utf8[i];
        if (c >= 'a' && c <= 'z') {
            out += static_cast<char>(c - 'a' + 'A');
            ++i;
            continue;
        }
        bool mapped = false;
        for (const auto& letter : kLetters) {
            if (utf8.compare(i, 2, letter.lower) == 0) {
                out += letter.upper;
                i += 2;
                mapped = true;
                break;
            }
        }
        if (!mapped)
            out += utf8[i++];
    }
    return out;
}


// ---------------------------------------------------------------------------
// Dates as day numbers (days since 1970-01-01).

std::string DateText(int days)
{
    const CivilDate date = CivilFromDays(days);
    return HostFormat("%04d-%02d-%02d", date.year, date.month, date.day);
}

// ---------------------------------------------------------------------------
// Word lists.

const char* const kMaleFirstNames[] = {
    "Jan",        "Piotr",    "Krzysztof", "Andrzej",  "Tomasz",    "Paweł",     "Michał",     "Marcin",   "Grzegorz",
    "Józef",      "Łukasz",   "Adam",      "Zbigniew", "Jerzy",     "Tadeusz",   "Mateusz",    "Dariusz",  "Mariusz",
    "Wojciech",   "Ryszard",  "Jakub",     "Henryk",   "Kazimierz", "Jacek",     "Maciej",     "Sławomir", "Bogdan",
    "Przemysław", "Zdzisław", "Mirosław",  "Bolesław", "Witold",    "Stanisław", "Bartłomiej",
};

const char* const kFemaleFirstNames[] = {
    "Anna",       "Maria", "Katarzyna", "Małgorzata", "Agnieszka", "Barbara", "Ewa",     "Krystyna",
    "Elżbieta",   "Zofia", "Joanna",    "Magdalena",  "Monika",    "Jadwiga", "Danuta",  "Teresa",
    "Aleksandra", "Beata", "Bożena",    "Grażyna",    "Halina",    "Dorota",  "Urszula", "Jolanta",
    "Żaneta",     "Iwona", "Łucja",     "Wiesława",   "Jagoda",    "Ślęża",
};

// Masculine forms; a name ending in "ki" takes "ka" for a woman.
const char* const kLastNames[] = {
    "Nowak",         "Kowalski",    "Wiśniewski", "Wójcik",     "Kowalczyk",   "Kamiński",    "Lewandowski",
    "Zieliński",     "Szymański",   "Woźniak",    "Dąbrowski",  "Kozłowski",   "Jankowski",   "Mazur",
    "Wojciechowski", "Kwiatkowski", "Krawczyk",   "Kaczmarek",  "Piotrowski",  "Grabowski",   "Zając",
    "Pawłowski",     "Michalski",   "Król",       "Wróbel",     "Wieczorek",   "Jabłoński",   "Nowakowski",
    "Majewski",      "Olszewski",   "Stępień",    "Malinowski", "Jaworski",    "Adamczyk",    "Dudek",
    "Nowicki",       "Pawlak",      "Górski",     "Witkowski",  "Walczak",     "Sikora",      "Baran",
    "Rutkowski",     "Michalak",    "Szewczyk",   "Ostrowski",  "Tomaszewski", "Pietrzak",    "Zalewski",
    "Wróblewski",    "Jasiński",    "Marciniak",  "Bąk",        "Zawadzki",    "Sadowski",    "Jakubowski",
    "Włodarczyk",    "Chmielewski", "Czarnecki",  "Sokołowski", "Kubiak",      "Szczepański", "Kucharski",
    "Wilk",          "Kalinowski",  "Lis",        "Wysocki",    "Kaźmierczak", "Wasilewski",  "Sobczak",
    "Czerwiński",    "Cieślak",     "Głowacki",   "Kołodziej",  "Krajewski",   "Gajewski",    "Szulc",
    "Laskowski",     "Brzeziński",  "Ziółkowski", "Przybylski", "Żak",         "Łuczak",      "Ślusarczyk",
    "Źrebiec",       "Żółtowski",
};

// Made-up trade names: a few whole ones, the rest put together from a stem
// and an ending, as such names usually are.
const char* const kTradeNames[] = {
    "Arvimex",      "Kordeks",  "Dromil",   "Izolmat",       "Jantarbud",      "Lesmar",
    "Ogrodex",      "Źródełko", "Ślęzapol", "Bieszczadbud",  "Mazowsze-Trans", "Warmia Pak",
    "Podhale-Drew", "Kujawiak", "Nadodrze", "Tartak Dębina", "Kamieniarz",     "Szkłopol",
};
const char* const kTradeStems[] = {
    "Agro", "Bud",   "Elektro", "Euro", "Hydro", "Inter", "Kom",  "Mebl", "Metal", "Pol",   "Rol", "Stal",
    "Term", "Trans", "Drew",    "Gaz",  "Med",   "Pak",   "Chem", "Tex",  "San",   "Auto",  "Eko", "Szkło",
    "Łan",  "Żuraw", "Zboż",    "Wart", "Nor",   "Gro",   "Kal",  "Bem",  "Łęg",   "Świat",
};
const char* const kTradeEndings[] = {
    "mex", "pol",   "bud",    "tex", "tech",   "max",     "rol",    "trans", "met", "gaz",
    "lux", "plast", "serwis", "dom", "handel", "projekt", "system", "ex",    "tal", "ma",
};

std::string TradeName(Random& random)
{
    if (random.PerMille(150))
        return Pick(random, kTradeNames);
    return std::string(Pick(random, kTradeStems)) + Pick(random, kTradeEndings);
}

const char* const kTrades[] = {
    "Spożywcza", "Budowlana", "Elektryczna", "Farmaceutyczna", "Papiernicza", "Motoryzacyjna", "Ogrodnicza",
};

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

const char* const kInvoiceComments[] = {
    "Materiały biurowe",
    "Paliwo do samochodów służbowych",
    "Usługa księgowa za miesiąc",
    "Opłata za energię elektryczną",
    "Czynsz za lokal użytkowy",
    "Usługi telekomunikacyjne",
    "Części zamienne do maszyn",
    "Szkolenie BHP pracowników",
    "Środki czystości",
    "Zakup wózka widłowego",
    "Naprawa dźwigu towarowego",
    "Transport towaru z Gdańska",
    "Serwis klimatyzacji",
    "Materiały budowlane - budowa hali magazynowej",
    "Wyposażenie biura: krzesła, biurka, szafy",
    "Żwir i piasek na plac budowy",
    "Towar handlowy wg zamówienia 2/2021",
};

const char* const kCorrectionComments[] = {
    "Korekta ceny",      "Zwrot towaru", "Rabat posprzedażowy", "Błędna stawka VAT", "Korekta ilości - brak w dostawie",
    "Uznana reklamacja",
};

// ---------------------------------------------------------------------------
// VAT rates and purchase kinds of the firm.

struct Rate {
    int16_t code;
    int tenths; // the percentage in tenths: 230 = 23.0%
};

// Every code a line may carry has its row, the ignored ones too.
const Rate kRates[] = {
    {1, 230}, {2, 80}, {3, 50}, {4, 0}, {5, 0}, {6, 0}, {8, 0}, {9, 0}, {11, 0}, {19, 0}, {39, 65}, {41, 230},
};

int RateTenths(int16_t code)
{
    for (const Rate& rate : kRates)
        if (rate.code == code)
            return rate.tenths;
    return 0;
}

const Weighted<int16_t> kLineRates[] = {
    {1, 540}, {2, 120}, {3, 60}, {4, 15}, {5, 60}, {6, 8}, {8, 20}, {9, 30}, {11, 30}, {19, 7}, {39, 20}, {41, 40},
};

const Weighted<int16_t> kDeductionKinds[] = {{0, 62}, {1, 20}, {2, 8}, {3, 7}, {4, 3}};

struct PurchaseKind {
    const char* name; // at most 10 ASCII characters
    int16_t code;     // 3 = fixed assets
};

// Index 0 of the names is the marker entry; the kinds follow it, so a line's
// purchase kind (the index) is 1 and up.
constexpr const char* kPurchaseKindsDefined = "9876543210";
const PurchaseKind kPurchaseKinds[] = {
    {"Towary", 1},   {"Materialy", 2},  {"Srodki tr.", 3}, {"Uslugi", 4},  {"Paliwo", 5},
    {"Wyposaz.", 6}, {"Inwestycje", 3}, {"Najem", 7},      {"Energia", 8}, {"Inne", 9},
};
constexpr int kPurchaseKindCount = static_cast<int>(std::size(kPurchaseKinds));
constexpr int kSettingsNameCount = 90;
constexpr int kSettingsNameSize = 11;
constexpr int kSettingsCodesSize = 544;
constexpr int kSettingsCodeEntries = 90;

const Weighted<int16_t> kOrdinaryKinds[] = {{1, 35}, {2, 20}, {4, 20}, {5, 8}, {6, 5}, {8, 4}, {9, 5}, {10, 3}};
const Weighted<int16_t> kFixedAssetKinds[] = {{3, 70}, {7, 30}};

// ---------------------------------------------------------------------------
// Contractors.

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

enum class NipStyle { PrefixedGroups, Digits, Groups3223, Groups3322, PrefixedDigits, Spaced, Pesel, None };

struct ContractorPlan {
    bool person;
    AddressForm form;
    MarkerCase markerCase;
    NameStyle style; // firms only
    NipStyle nip;
};

// The first contractors show every case once, whatever the seed.
const ContractorPlan kShownContractors[] = {
    {false, AddressForm::StreetThenCity, MarkerCase::Lower, NameStyle::Limited, NipStyle::PrefixedGroups},
    {false, AddressForm::CityThenStreet, MarkerCase::Lower, NameStyle::JointStock, NipStyle::Digits},
    {false, AddressForm::EstateThenCity, MarkerCase::Lower, NameStyle::PartnersAmpersand, NipStyle::Groups3223},
    {false, AddressForm::UnmarkedStreet, MarkerCase::Lower, NameStyle::QuotedTrader, NipStyle::Groups3322},
    {true, AddressForm::PostalCodeCity, MarkerCase::Lower, NameStyle::Limited, NipStyle::Pesel},
    {true, AddressForm::CityOnly, MarkerCase::Lower, NameStyle::Limited, NipStyle::None},
    {false, AddressForm::StreetThenCity, MarkerCase::Upper, NameStyle::LongLimited, NipStyle::PrefixedDigits},
    {false, AddressForm::CityThenStreet, MarkerCase::Capital, NameStyle::LongPartnership, NipStyle::Spaced},
    {true, AddressForm::StreetThenCity, MarkerCase::Lower, NameStyle::Limited, NipStyle::Pesel},
    {false, AddressForm::PostalCodeCity, MarkerCase::Lower, NameStyle::Wholesale, NipStyle::Digits},
    {false, AddressForm::CityOnly, MarkerCase::Lower, NameStyle::QuotedCooperative, NipStyle::Digits},
    {true, AddressForm::UnmarkedStreet, MarkerCase::Lower, NameStyle::Limited, NipStyle::None},
    {false, AddressForm::CityThenStreet, MarkerCase::Upper, NameStyle::Partners, NipStyle::Groups3322},
};

const Weighted<AddressForm> kAddressForms[] = {
    {AddressForm::StreetThenCity, 45}, {AddressForm::CityThenStreet, 12}, {AddressForm::CityThenEstate, 3},
    {AddressForm::EstateThenCity, 8},  {AddressForm::UnmarkedStreet, 17}, {AddressForm::PostalCodeCity, 10},
    {AddressForm::CityOnly, 5},
};

const Weighted<MarkerCase> kMarkerCases[] = {{MarkerCase::Lower, 88}, {MarkerCase::Upper, 8}, {MarkerCase::Capital, 4}};

const Weighted<NameStyle> kNameStyles[] = {
    {NameStyle::Limited, 22},  {NameStyle::LimitedSpelledOut, 8},  {NameStyle::JointStock, 5},
    {NameStyle::Partners, 10}, {NameStyle::PartnersAmpersand, 3},  {NameStyle::QuotedTrader, 8},
    {NameStyle::Trader, 20},   {NameStyle::LongLimited, 3},        {NameStyle::LongPartnership, 3},
    {NameStyle::Wholesale, 8}, {NameStyle::LimitedPartnership, 7}, {NameStyle::QuotedCooperative, 3},
};

const Weighted<NipStyle> kFirmNipStyles[] = {
    {NipStyle::PrefixedGroups, 10}, {NipStyle::Digits, 45},        {NipStyle::Groups3223, 10},
    {NipStyle::Groups3322, 25},     {NipStyle::PrefixedDigits, 5}, {NipStyle::Spaced, 5},
};

ContractorPlan RandomContractorPlan(Random& random)
{
    ContractorPlan plan{};
    plan.person = random.PerMille(220);
    plan.form = PickWeighted(random, kAddressForms);
    plan.markerCase = PickWeighted(random, kMarkerCases);
    plan.style = PickWeighted(random, kNameStyles);
    if (plan.person)
        plan.nip = random.PerMille(600) ? NipStyle::Pesel : NipStyle::None;
    else
        plan.nip = PickWeighted(random, kFirmNipStyles);
    return plan;
}

struct Contractor {
    int32_t number;
    std::string shortName, fullName, address, nip;
};

constexpr std::size_t kShortNameRoom = 16;
constexpr std::size_t kFullNameRoom = 100;
constexpr std::size_t kAddressRoom = 50;
// The split takes "postal code city" without a street to end at position 25.
constexpr std::size_t kPostalCodeCityRoom = 25;
// A name with "&" or '"' stays this short, so that escaped for XML it still
// ends within the first of the two name elements (70 characters) and no cut
// falls inside an entity.
constexpr std::size_t kNameWithEntitiesRoom = 50;

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

std::string Address(Random& random, AddressForm form, MarkerCase markerCase)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const City& city = Pick(random, kCities);
        const std::string postalCity =
            HostFormat("%02d-%03d %s", random.Between(city.prefixLow, city.prefixHigh), random.Below(1000), city.name);
        std::string address;
        switch (form) {
        case AddressForm::StreetThenCity:
            address = MarkerText("ul.", markerCase) + " " + Pick(random, kStreets) + " " + HouseNumber(random) + " " +
                postalCity;
            break;
        case AddressForm::CityThenStreet:
            address = postalCity + " " + MarkerText("ul.", markerCase) + " " + Pick(random, kStreets) + " " +
                HouseNumber(random);
            break;
        case AddressForm::CityThenEstate:
            address = postalCity + " " + MarkerText("os.", markerCase) + " " + Pick(random, kEstates) + " " +
                HouseNumber(random);
            break;
        case AddressForm::EstateThenCity:
            address = MarkerText("os.", markerCase) + " " + Pick(random, kEstates) + " " + HouseNumber(random) + " " +
                postalCity;
            break;
        case AddressForm::UnmarkedStreet:
            address = std::string(random.PerMille(750) ? Pick(random, kStreets) : Pick(random, kOtherWays)) + " " +
                HouseNumber(random) + " " + postalCity;
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

std::string FirstName(Random& random, bool female)
{
    return female ? Pick(random, kFemaleFirstNames) : Pick(random, kMaleFirstNames);
}

std::string LastName(Random& random, bool female)
{
    std::string name = Pick(random, kLastNames);
    if (female && name.size() > 2 && name.compare(name.size() - 2, 2, "ki") == 0)
        name.back() = 'a';
    return name;
}

// A firm's full name in the given style, and its short name.
void FirmNames(Random& random, NameStyle style, std::string* fullName, std::string* shortName)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string trade = TradeName(random);
        const bool female = random.PerMille(400);
        const std::string first = FirstName(random, female), last = LastName(random, female);
        const std::string partner = LastName(random, random.PerMille(400));
        std::string full, brief = UpperPolish(trade);
        bool entities = false, isLong = false;
        switch (style) {
        case NameStyle::Limited: full = trade + " Sp. z o.o."; break;
        case NameStyle::LimitedSpelledOut: full = trade + " spółka z ograniczoną odpowiedzialnością"; break;
        case NameStyle::JointStock: full = trade + " S.A."; break;
        case NameStyle::Partners:
            full = last + " i " + partner + " Sp. j.";
            brief = UpperPolish(last + " " + partner);
            break;
        case NameStyle::PartnersAmpersand:
            full = last + " & " + partner + " Sp. j.";
            brief = UpperPolish(last + "&" + partner);
            entities = true;
            break;
        case NameStyle::QuotedTrader:
            full = "P.P.H.U. \"" + trade + "\" " + first + " " + last;
            entities = true;
            break;
        case NameStyle::Trader:
            full = std::string(random.PerMille(500) ? "Przedsiębiorstwo Handlowo-Usługowe " : "F.H.U. ") + trade + " " +
                first + " " + last;
            break;
        case NameStyle::LongLimited:
            full =
                "Przedsiębiorstwo Produkcyjno-Handlowo-Usługowe " + trade + " Spółka z ograniczoną odpowiedzialnością";
            isLong = true;
            break;
        case NameStyle::LongPartnership:
            full = "Zakład Usług Remontowo-Budowlanych i Instalacyjnych " + trade + " " + first + " " + last +
                " Spółka jawna";
            isLong = true;
            break;
        case NameStyle::Wholesale:
            full = std::string("Hurtownia ") + Pick(random, kTrades) + " " + trade + " Sp. z o.o.";
            break;
        case NameStyle::LimitedPartnership: full = trade + " " + last + " Spółka komandytowa"; break;
        case NameStyle::QuotedCooperative:
            full = "Spółdzielnia Pracy \"" + trade + "\"";
            entities = true;
            break;
        }
        const std::size_t length = CharCount(full);
        if (length > kFullNameRoom || (entities && length > kNameWithEntitiesRoom) || (isLong && length <= 70))
            continue;
        *fullName = full;
        *shortName = Clip(brief, kShortNameRoom);
        return;
    }
    *fullName = "Arvimex Sp. z o.o.";
    *shortName = "ARVIMEX";
}

// Nine digits and the check digit of a tax number.
std::string NipDigits(Random& random)
{
    static const int kOffices[] = {525, 526, 527, 951, 677, 679, 779, 782, 894, 898, 583, 584,
                                   676, 712, 946, 813, 657, 739, 851, 955, 554, 879, 764, 618};
    static const int kWeights[] = {6, 5, 7, 2, 3, 4, 5, 6, 7};
    for (;;) {
        const std::string digits = HostFormat("%03d%06d", Pick(random, kOffices), random.Below(1000000));
        int sum = 0;
        for (int i = 0; i < 9; ++i)
            sum += kWeights[i] * (digits[i] - '0');
        if (sum % 11 != 10)
            return digits + static_cast<char>('0' + sum % 11);
    }
}

std::string Pesel(Random& random, bool female)
{
    static const int kWeights[] = {1, 3, 7, 9, 1, 3, 7, 9, 1, 3};
    const int year = random.Between(1940, 2003);
    const int month = random.Between(1, 12);
    const int day = random.Between(1, 28);
    const int sex = 2 * random.Below(5) + (female ? 0 : 1);
    const std::string digits =
        HostFormat("%02d%02d%02d%03d%d", year % 100, month + (year >= 2000 ? 20 : 0), day, random.Below(1000), sex);
    int sum = 0;
    for (int i = 0; i < 10; ++i)
        sum += kWeights[i] * (digits[i] - '0');
    return digits + static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string TypedNip(const std::string& d, NipStyle style)
{
    switch (style) {
    case NipStyle::PrefixedGroups:
        return "PL " + d.substr(0, 3) + "-" + d.substr(3, 3) + "-" + d.substr(6, 2) + "-" + d.substr(8, 2);
    case NipStyle::Groups3223:
        return d.substr(0, 3) + "-" + d.substr(3, 2) + "-" + d.substr(5, 2) + "-" + d.substr(7, 3);
    case NipStyle::Groups3322:
        return d.substr(0, 3) + "-" + d.substr(3, 3) + "-" + d.substr(6, 2) + "-" + d.substr(8, 2);
    case NipStyle::PrefixedDigits: return "PL" + d;
    case NipStyle::Spaced: return d.substr(0, 3) + " " + d.substr(3, 3) + " " + d.substr(6, 2) + " " + d.substr(8, 2);
    default: return d;
    }
}

Contractor MakeContractor(Random& random, const ContractorPlan& plan, int32_t number)
{
    Contractor c;
    c.number = number;
    if (plan.person) {
        const bool female = random.PerMille(450);
        const std::string first = FirstName(random, female), last = LastName(random, female);
        c.fullName = random.PerMille(700) ? last + " " + first : first + " " + last;
        c.shortName = Clip(last + " " + Clip(first, 1) + ".", kShortNameRoom);
        c.nip = plan.nip == NipStyle::Pesel ? Pesel(random, female) : std::string();
    } else {
        FirmNames(random, plan.style, &c.fullName, &c.shortName);
        c.nip = TypedNip(NipDigits(random), plan.nip);
    }
    c.address = Address(random, plan.form, plan.markerCase);
    return c;
}

std::vector<Contractor> MakeContractors(Random& random, int documents)
{
    const int count = std::clamp(documents / 25, 40, 3000);
    std::vector<Contractor> contractors;
    contractors.reserve(static_cast<std::size_t>(count));
    // Numbers as a host hands them out, with gaps where contractors were
    // removed; firms count up from 1, natural persons down from -1.
    int32_t nextFirm = 1, nextPerson = -1;
    for (int i = 0; i < count; ++i) {
        const ContractorPlan plan =
            i < static_cast<int>(std::size(kShownContractors)) ? kShownContractors[i] : RandomContractorPlan(random);
        int32_t number;
        if (plan.person) {
            number = nextPerson;
            nextPerson -= random.PerMille(900) ? 1 : random.Between(2, 4);
        } else {
            number = nextFirm;
            nextFirm += random.PerMille(900) ? 1 : random.Between(2, 4);
        }
        contractors.push_back(MakeContractor(random, plan, number));
    }
    return contractors;
}

// ---------------------------------------------------------------------------
// Documents.

struct LinePlan {
    int16_t rateCode;
    int16_t deductionKind;
    bool fixedAsset;
    bool inUse;
};

enum class KeyPlan { Normal, ZeroKey, NoPeriodDate };

struct DocumentPlan {
    bool correction;
    KeyPlan key;
    int entryMode;
    int deductionSetting;
    int otherDeductionDate;
    std::vector<LinePlan> lines;
};

// Documents placed evenly over the year so that every class, rate code and
// kind of skipped document is there for any seed.
// Lines are {rate code, deduction kind, fixed asset, in use}.
// clang-format off
const DocumentPlan kShownDocuments[] = {
    // Gross invoice: B, N by deduction kind 2, W, fixed asset in B, buyer settles.
    {false, KeyPlan::Normal, 0, 0, 0,
     {{1, 0, false, true}, {2, 1, false, true}, {3, 2, false, true}, {11, 3, false, true}, {39, 0, true, true},
      {41, 0, false, true}}},
    // Net invoice: zw and np in N, the ignored codes, a line not in use.
    {false, KeyPlan::Normal, 1, 0, 0,
     {{5, 0, false, true}, {9, 1, false, true}, {8, 0, false, true}, {6, 0, false, true}, {19, 0, false, true},
      {1, 0, false, false}}},
    // Nothing deductible, VAT on another date; a fixed asset in N.
    {false, KeyPlan::Normal, 0, 2, 1, {{1, 0, false, true}, {2, 0, false, true}, {41, 1, true, true}}},
    // Net correction: W, a fixed asset in W.
    {true, KeyPlan::Normal, 1, 0, 0,
     {{1, 4, false, true}, {41, 0, true, true}, {4, 0, false, true}, {3, 3, true, true}}},
    {true, KeyPlan::Normal, 0, 0, 0, {}},
    {false, KeyPlan::ZeroKey, 0, 0, 0, {}},
    {false, KeyPlan::NoPeriodDate, 0, 0, 0, {{1, 0, false, true}}},
    {true, KeyPlan::ZeroKey, 0, 0, 0, {}},
    {true, KeyPlan::NoPeriodDate, 1, 0, 0, {{2, 0, false, true}}},
    {true, KeyPlan::Normal, 0, 2, 1, {{2, 0, false, true}, {5, 0, false, true}}},
};
// clang-format on
constexpr int kShownDocumentCount = static_cast<int>(std::size(kShownDocuments));

DocumentPlan RandomDocumentPlan(Random& random)
{
    DocumentPlan plan;
    plan.correction = random.PerMille(130);
    plan.key = KeyPlan::Normal;
    if (random.Below(10000) < 3)
        plan.key = random.PerMille(500) ? KeyPlan::ZeroKey : KeyPlan::NoPeriodDate;
    plan.entryMode = random.PerMille(200) ? 1 : 0;
    plan.deductionSetting = random.PerMille(40) ? 2 : 0;
    plan.otherDeductionDate = random.PerMille(70) ? 1 : 0;
    static const Weighted<int> kLineCounts[] = {{0, 20}, {1, 400}, {2, 250}, {3, 150}, {4, 90}, {5, 50}, {6, 40}};
    const int lineCount = PickWeighted(random, kLineCounts);
    // A zero key finds no lines of its own: lines of key 0 would belong to
    // every such document at once.
    if (plan.key == KeyPlan::ZeroKey)
        return plan;
    for (int i = 0; i < lineCount; ++i)
        plan.lines.push_back(LinePlan{PickWeighted(random, kLineRates), PickWeighted(random, kDeductionKinds),
                                      random.PerMille(50), !random.PerMille(15)});
    return plan;
}

// A net amount in grosze, from a few złoty to tens of thousands.
int64_t NetGrosze(Random& random)
{
    static const Weighted<int64_t> kScales[] = {{1, 20}, {10, 40}, {100, 30}, {1000, 10}};
    return (1000 + random.Below(99000)) * PickWeighted(random, kScales) / 10;
}

// VAT of a net amount at a rate in tenths of a percent, rounded to the
// grosz, halves away from zero.
int64_t VatGrosze(int64_t net, int tenths)
{
    const int64_t magnitude = ((net < 0 ? -net : net) * tenths + 500) / 1000;
    return net < 0 ? -magnitude : magnitude;
}

double Zloty(int64_t grosze) { return static_cast<double>(grosze) / 100.0; }

std::string TransactionText(Random& random, bool correction, const CivilDate& issued)
{
    const int number = random.Between(1, 999);
    if (correction) {
        switch (random.Below(3)) {
        case 0: return HostFormat("FK %d/%02d/%04d", number, issued.month, issued.year);
        case 1: return HostFormat("KOR/%d/%04d", number, issued.year);
        default: return HostFormat("KFV %d/%02d/%04d", number, issued.month, issued.year);
        }
    }
    switch (random.Below(6)) {
    case 0: return HostFormat("FA/%04d/%02d/%05d", issued.year, issued.month, number);
    case 1: return HostFormat("%d/%04d", number, issued.year);
    case 2: return HostFormat("F %d/%02d/%02d", number, issued.month, issued.year % 100);
    case 3: return HostFormat("FVS-%d/%04d", number, issued.year);
    default: return HostFormat("FV %d/%02d/%04d", number, issued.month, issued.year);
    }
}

// The tax number as typed on a document: the contractor's, or its digits
// when the contractor's form does not fit the document's field.
std::string DocumentNip(Random& random, const std::string& contractorNip, std::size_t room)
{
    if (CharCount(contractorNip) <= room && random.PerMille(800))
        return contractorNip;
    std::string digits;
    for (const char c : contractorNip)
        if (c >= '0' && c <= '9')
            digits += c;
    return digits;
}

// ---------------------------------------------------------------------------
// The database.

constexpr std::size_t kInvoiceNipRoom = 13;
constexpr std::size_t kCorrectionNipRoom = 15;

class Writer {
public:
    Writer(sqlite3* db, const DemoFirmOptions& options)
        : db_(db)
        , options_(options)
        , random_(options.seed)
    {
    }

    bool Write()
    {
        if (!Exec("PRAGMA journal_mode = MEMORY; PRAGMA synchronous = OFF; PRAGMA cache_size = -65536; BEGIN") ||
            !Exec(kFirmSchemaSql) || !PrepareAll())
            return false;
        if (!WriteRates() || !WriteSettings())
            return false;
        contractors_ = MakeContractors(random_, options_.documents);
        for (const Contractor& c : contractors_)
            if (!WriteContractor(c))
                return false;
        if (!WriteDocuments())
            return false;
        return Exec("COMMIT");
    }

    const std::string& error() const { return error_; }

private:
    bool Fail(const char* what)
    {
        error_ = std::string(what) + ": " + sqlite3_errmsg(db_);
        return false;
    }

    bool Exec(const char* sql)
    {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK)
            return true;
        error_ = std::string("cannot write the firm database: ") + (message != nullptr ? message : "SQLite error");
        sqlite3_free(message);
        return false;
    }

    bool Prepare(const char* sql, Statement* statement)
    {
        return PrepareStatement(db_, sql, statement) || Fail("cannot prepare an insert");
    }

    bool PrepareAll()
    {
        return Prepare(
                   "INSERT INTO contractor (number, short_name, full_name, address, nip) VALUES (?1, ?2, ?3, ?4, ?5)",
                   &contractor_) &&
            Prepare("INSERT INTO purchase_invoice (document_key, period_date, issue_date, receipt_date, id1, id2,"
                    " contractor, transaction_text, nip, payment_days, amount, comment, other_deduction_date,"
                    " entry_mode, deduction_setting)"
                    " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)",
                    &invoice_) &&
            Prepare("INSERT INTO purchase_correction (document_key, document_date, id1, id2, contractor,"
                    " transaction_text, nip, payment_days, amount, comment, other_deduction_date, entry_mode,"
                    " deduction_setting)"
                    " VALUES (?1, ?2, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)",
                    &correction_) &&
            Prepare("INSERT INTO vat_line (document_kind, document_key, line_no, in_use, amount, rate_code, vat,"
                    " purchase_kind, deduction_kind) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)",
                    &line_);
    }

    bool Step(const Statement& statement, const char* what)
    {
        const int status = sqlite3_step(statement.get());
        sqlite3_reset(statement.get());
        return status == SQLITE_DONE || Fail(what);
    }

    static void BindText(const Statement& s, int index, const std::string& text)
    {
        sqlite3_bind_text(s.get(), index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    }

    bool WriteRates()
    {
        Statement rate;
        if (!Prepare("INSERT INTO vat_rate (code, percent) VALUES (?1, ?2)", &rate))
            return false;
        for (const Rate& r : kRates) {
            sqlite3_bind_int(rate.get(), 1, r.code);
            sqlite3_bind_double(rate.get(), 2, r.tenths / 10.0);
            if (!Step(rate, "cannot write a VAT rate"))
                return false;
        }
        return true;
    }

    bool WriteSettings()
    {
        std::string names(kSettingsNameCount * kSettingsNameSize, '\0');
        std::memcpy(&names[0], kPurchaseKindsDefined, std::strlen(kPurchaseKindsDefined));
        // The codes are little-endian 16-bit words; every entry the export
        // reads holds a valid code (1, the default kind, where none is named).
        std::string codes(kSettingsCodesSize, '\0');
        for (int i = 0; i < kSettingsCodeEntries; ++i)
            codes[static_cast<std::size_t>(2 * i)] = 1;
        for (int k = 0; k < kPurchaseKindCount; ++k) {
            const PurchaseKind& kind = kPurchaseKinds[k];
            const std::size_t entry = static_cast<std::size_t>(k + 1);
            std::memcpy(&names[entry * kSettingsNameSize], kind.name,
                        std::min<std::size_t>(std::strlen(kind.name), kSettingsNameSize - 1));
            codes[2 * entry] = static_cast<char>(kind.code & 0xFF);
            codes[2 * entry + 1] = static_cast<char>((kind.code >> 8) & 0xFF);
        }
        Statement block;
        if (!Prepare("INSERT INTO settings_block (number, data) VALUES (?1, ?2)", &block))
            return false;
        for (const auto& [number, data] : {std::pair<int, const std::string*>{2, &names}, {13, &codes}}) {
            sqlite3_bind_int(block.get(), 1, number);
            sqlite3_bind_blob(block.get(), 2, data->data(), static_cast<int>(data->size()), SQLITE_STATIC);
            if (!Step(block, "cannot write a settings block"))
                return false;
        }
        return true;
    }

    bool WriteContractor(const Contractor& c)
    {
        sqlite3_bind_int(contractor_.get(), 1, c.number);
        BindText(contractor_, 2, c.shortName);
        BindText(contractor_, 3, c.fullName);
        BindText(contractor_, 4, c.address);
        BindText(contractor_, 5, c.nip);
        return Step(contractor_, "cannot write a contractor");
    }

    // Frequent suppliers get most of the documents.
    const Contractor& PickContractor()
    {
        const int count = static_cast<int>(contractors_.size());
        const int regulars = std::max(1, count / 5);
        return contractors_[static_cast<std::size_t>(random_.PerMille(600) ? random_.Below(regulars)
                                                                           : random_.Below(count))];
    }

    bool WriteDocuments()
    {
        const int total = options_.documents;
        int nextShown = 0;
        int32_t key = 1000 + random_.Below(9000);
        uint32_t invoiceNumber = 0, correctionNumber = 0;
        for (int i = 0; i < total; ++i) {
            // Shown document j stands at the middle of the j-th of equal
            // stretches; with at least as many documents as shown ones, each
            // gets its own place.
            DocumentPlan plan;
            if (nextShown < kShownDocumentCount &&
                i == static_cast<int>((2 * static_cast<int64_t>(nextShown) + 1) * total / (2 * kShownDocumentCount)))
                plan = kShownDocuments[nextShown++];
            else
                plan = RandomDocumentPlan(random_);

            // Months in order over the register, days at random within them.
            const int month = static_cast<int>(static_cast<int64_t>(i) * 12 / total) + 1;
            const int period = static_cast<int>(
                DaysFromCivil(options_.year, month, random_.Between(1, DaysInMonth(options_.year, month))));
            const int issued = period - (random_.PerMille(300) ? 0 : random_.Between(1, 12));
            const int received = random_.Between(issued, period);

            const int32_t documentKey = plan.key == KeyPlan::ZeroKey ? 0 : key;
            key += random_.Between(1, 3);
            if (!WriteDocument(plan, documentKey, period, issued, received,
                               plan.correction ? ++correctionNumber : ++invoiceNumber))
                return false;
        }
        return true;
    }

    bool WriteDocument(const DocumentPlan& plan, int32_t key, int period, int issued, int received, uint32_t number)
    {
        const bool correction = plan.correction;
        const Contractor& contractor = PickContractor();
        const CivilDate issuedDate = CivilFromDays(correction ? period : issued);
        const std::string transaction = TransactionText(random_, correction, issuedDate);
        const std::string nip = DocumentNip(random_, contractor.nip, correction ? kCorrectionNipRoom : kInvoiceNipRoom);
        const std::string comment = random_.PerMille(350)
            ? std::string()
            : std::string(correction ? Pick(random_, kCorrectionComments) : Pick(random_, kInvoiceComments));
        static const Weighted<int> kPaymentDays[] = {{0, 15}, {7, 25}, {14, 35}, {30, 20}, {60, 5}};
        const int paymentDays = PickWeighted(random_, kPaymentDays);

        // The lines first: the document's amount is their gross sum.  Most
        // corrections lower the price; all lines of one go the same way.
        const bool lowers = correction && random_.PerMille(750);
        struct Line {
            int64_t amount, vat;
            int16_t rateCode, purchaseKind, deductionKind;
            bool inUse;
        };
        std::vector<Line> lines;
        int64_t gross = 0;
        for (const LinePlan& l : plan.lines) {
            int64_t net = NetGrosze(random_);
            if (lowers)
                net = -net;
            const int64_t vat = VatGrosze(net, RateTenths(l.rateCode));
            const int16_t kind =
                l.fixedAsset ? PickWeighted(random_, kFixedAssetKinds) : PickWeighted(random_, kOrdinaryKinds);
            lines.push_back(
                Line{plan.entryMode & 1 ? net : net + vat, vat, l.rateCode, kind, l.deductionKind, l.inUse});
            if (l.inUse)
                gross += net + vat;
        }
        if (plan.lines.empty())
            gross = NetGrosze(random_) * (lowers ? -1 : 1);

        const std::string periodText = plan.key == KeyPlan::NoPeriodDate ? std::string() : DateText(period);
        const std::string issueText = DateText(issued), receiptText = DateText(received);
        const Statement& document = correction ? correction_ : invoice_;
        sqlite3_bind_int(document.get(), 1, key);
        BindText(document, 2, periodText);
        if (!correction) {
            BindText(document, 3, issueText);
            BindText(document, 4, receiptText);
        }
        sqlite3_bind_int64(document.get(), 5, number);
        sqlite3_bind_int64(document.get(), 6, random_.Word());
        sqlite3_bind_int(document.get(), 7, contractor.number);
        BindText(document, 8, transaction);
        BindText(document, 9, nip);
        sqlite3_bind_int(document.get(), 10, paymentDays);
        sqlite3_bind_double(document.get(), 11, Zloty(gross));
        BindText(document, 12, comment);
        sqlite3_bind_int(document.get(), 13, plan.otherDeductionDate);
        sqlite3_bind_int(document.get(), 14, plan.entryMode);
        sqlite3_bind_int(document.get(), 15, plan.deductionSetting);
        if (!Step(document, "cannot write a document"))
            return false;

        static const std::string kInvoiceKind = "invoice", kCorrectionKind = "correction";
        int lineNo = 0;
        for (const Line& l : lines) {
            BindText(line_, 1, correction ? kCorrectionKind : kInvoiceKind);
            sqlite3_bind_int(line_.get(), 2, key);
            sqlite3_bind_int(line_.get(), 3, ++lineNo);
            sqlite3_bind_int(line_.get(), 4, l.inUse ? 1 : 0);
            sqlite3_bind_double(line_.get(), 5, Zloty(l.amount));
            sqlite3_bind_int(line_.get(), 6, l.rateCode);
            sqlite3_bind_double(line_.get(), 7, Zloty(l.vat));
            sqlite3_bind_int(line_.get(), 8, l.purchaseKind);
            sqlite3_bind_int(line_.get(), 9, l.deductionKind);
            if (!Step(line_, "cannot write a VAT line"))
                return false;
        }
        return true;
    }

    sqlite3* db_;
    const DemoFirmOptions& options_;
    Random random_;
    std::vector<Contractor> contractors_;
    Statement contractor_, invoice_, correction_, line_;
    std::string error_;
};

} // namespace

bool WriteDemoFirm(const std::string& path, const DemoFirmOptions& options, std::string* error)
{
    if (options.documents < 0 || options.documents > kDemoFirmMaxDocuments) {
        SetError(error,
                 HostFormat("a demo firm holds 0 to %d documents, not %d", kDemoFirmMaxDocuments, options.documents));
        return false;
    }
    if (options.year < kDemoFirmMinYear || options.year > kDemoFirmMaxYear) {
        SetError(
            error,
            HostFormat("the demo firm's year must be %d to %d, not %d", kDemoFirmMinYear, kDemoFirmMaxYear, options.year));
        return false;
    }
    if (path.empty()) {
        SetError(error, "no file name given for the demo firm");
        return false;
    }

    // Claim the name first: the file is created here or not at all, so an
    // existing firm is never touched, not even by a race.  SQLite takes an
    // empty file as an empty database.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int code = errno;
        SetError(error,
                 code == EEXIST ? "the file " + path + " exists already; a demo firm is only written to a new file"
                                : "cannot create " + path + ": " + std::strerror(code));
        return false;
    }
    close(fd);

    // A bare name such as ":memory:" would mean something else to SQLite.
    const std::string sqlitePath = path.find('/') == std::string::npos ? "./" + path : path;
    sqlite3* db = nullptr;
    bool written = false;
    std::string failure;
    if (sqlite3_open_v2(sqlitePath.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        failure = "cannot open " + path + ": " + sqlite3_errmsg(db);
    } else {
        Writer writer(db, options);
        written = writer.Write();
        if (!written)
            failure = writer.error();
    }
    // Every statement is finalised by now, so the close cannot be refused.
    sqlite3_close(db);
    if (!written) {
        unlink(path.c_str());
        SetError(error, failure.empty() ? "cannot write " + path : failure);
    }
    return written;
}
