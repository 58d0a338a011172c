// What the export makes of a firm's values, worked out again on the host's
// side from the firm database, so that a file can be checked against the
// firm without trusting the plug-in that wrote it: register identifiers,
// rate texts, the address split, the cut of the full name, the texts as the
// file carries them, dates and amounts to the grosz.  Texts are UTF-8; the
// host's text has one byte per character, so lengths count characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "contract/export_format.h"

// Amounts are compared in grosze (1/100 złoty).
using Grosz = int64_t;

// A firm amount (złoty, as SQLite's REAL holds it) in the host's units of
// 1/10000 złoty: the decimal value the double stands for (its shortest
// round-trip text) times 10000, halves away from zero.
double AmountUnits(double zloty);
// What the file writes for a sum of units: "%0.2f" of units / 10000, read
// back in grosze.  False when the amount is too large for 64-bit grosze.
bool GroszOfUnits(double units, Grosz* grosz);
// An amount of the file ("-?digits.dd") in grosze; false when it is not of
// that form or too large.
bool ParseGrosz(std::string_view text, Grosz* grosz);
// "-1234.50" of grosze, and the same with a space every three digits.
std::string FormatGrosz(Grosz grosz);
std::string FormatGroszGrouped(Grosz grosz);

// The 36-character identifier 8-4-4-4-12 of a document: its key, its
// contractor's key (natural persons moved to |n| + 70000), identifier
// numbers 1 and 2.
std::string RegisterId(int32_t documentKey, int32_t contractor, uint32_t id1, uint32_t id2);

// The rate text of a VAT rate code; percent is what the firm gives for the
// code (0 when it has no row).
std::string RateText(int16_t rateCode, double percent);
// Lines of the codes RateCodeIgnored names are left out of the positions
// (contract/export_format.h, with the buyer-settles code).

// A text as an element of the file carries it: at most `limit` characters
// (limit < 0: all), every control character (below U+0020) a space.
std::string FileText(std::string_view utf8, int limit = -1);
// The decimal digits of a text, at most `limit` of them (limit < 0: all).
std::string DigitsOf(std::string_view text, int limit = -1);

// The full name in NAZWA_PELNA_1 and NAZWA_PELNA_2: measured as escaped
// text (an entity counts its characters), cut at 70 escaped characters, a
// cut never inside an entity; what lies beyond the second part is lost.
struct NameParts {
    std::string first, second;
};
NameParts SplitFullName(std::string_view utf8);

// Street, postal code and city cut out of a one-line address, trimmed;
// city and street as the file carries them.
struct AddressParts {
    std::string street, postalCode, city;
};
AddressParts SplitAddressLine(std::string_view utf8);

// The last day of a month, "YYYY-MM-DD".
std::string LastDayOfMonth(int year, int month);

// "YYYY-MM-DDT00:00:00" of a firm date "YYYY-MM-DD"; an empty (or not real)
// date gives "0000-00-00T00:00:00".
std::string FileDate(std::string_view date);
// The payment date: the issue date moved on by the payment days; the issue
// date itself when there are none, when there is no issue date, or when the
// result would leave the years 1 to 9999.
std::string FileDueDate(std::string_view issueDate, int paymentDays);

// True for a 10-digit tax number (NIP) whose check digit is right: the
// first nine digits weighted 6 5 7 2 3 4 5 6 7, the sum modulo 11 equal to
// the tenth.  Only meaningful for texts of exactly ten digits.
bool NipCheckDigitRight(std::string_view digits);
