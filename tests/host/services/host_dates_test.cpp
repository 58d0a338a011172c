// The host's date entries over its "YYYYMMDD" date text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/host_entry_impl.h"

namespace {

TEST(HostDates, AddDaysFollowsTheCalendar)
{
    const struct {
        const char* date;
        int days;
        const char* expected;
    } cases[] = {
        {"20210131", 1, "20210201"},   // month end
        {"20211231", 1, "20220101"},   // year end
        {"20210228", 1, "20210301"},   // 2021 has no leap day
        {"20200228", 1, "20200229"},   // 2020 has one
        {"20200229", 365, "20210228"}, //
        {"21000228", 1, "21000301"},   // a century year is not leap ...
        {"20000228", 1, "20000229"},   // ... unless it divides by 400
        {"20210301", -1, "20210228"},  // backwards over a month end
        {"20200301", -1, "20200229"},
        {"20220101", -1, "20211231"},
        {"20210115", 0, "20210115"},
        {"20210115", 30, "20210214"},  // a typical payment term
        {"20210115", 65535, "22000621"}, // the longest payment term, over 2100
        {"00010101", -1, "00010101"},  // before year 1: left unchanged
        {"99991231", 1, "99991231"},   // past year 9999: left unchanged
    };
    for (const auto& c : cases) {
        char date[9];
        std::snprintf(date, sizeof date, "%s", c.date);
        tomiva::HostAddDays(date, c.days);
        EXPECT_STREQ(date, c.expected) << c.date << " + " << c.days;
    }
}

TEST(HostDates, MalformedDatesAreLeftAloneAndUnpackToZero)
{
    const char* malformed[] = {"",         "2021013",  "202101311", "2021-1-3", "20211301", "20210230", "20210229",
                               "21000229", "20210100", "00000101",  "2021013x", "20 10131"};
    for (const char* text : malformed) {
        char date[16];
        std::snprintf(date, sizeof date, "%s", text);
        EXPECT_EQ(tomiva::HostAddDays(date, 10), 0) << text;
        EXPECT_STREQ(date, text);

        int16_t y = -1, m = -1, d = -1;
        EXPECT_EQ(tomiva::HostUnpackDate(date, &y, &m, &d, 0), 0) << text;
        EXPECT_EQ(y, 0);
        EXPECT_EQ(m, 0);
        EXPECT_EQ(d, 0);
    }
}

TEST(HostDates, UnpackSplitsAValidDate)
{
    const struct {
        const char* date;
        int16_t y, m, d;
    } cases[] = {{"20240229", 2024, 2, 29}, {"20000229", 2000, 2, 29}, {"20211231", 2021, 12, 31}, {"00010101", 1, 1, 1}};
    for (const auto& c : cases) {
        int16_t y = 0, m = 0, d = 0;
        EXPECT_EQ(tomiva::HostUnpackDate(c.date, &y, &m, &d, 0), 1) << c.date;
        EXPECT_EQ(y, c.y);
        EXPECT_EQ(m, c.m);
        EXPECT_EQ(d, c.d);
    }
}

TEST(HostDates, UnpackReadsNoFurtherThanTheDateField)
{
    // A 9-byte field whose NUL is missing: refused without reading byte 9.
    char field[9];
    std::memcpy(field, "202101311", 9);
    int16_t y = -1, m = -1, d = -1;
    EXPECT_EQ(tomiva::HostUnpackDate(field, &y, &m, &d, 0), 0);
    EXPECT_EQ(y, 0);
}

TEST(HostDates, CompareOrdersByCalendarWithNoDateFirst)
{
    const struct {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        {"20210101", "20210102", -1}, {"20210102", "20210101", 1}, {"20210315", "20210315", 0},
        {"20201231", "20210101", -1}, {"20211130", "20211201", -1}, {"", "00010101", -1},
        {"20210101", "", 1},          {"", "", 0},
    };
    for (const auto& c : cases) {
        const int r = tomiva::HostCompareDates(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << "'" << c.a << "' vs '" << c.b << "'";
    }
}

} // namespace
