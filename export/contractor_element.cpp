// One KONTRAHENT element per contractor that an exported document refers to.
#include "export/contractor_element.h"

#include <cctype>
#include <cstring>
#include <strings.h>

#include "contract/host_protocol.h"
#include "contract/host_records.h"
#include "export/run_notices.h"
#include "shell/binding.h"
#include "shell/host_calls.h"
#include "shell/plugin_messages.h"

namespace {

inline constexpr int kAddressWorkSize = 256;
inline constexpr int kPostalCodeChars = 6;
// Without a street marker, the street of "postal code, city, street" is taken
// to begin at this position.
inline constexpr int kStreetStartWithoutMarker = 25;

// The escaped full name may grow to six bytes per character (&quot;); this
// room keeps every character of the longest name.
inline constexpr int kNameTextSize = 1024;
inline constexpr int kTextSize = 512;

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

bool PostalCodeAt(const char* w)
{
    return IsDigit(w[0]) && IsDigit(w[1]) && w[2] == '-' && IsDigit(w[3]) && IsDigit(w[4]) && IsDigit(w[5]) &&
           !IsDigit(w[6]);
}

bool StreetMarkerAt(const char* w)
{
    return strncasecmp(w, "ul.", 3) == 0 || strncasecmp(w, "os.", 3) == 0;
}

// The characters from start up to end (end < 0: to the terminator); empty
// when start lies at or beyond the end of the text.
void CopyPart(char* destination, const char* work, int length, int start, int end)
{
    destination[0] = '\0';
    if (start < 0 || start >= length)
        return;
    const int count = end < 0 ? kAddressPartSize - 1 : end - start;
    if (count > 0)
        HostCopyField(destination, work + start, count < kAddressPartSize ? count : kAddressPartSize - 1);
}

} // namespace

void SplitAddress(const char* address, char* street, char* postalCode, char* city)
{
    street[0] = postalCode[0] = city[0] = '\0';
    char work[kAddressWorkSize];
    work[0] = '\0';
    HostCopyField(work, address, kAddressWorkSize - 1);
    const int length = static_cast<int>(std::strlen(work));
    // A control byte is a blank of the address: as a space it is trimmed
    // with the others (the file would show it as a space anyway).
    for (int i = 0; i < length; ++i)
        if (static_cast<unsigned char>(work[i]) < 0x20)
            work[i] = ' ';

    if (length > 0) {
        int postal = -1, cityStart = -1, streetStart = -1;
        for (int i = 0; i < length; ++i) {
            if (PostalCodeAt(work + i)) {
                postal = i;
                cityStart = i + kPostalCodeChars + 1;
            }
            if (StreetMarkerAt(work + i))
                streetStart = i;
        }
        if (cityStart > length)
            cityStart = -1; // a postal code at the very end has no city after it
        if (streetStart == -1) {
            if (postal == 0)
                streetStart = kStreetStartWithoutMarker;
            else if (postal > 0)
                streetStart = 0;
        }

        if (postal < cityStart && cityStart < streetStart) { // postal code, city, then street
            CopyPart(postalCode, work, length, postal, postal + kPostalCodeChars);
            CopyPart(city, work, length, cityStart, streetStart);
            CopyPart(street, work, length, streetStart, -1);
        } else if (streetStart < postal && postal < cityStart) { // street, then postal code and city
            CopyPart(postalCode, work, length, postal, postal + kPostalCodeChars);
            CopyPart(city, work, length, cityStart, -1);
            CopyPart(street, work, length, streetStart, postal);
        } else if (postal == -1 && cityStart == -1 && streetStart == -1) {
            CopyPart(city, work, length, 0, -1);
        }
    }

    HostTrimText(city);
    HostTrimText(postalCode);
    HostTrimText(street);
}

void SplitEscapedName(const char* name, int* firstEnd, int* secondEnd)
{
    const int length = static_cast<int>(std::strlen(name));
    // The end of a part of at most 70 characters from start, moved back to
    // the "&" of an entity that the 70th character would cut.
    auto partEnd = [&](int start) {
        int end = start + kNamePartChars < length ? start + kNamePartChars : length;
        if (end < length) {
            for (int i = end - 1; i >= start; --i) {
                if (name[i] == ';')
                    break; // the last entity before the cut is whole
                if (name[i] == '&') {
                    end = i;
                    break;
                }
            }
        }
        return end;
    };
    *firstEnd = partEnd(0);
    *secondEnd = partEnd(*firstEnd);
}

namespace {

bool WriteContractor(OutputLines& out, const unsigned char* record)
{
    char street[kAddressPartSize], postalCode[kAddressPartSize], city[kAddressPartSize];
    SplitAddress(kContractorLayout.address.Read(record), street, postalCode, city);

    char name[kNameTextSize];
    name[0] = '\0';
    HostCopyField(name, kContractorLayout.fullName.Read(record), kNameTextSize - 1);
    HostNormalizeName(name);
    EscapeXml(name, kNameTextSize - 1);
    int firstEnd = 0, secondEnd = 0;
    SplitEscapedName(name, &firstEnd, &secondEnd);

    char text[kTextSize];
    text[0] = '\0';
    HostCopyField(text, kContractorLayout.shortName.Read(record), kTextSize - 1);
    EscapeXml(text, kTextSize - 1);
    char nip[kTextSize];
    DigitsOnly(nip, kTextSize, kContractorLayout.nip.Read(record));

    if (!PutLine(out, "<KONTRAHENT>") || !PutElement(out, "NAZWA_PELNA_1", name, firstEnd) ||
        !PutElement(out, "NAZWA_PELNA_2", name + firstEnd, secondEnd - firstEnd) ||
        !PutElement(out, "NAZWA_SKROCONA", text, static_cast<int>(std::strlen(text))) ||
        !PutElement(out, "NIP", nip, static_cast<int>(std::strlen(nip))))
        return false;

    static const Literal kBeforeAddress[] = {
        "<REGON/>",
        "<PESEL/>",
        "<DOSTAWCA>T</DOSTAWCA>",
        "<ODBIORCA>T</ODBIORCA>",
        "<DETALISTA>N</DETALISTA>",
        "<KONTRAHENT_PL>T</KONTRAHENT_PL>",
        "<KONTRAHENT_UE>N</KONTRAHENT_UE>",
        "<KONTRAHENT_POZA_UE>N</KONTRAHENT_POZA_UE>",
        "<ADRESY>",
        "<ADRES>",
        "<TYP_POLOZENIA_PUNKTU_SPRZEDAZY>N</TYP_POLOZENIA_PUNKTU_SPRZEDAZY>",
        "<TYP_DRUKOWANY_NA_FAKTURZE>T</TYP_DRUKOWANY_NA_FAKTURZE>",
    };
    if (!PutLines(out, kBeforeAddress))
        return false;

    // The postal code is digits and a dash by construction.
    EscapeXml(city, kAddressPartSize - 1);
    EscapeXml(street, kAddressPartSize - 1);
    static const Literal kAfterCity[] = {
        "<PANSTWO>POLSKA</PANSTWO>",
        "<NR_DOMU/>",
        "<NR_LOKALU/>",
        "<ULICA/>",
    };
    static const Literal kAfterAddress[] = {
        "<ADRES_2></ADRES_2>",
        "</ADRES>",
        "</ADRESY>",
        "</KONTRAHENT>",
    };
    return PutElement(out, "KOD_POCZTOWY", postalCode, static_cast<int>(std::strlen(postalCode))) &&
           PutElement(out, "MIASTO", city, static_cast<int>(std::strlen(city))) && PutLines(out, kAfterCity) &&
           PutElement(out, "ADRES_1", street, static_cast<int>(std::strlen(street))) && PutLines(out, kAfterAddress);
}

} // namespace

bool WriteContractors(OutputLines& out, ContractorFlags& flags, const unsigned char* contractorRecord)
{
    unsigned char* const tables[] = {flags.firms, flags.persons};
    const char* const headings[] = {kProgressFirms, kProgressPersons};
    for (int t = 0; t < 2; ++t) {
        ShowProgressHeading(headings[t]);
        unsigned char* table = tables[t];
        for (int n = 0; n < kContractorFlagCount; ++n) {
            if (table[n] != kContractorMarked)
                continue;
            if (CommandAbandoned())
                return false;
            // The slot is asked for before each look-up, as the contract
            // has it: the host may give another one each time.  A slot that
            // is missing finds no contractor.
            int32_t* key = HostContractorKey();
            if (CommandAbandoned())
                return false;
            if (key != nullptr) {
                *key = t == 0 ? n : -n;
                if (HostFindContractor(kFindByKeySlot) != 0) {
                    if (!WriteContractor(out, contractorRecord))
                        return false;
                    continue;
                }
            }
            table[n] = kContractorMissing;
        }
    }
    return true;
}
