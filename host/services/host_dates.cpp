// Host date text is "YYYYMMDD" and a NUL; the empty text means "no date".
// Within a year of four digits the text order is the calendar order, which
// is what the comparison relies on.
#include "host/services/host_dates.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "contract/host_records.h"
#include "host/common/civil_date.h"
#include "host/common/entry_guard.h"
#include "host/common/host_date.h"
#include "host/host_entry_impl.h"
#include "host/services/host_latitude.h"
#include "host/services/host_session.h"

std::string HostSystemDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char slot[kHostDateWidth];
    HostFormatDate(slot, local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return slot;
}

namespace tomiva {

// The slot is the caller's; host date slots are at least 9 bytes.
int HOST_CONV_STDCALL HostToday(char* date)
{
    LatitudeEntered();
    if (date == nullptr)
        return 0;
    const int given = HostEntryGuard(0, [date] {
        const std::string& today = HostState().today;
        const std::string text = today.empty() ? HostSystemDate() : today;
        std::snprintf(date, kHostDateWidth, "%s", text.c_str());
        return 1;
    });
    if (given == 0)
        date[0] = '\0';
    // The slot is the caller's 256 bytes: behind the date text the host with
    // latitude leaves its pattern.
    else if (LatitudeHas(LatitudeVariation::PatternFill))
        LatitudeFill(date + kHostDateWidth, kLatitudeDateSlotPattern);
    return LatitudeUnused(given);
}

int HOST_CONV_STDCALL HostUnpackDate(const char* date, int16_t* year, int16_t* month, int16_t* day, int /*reserved*/)
{
    LatitudeEntered();
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
    return LatitudeUnused(ok ? 1 : 0);
}

int HOST_CONV_STDCALL HostCompareDates(const char* a, const char* b)
{
    LatitudeEntered();
    // A null date is no date, like the empty text, and so earlier than any.
    const int order = std::strncmp(a != nullptr ? a : "", b != nullptr ? b : "", kHostDateWidth);
    return LatitudeOrder((order > 0) - (order < 0));
}

int HOST_CONV_STDCALL HostAddDays(char* date, int days)
{
    LatitudeEntered();
    int y, m, d;
    if (!HostParseDate(date, &y, &m, &d))
        return 0;
    const CivilDate moved = CivilFromDays(DaysFromCivil(y, m, d) + days);
    if (moved.year < 1 || moved.year > 9999)
        return LatitudeUnused(0); // no four-digit form: the date stays as it was
    HostFormatDate(date, moved.year, moved.month, moved.day);
    return LatitudeUnused(1);
}

} // namespace tomiva
