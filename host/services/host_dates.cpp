// Host date text is "YYYYMMDD" and a NUL; the empty text means "no date".
// Within a year of four digits the text order is the calendar order, which
// is what the comparison relies on.
#include <cstdio>
#include <cstring>

#include "contract/host_records.h"
#include "host/module/host_entry_impl.h"
#include "host/services/host_state.h"

namespace {

bool IsLeap(long long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(long long y, int m)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back (the
// era-based method: 400-year eras of 146097 days).
long long DaysFromCivil(long long y, int m, int d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, long long* y, int* m, int* d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *y = yoe + era * 400 + (*m <= 2);
}

} // namespace

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
    std::snprintf(slot, kHostDateWidth, "%04d%02d%02d", year, month, day);
}

namespace tomiva {

// The slot is the caller's; host date slots are at least 9 bytes.
int HOST_CONV_STDCALL HostToday(char* date)
{
    if (date == nullptr)
        return 0;
    try {
        const std::string& today = HostState().today;
        const std::string text = today.empty() ? HostSystemDate() : today;
        std::snprintf(date, kHostDateWidth, "%s", text.c_str());
        return 1;
    } catch (...) {
        date[0] = '\0';
        return 0;
    }
}

int HOST_CONV_STDCALL HostUnpackDate(const char* date, int16_t* year, int16_t* month, int16_t* day, int /*reserved*/)
{
    int y = 0, m = 0, d = 0;
    const bool ok = HostParseDate(date, &y, &m, &d);
    if (!ok)
        y = m = d = 0;
    if (year != nullptr)
        *year = static_cast<int16_t>(y);
    if (month != nullptr)
        *month = static_cast<int16_t>(m);
    if (day != nullptr)
        *day = static_cast<int16_t>(d);
    return ok ? 1 : 0;
}

int HOST_CONV_STDCALL HostCompareDates(const char* a, const char* b)
{
    // A null date is no date, like the empty text, and so earlier than any.
    const int order = std::strncmp(a != nullptr ? a : "", b != nullptr ? b : "", kHostDateWidth);
    return (order > 0) - (order < 0);
}

int HOST_CONV_STDCALL HostAddDays(char* date, int days)
{
    int y, m, d;
    if (!HostParseDate(date, &y, &m, &d))
        return 0;
    long long year;
    int month, day;
    CivilFromDays(DaysFromCivil(y, m, d) + days, &year, &month, &day);
    if (year < 1 || year > 9999)
        return 0; // no four-digit form: the date stays as it was
    HostFormatDate(date, static_cast<int>(year), month, day);
    return 1;
}

} // namespace tomiva
