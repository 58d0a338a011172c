// The host's text entries: line buffer, bounded copy, in-place edits and
// the conversions of host text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/host_entry_impl.h"

namespace {

TEST(HostText, LineBufferIsOneBufferOfTheFullLineSize)
{
    char* buffer = tomiva::HostLineBuffer();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(tomiva::HostLineBuffer(), buffer);
    // The whole promised line fits (the sanitizers watch the last byte).
    std::memset(buffer, 'x', 5001);
    buffer[5001] = '\0';
    EXPECT_EQ(std::strlen(tomiva::HostLineBuffer()), 5001u);
}

TEST(HostText, CopyFieldCopiesAtMostMaxAndAlwaysTerminates)
{
    const struct {
        const char* source;
        int max;
        const char* expected;
    } cases[] = {
        {"abcdef", 3, "abc"}, {"abc", 3, "abc"}, {"ab", 3, "ab"}, {"", 5, ""},
        {"abc", 0, ""},       {"abc", -4, ""},   {"abcdef", 1, "a"},
    };
    for (const auto& c : cases) {
        char destination[16];
        std::memset(destination, '#', sizeof destination);
        const int copied = tomiva::HostCopyField(destination, c.source, c.max);
        EXPECT_STREQ(destination, c.expected) << c.source << " max " << c.max;
        EXPECT_EQ(copied, static_cast<int>(std::strlen(c.expected)));
        const std::size_t used = std::strlen(c.expected) + 1;
        for (std::size_t i = used; i < sizeof destination; ++i)
            EXPECT_EQ(destination[i], '#') << "wrote past the copy at " << i;
    }
}

TEST(HostText, CopyFieldDoesNotReadPastMax)
{
    // An unterminated 4-byte field copied with max 4.
    const char field[4] = {'a', 'b', 'c', 'd'};
    char destination[8];
    EXPECT_EQ(tomiva::HostCopyField(destination, field, 4), 4);
    EXPECT_STREQ(destination, "abcd");
}

TEST(HostText, InsertCharMovesTheRestAndTheTerminator)
{
    char text[16] = "a;b";
    tomiva::HostInsertChar(text + 1, '&');
    EXPECT_STREQ(text, "a&;b");
    tomiva::HostInsertChar(text + 4, 'z'); // at the terminator: appends
    EXPECT_STREQ(text, "a&;bz");
    tomiva::HostInsertChar(text, '<');
    EXPECT_STREQ(text, "<a&;bz");

    char empty[4] = "";
    tomiva::HostInsertChar(empty, 'q');
    EXPECT_STREQ(empty, "q");
}

TEST(HostText, TrimRemovesBlanksAtBothEndsOnly)
{
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"  Warszawa ", "Warszawa"},
        {"\t\r\n00-950 \n", "00-950"},
        {"ul. Długa  5", "ul. Długa  5"},
        {"", ""},
        {"   ", ""},
        {"x", "x"},
    };
    for (const auto& c : cases) {
        char text[32];
        std::snprintf(text, sizeof text, "%s", c.text);
        tomiva::HostTrimText(text);
        EXPECT_STREQ(text, c.expected) << "'" << c.text << "'";
    }
}

TEST(HostText, NormalizeNameLeavesTheNameAsItIs)
{
    char name[] = "  firma \"Ćma\" sp. z o.o. ";
    tomiva::HostNormalizeName(name);
    EXPECT_STREQ(name, "  firma \"Ćma\" sp. z o.o. ");
}

TEST(HostText, ConvertTextToUtf8AndSystemText)
{
    const char source[] = "\x8F\x9C"
                          "ka"; // "ĄŁka" in host text
    char out[16];
    tomiva::HostConvertText(out, sizeof out, source, -1, kCharsetHost, kCharsetUtf8);
    EXPECT_STREQ(out, "ĄŁka");
    tomiva::HostConvertText(out, sizeof out, source, -1, kCharsetHost, kCharsetSystem);
    EXPECT_STREQ(out, "\xA5\xA3ka");
    tomiva::HostConvertText(out, 4, source, -1, kCharsetHost, kCharsetUtf8);
    EXPECT_STREQ(out, "Ą"); // "Ł" would need two more bytes than the 1 left
}

TEST(HostText, RecodeInPlaceKeepsTheLength)
{
    char text[] = "B\x92\x86" "d \x9E"; // "Błąd ś" in host text
    tomiva::HostRecode(text, text, kCharsetHost, kCharsetSystem);
    EXPECT_STREQ(text, "B\xB3\xB9" "d \x9C");

    char copy[8] = "";
    tomiva::HostRecode(copy, "\xA7\xC9", kCharsetHost, kCharsetSystem); // ż and a box corner
    EXPECT_STREQ(copy, "\xBF?");
}

TEST(HostText, InterfaceVersion) { EXPECT_EQ(tomiva::HostInterfaceVersion(), 112); }

} // namespace
