#include "host/firm/demo/demo_names.h"

#include "host/firm/demo/demo_text.h"

namespace demo_firm {

namespace {

constexpr std::size_t kFullNameRoom = kContractorLayout.fullName.room();
// A name with "&" or '"' stays this short, so that escaped for XML it still
// ends within the first of the two name elements (70 characters) and no cut
// falls inside an entity.
constexpr std::size_t kNameWithEntitiesRoom = 50;

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
    // The ending is drawn before the stem, as in the firms made so far.
    const std::string ending = Pick(random, kTradeEndings);
    return Pick(random, kTradeStems) + ending;
}

const char* const kTrades[] = {
    "Spożywcza", "Budowlana", "Elektryczna", "Farmaceutyczna", "Papiernicza", "Motoryzacyjna", "Ogrodnicza",
};

} // namespace

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

} // namespace demo_firm
