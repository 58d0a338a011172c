#include "host/common/host_date.h"

#include <cstdio>
#include <cstring>

#include "contract/host_records.h"
#include "host/common/civil_date.h"

static_assert(kHostDateWidth == 9, "host date text is YYYYMMDD and its NUL");

bool HostParseDate(const char* text, int* year, int* month, int* day)
{
    if (text == nullptr)
        return false;
    int value[8];
    for (int i = 0; i < 8; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false; // also stops at an early NUL
        value[i] = text[i] - '0';
    }
    if (text[8] != '\0')
        return false;
    const int y = value[0] * 1000 + value[1] * 100 + value[2] * 10 + value[3];
    const int m = value[4] * 10 + value[5];
    const int d = value[6] * 10 + value[7];
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m))
        return false;
    *year = y;
    *month = m;
    *day = d;
    return true;
}

void HostFormatDate(char* slot, int year, int month, int day)
{
    // Digit by digit: a moved date is formatted for every document of an
    // export.  A part out of its range is written as snprintf would.
    if (year < 0 || year > 9999 || month < 0 || month > 99 || day < 0 || day > 99) {
        std::snprintf(slot, kHostDateWidth, "%04d%02d%02d", year, month, day);
        return;
    }
    const int parts[] = {year / 100, year % 100, month, day};
    for (int i = 0; i < 4; ++i) {
        slot[2 * i] = static_cast<char>('0' + parts[i] / 10);
        slot[2 * i + 1] = static_cast<char>('0' + parts[i] % 10);
    }
    slot[8] = '\0';
}

bool HasIsoDateShape(std::string_view text)
{
    if (text.size() != 10)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 4 || i == 7;
        if (dash ? text[i] != '-' : (text[i] < '0' || text[i] > '9'))
            return false;
    }
    return true;
}

bool IsoDateToHost(std::string_view text, char* slot)
{
    if (!HasIsoDateShape(text))
        return false;
    char digits[kHostDateWidth];
    std::memcpy(digits, text.data(), 4);
    std::memcpy(digits + 4, text.data() + 5, 2);
    std::memcpy(digits + 6, text.data() + 8, 2);
    digits[8] = '\0';
    int year, month, day;
    if (!HostParseDate(digits, &year, &month, &day))
        return false;
    std::memcpy(slot, digits, sizeof digits);
    return true;
}

bool IsCalendarDate(std::string_view text)
{
    char slot[kHostDateWidth];
    return IsoDateToHost(text, slot);
}
