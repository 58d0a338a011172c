#include "host/verify/export_rules.h"

#include "host/common/civil_date.h"
#include "host/common/host_date.h"
#include "host/common/utf8.h"
#include "host/firm/firm_records.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cfloat>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

// ---------------------------------------------------------------------------
// UTF-8 as code points and back.  The firm's texts were checked to be UTF-8
// when the host opened the firm; what does not decode is kept as U+FFFD, so
// a broken text still measures one character per sequence.

std::u32string Decode(std::string_view utf8)
{
    std::u32string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();)
        out += DecodeUtf8(utf8, &i);
    return out;
}

// The escaping of the export turns every control character into a space.
char32_t AsWritten(char32_t c) { return c < 0x20 ? U' ' : c; }

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

// The blanks the host trims from the ends of a text.
bool IsBlank(char32_t c) { return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n'; }

std::u32string Trim(std::u32string text)
{
    std::size_t start = 0, end = text.size();
    while (start < end && IsBlank(text[start]))
        ++start;
    while (end > start && IsBlank(text[end - 1]))
        --end;
    return text.substr(start, end - start);
}

std::string Written(std::u32string text)
{
    for (char32_t& c : text)
        c = AsWritten(c);
    return EncodeUtf8(text);
}

// ---------------------------------------------------------------------------
// Dates

// The parts of a firm date "YYYY-MM-DD" naming a real day.
bool ParseDate(std::string_view text, int* year, int* month, int* day)
{
    if (!IsCalendarDate(text))
        return false;
    auto number = [&](std::size_t from, std::size_t count) {
        int value = 0;
        for (std::size_t i = from; i < from + count; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    *year = number(0, 4);
    *month = number(5, 2);
    *day = number(8, 2);
    return true;
}

std::string DateTimeText(int year, int month, int day)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT00:00:00", year, month, day);
    return text;
}

} // namespace

// ---------------------------------------------------------------------------
// Amounts

double AmountUnits(double zloty)
{
    // The same units the host packs into its records.
    return HostAmountUnits(zloty);
}

bool GroszOfUnits(double units, Grosz* grosz)
{
    char text[400];
    const int n = std::snprintf(text, sizeof text, "%0.2f", units / 10000.0);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof text)
        return false;
    return ParseGrosz(std::string_view(text, static_cast<std::size_t>(n)), grosz);
}

bool ParseGrosz(std::string_view text, Grosz* grosz)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    if (text.size() < 4 || text[text.size() - 3] != '.')
        return false;
    Grosz value = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == text.size() - 3)
            continue;
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        if (value > (std::numeric_limits<Grosz>::max() - (c - '0')) / 10)
            return false;
        value = value * 10 + (c - '0');
    }
    *grosz = negative ? -value : value;
    return true;
}

std::string FormatGrosz(Grosz grosz)
{
    char text[40];
    const unsigned long long magnitude =
        grosz < 0 ? 0ull - static_cast<unsigned long long>(grosz) : static_cast<unsigned long long>(grosz);
    std::snprintf(text, sizeof text, "%s%llu.%02llu", grosz < 0 ? "-" : "", magnitude / 100, magnitude % 100);
    return text;
}

std::string FormatGroszGrouped(Grosz grosz)
{
    const std::string plain = FormatGrosz(grosz);
    const bool negative = plain.front() == '-';
    const std::size_t point = plain.find('.');
    const std::string whole = plain.substr(negative ? 1 : 0, point - (negative ? 1 : 0));
    std::string grouped;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            grouped += ' ';
        grouped += whole[i];
    }
    return (negative ? "-" : "") + grouped + plain.substr(point);
}

// ---------------------------------------------------------------------------
// Identifiers and rates

std::string RegisterId(int32_t documentKey, int32_t contractor, uint32_t id1, uint32_t id2)
{
    const long long contractorKey = contractor < 0 ? -static_cast<long long>(contractor) + kPersonKeyOffset : contractor;
    char key[16], person[32], first[16], second[24], id[48];
    std::snprintf(key, sizeof key, "%08X", static_cast<uint32_t>(documentKey));
    std::snprintf(person, sizeof person, "%04llX", static_cast<unsigned long long>(contractorKey));
    std::snprintf(first, sizeof first, "%08X", id1);
    std::snprintf(second, sizeof second, "%012X", id2);
    std::snprintf(id, sizeof id, "%.8s-%.4s-%.4s-%.4s-%.12s", key, person, first, first + 4, second);
    return id;
}

std::string RateText(int16_t rateCode, double percent)
{
    if (const char* fixed = FixedRateText(rateCode))
        return fixed;
    // Every rate the host can report, whole, with its sign and "%".
    char text[DBL_MAX_10_EXP + 4];
    std::snprintf(text, sizeof text, "%.0f%%", percent);
    return text;
}

// ---------------------------------------------------------------------------
// Texts

std::string FileText(std::string_view utf8, int limit)
{
    std::u32string text = Decode(utf8);
    if (limit >= 0 && text.size() > static_cast<std::size_t>(limit))
        text.resize(static_cast<std::size_t>(limit));
    return Written(std::move(text));
}

std::string DigitsOf(std::string_view text, int limit)
{
    std::string digits;
    for (const char c : text) {
        if (limit >= 0 && digits.size() >= static_cast<std::size_t>(limit))
            break;
        if (c >= '0' && c <= '9')
            digits += c;
    }
    return digits;
}

NameParts SplitFullName(std::string_view utf8)
{
    constexpr int kPartChars = 70;
    const std::u32string name = Decode(utf8);
    auto escapedWidth = [](char32_t c) {
        switch (c) {
        case U'<': case U'>': return 4;   // &lt; &gt;
        case U'&': return 5;              // &amp;
        case U'\'': case U'"': return 6;  // &apos; &quot;
        default: return 1;
        }
    };
    // A part takes whole characters while their escaped form fits in 70.
    auto part = [&](std::size_t start, std::size_t* end) {
        int width = 0;
        std::size_t i = start;
        while (i < name.size() && width + escapedWidth(name[i]) <= kPartChars)
            width += escapedWidth(name[i++]);
        *end = i;
        return Written(name.substr(start, i - start));
    };
    NameParts parts;
    std::size_t firstEnd = 0, secondEnd = 0;
    parts.first = part(0, &firstEnd);
    parts.second = part(firstEnd, &secondEnd);
    return parts;
}

AddressParts SplitAddressLine(std::string_view utf8)
{
    constexpr std::size_t kWorkChars = 255;   // the split's copy of the address
    constexpr int kPostalCodeChars = 6;
    constexpr int kStreetStartWithoutMarker = 25;
    constexpr std::size_t kPartChars = 511;

    std::u32string work = Decode(utf8);
    if (work.size() > kWorkChars)
        work.resize(kWorkChars);
    const int length = static_cast<int>(work.size());
    auto at = [&](int i) { return i >= 0 && i < length ? work[static_cast<std::size_t>(i)] : U'\0'; };
    auto lower = [](char32_t c) { return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c; };

    std::u32string street, postalCode, city;
    auto copy = [&](std::u32string* part, int start, int end) {
        part->clear();
        if (start < 0 || start >= length)
            return;
        const std::size_t from = static_cast<std::size_t>(start);
        const std::size_t count = end < 0 ? kPartChars : static_cast<std::size_t>(end - start);
        if (end >= 0 && end <= start)
            return;
        *part = work.substr(from, std::min(count, kPartChars));
    };

    if (length > 0) {
        int postal = -1, cityStart = -1, streetStart = -1;
        for (int i = 0; i < length; ++i) {
            if (IsDigit(at(i)) && IsDigit(at(i + 1)) && at(i + 2) == U'-' && IsDigit(at(i + 3)) &&
                IsDigit(at(i + 4)) && IsDigit(at(i + 5)) && !IsDigit(at(i + 6))) {
                postal = i;
                cityStart = i + kPostalCodeChars + 1;
            }
            const char32_t a = lower(at(i)), b = lower(at(i + 1));
            if (((a == U'u' && b == U'l') || (a == U'o' && b == U's')) && at(i + 2) == U'.')
                streetStart = i;
        }
        if (cityStart > length)
            cityStart = -1;
        if (streetStart == -1) {
            if (postal == 0)
                streetStart = kStreetStartWithoutMarker;
            else if (postal > 0)
                streetStart = 0;
        }
        if (postal < cityStart && cityStart < streetStart) {
            copy(&postalCode, postal, postal + kPostalCodeChars);
            copy(&city, cityStart, streetStart);
            copy(&street, streetStart, -1);
        } else if (streetStart < postal && postal < cityStart) {
            copy(&postalCode, postal, postal + kPostalCodeChars);
            copy(&city, cityStart, -1);
            copy(&street, streetStart, postal);
        } else if (postal == -1 && cityStart == -1 && streetStart == -1) {
            copy(&city, 0, -1);
        }
    }

    AddressParts parts;
    // Trimmed first; then, as the file writes them, city and street escaped
    // (control characters spaces); the postal code is written as cut.
    parts.city = Written(Trim(city));
    parts.postalCode = EncodeUtf8(Trim(postalCode));
    parts.street = Written(Trim(street));
    return parts;
}

// ---------------------------------------------------------------------------
// Dates

std::string LastDayOfMonth(int year, int month)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, DaysInMonth(year, month));
    return text;
}

std::string FileDate(std::string_view date)
{
    int y, m, d;
    if (!ParseDate(date, &y, &m, &d))
        return DateTimeText(0, 0, 0);
    return DateTimeText(y, m, d);
}

std::string FileDueDate(std::string_view issueDate, int paymentDays)
{
    int y, m, d;
    if (paymentDays == 0 || !ParseDate(issueDate, &y, &m, &d))
        return FileDate(issueDate);
    const CivilDate due = CivilFromDays(DaysFromCivil(y, m, d) + paymentDays);
    if (due.year < 1 || due.year > 9999)
        return FileDate(issueDate);
    return DateTimeText(due.year, due.month, due.day);
}

// ---------------------------------------------------------------------------

bool NipCheckDigitRight(std::string_view digits)
{
    static const int kWeights[9] = {6, 5, 7, 2, 3, 4, 5, 6, 7};
    if (digits.size() != 10)
        return false;
    int sum = 0;
    for (int i = 0; i < 9; ++i) {
        if (digits[static_cast<std::size_t>(i)] < '0' || digits[static_cast<std::size_t>(i)] > '9')
            return false;
        sum += kWeights[i] * (digits[static_cast<std::size_t>(i)] - '0');
    }
    return sum % 11 == digits[9] - '0';
}
