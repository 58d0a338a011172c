// Day numbers of the proleptic Gregorian calendar and back.
#include <gtest/gtest.h>

#include "host/common/civil_date.h"

namespace {

TEST(CivilDate, KnownDaysHaveTheirNumbers)
{
    const struct {
        int year, month, day;
        long long days;
    } cases[] = {
        {1970, 1, 1, 0},
        {1969, 12, 31, -1},
        {2000, 3, 1, 11017},
        {2021, 2, 10, 18668},
        {1600, 2, 29, -135081}, // a leap day of a century year that divides by 400
        {1, 1, 1, -719162},
        {9999, 12, 31, 2932896},
        {-1, 12, 31, -719529}, // the calendar runs on before year 1 (year 0 is a leap year)
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DaysFromCivil(c.year, c.month, c.day), c.days) << c.year << "-" << c.month << "-" << c.day;
        const CivilDate date = CivilFromDays(c.days);
        EXPECT_EQ(date.year, c.year) << c.days;
        EXPECT_EQ(date.month, c.month) << c.days;
        EXPECT_EQ(date.day, c.day) << c.days;
    }
}

// Every day of years 1 to 9999 follows the one before it on the calendar,
// which takes every month length and leap rule along.
TEST(CivilDate, EveryDayOfFourDigitYearsFollowsTheDayBefore)
{
    CivilDate expected{1, 1, 1};
    const long long first = DaysFromCivil(1, 1, 1);
    const long long last = DaysFromCivil(9999, 12, 31);
    for (long long days = first; days <= last; ++days) {
        const CivilDate date = CivilFromDays(days);
        ASSERT_TRUE(date.year == expected.year && date.month == expected.month && date.day == expected.day)
            << "day " << days << " gives " << date.year << "-" << date.month << "-" << date.day << ", expected "
            << expected.year << "-" << expected.month << "-" << expected.day;
        ASSERT_EQ(DaysFromCivil(date.year, date.month, date.day), days);
        if (++expected.day > DaysInMonth(expected.year, expected.month)) {
            expected.day = 1;
            if (++expected.month > 12) {
                expected.month = 1;
                ++expected.year;
            }
        }
    }
}

TEST(CivilDate, MonthLengthsAndLeapYears)
{
    const struct {
        int year, month, days;
    } cases[] = {
        {2021, 1, 31}, {2021, 2, 28}, {2024, 2, 29}, {1900, 2, 28}, {2000, 2, 29},
        {2100, 2, 28}, {2021, 4, 30}, {2021, 11, 30}, {2021, 12, 31},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DaysInMonth(c.year, c.month), c.days) << c.year << "-" << c.month;
}

} // namespace
