#include "host/firm/demo/demo_contractors.h"

#include <algorithm>
#include <iterator>

#include "host/common/host_format.h"
#include "host/firm/demo/demo_addresses.h"
#include "host/firm/demo/demo_names.h"
#include "host/firm/demo/demo_text.h"

namespace demo_firm {

namespace {

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

// Nine digits and the check digit of a tax number.
std::string NipDigits(Random& random)
{
    static const int kOffices[] = {525, 526, 527, 951, 677, 679, 779, 782, 894, 898, 583, 584,
                                   676, 712, 946, 813, 657, 739, 851, 955, 554, 879, 764, 618};
    static const int kWeights[] = {6, 5, 7, 2, 3, 4, 5, 6, 7};
    for (;;) {
        // The serial is drawn before the office, as in the firms made so far.
        const int serial = random.Below(1000000);
        const int office = Pick(random, kOffices);
        const std::string digits = HostFormat("%03d%06d", office, serial);
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

} // namespace

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

} // namespace demo_firm
