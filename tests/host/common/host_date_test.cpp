// The "YYYY-MM-DD" form and its host date text "YYYYMMDD".
#include <gtest/gtest.h>

#include <cstring>
#include <string_view>

#include "contract/host_records.h"
#include "host/common/host_date.h"

namespace {

TEST(HostDate, CalendarDatesBecomeHostDateText)
{
    const struct {
        const char* iso;
        const char* host;
    } cases[] = {
        {"2021-01-30", "20210130"}, {"2024-02-29", "20240229"}, {"2000-02-29", "20000229"},
        {"0001-01-01", "00010101"}, {"9999-12-31", "99991231"},
    };
    for (const auto& c : cases) {
        char slot[kHostDateWidth];
        std::memset(slot, 'x', sizeof slot);
        ASSERT_TRUE(IsoDateToHost(c.iso, slot)) << c.iso;
        EXPECT_EQ(std::string_view(slot, sizeof slot), std::string_view(c.host, kHostDateWidth)) << c.iso;
        EXPECT_TRUE(IsCalendarDate(c.iso)) << c.iso;
        // And back: the parts read from the text write the same text.
        int year = 0, month = 0, day = 0;
        ASSERT_TRUE(HostParseDate(c.host, &year, &month, &day)) << c.host;
        char formatted[kHostDateWidth];
        HostFormatDate(formatted, year, month, day);
        EXPECT_STREQ(formatted, c.host);
    }
}

TEST(HostDate, RefusesMisshapenAndUnrealDatesLeavingTheSlotAlone)
{
    const struct {
        const char* text;
        bool shaped; // digits and dashes in their places
    } cases[] = {
        {"", false},           {"2021-1-30", false},   {"2021/01/30", false},  {"20210130", false},
        {"2021-01-3x", false}, {" 2021-01-30", false}, {"2021-01-300", false}, {"+021-01-30", false},
        {"2021-02-29", true},  {"1900-02-29", true},   {"2021-04-31", true},   {"2021-13-01", true},
        {"2021-00-10", true},  {"2021-01-00", true},   {"0000-01-01", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HasIsoDateShape(c.text), c.shaped) << c.text;
        char slot[kHostDateWidth] = "unset";
        EXPECT_FALSE(IsoDateToHost(c.text, slot)) << c.text;
        EXPECT_STREQ(slot, "unset") << c.text;
        EXPECT_FALSE(IsCalendarDate(c.text)) << c.text;
    }
}

TEST(HostDate, ReadsOnlyTheTenCharactersItIsGiven)
{
    // A date inside a longer text, as SQLite hands out column texts.
    const char text[] = "2021-01-3099";
    char slot[kHostDateWidth];
    ASSERT_TRUE(IsoDateToHost(std::string_view(text, 10), slot));
    EXPECT_STREQ(slot, "20210130");
    EXPECT_FALSE(IsoDateToHost(std::string_view(text, 9), slot));
}

} // namespace
