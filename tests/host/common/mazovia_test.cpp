// The Mazovia code page and its conversions to UTF-8 and Windows-1250.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/common/mazovia.h"
#include "contract/mazovia_literal.h"

namespace {

struct PolishLetter {
    const char* utf8;
    unsigned char mazovia;
    unsigned char windows1250;
};

// Written out here rather than taken from the code, so that a wrong table
// entry cannot agree with itself.
const PolishLetter kLetters[] = {
    {"ą", 0x86, 0xB9}, {"ć", 0x8D, 0xE6}, {"ę", 0x91, 0xEA}, {"ł", 0x92, 0xB3}, {"ń", 0xA4, 0xF1},
    {"ó", 0xA2, 0xF3}, {"ś", 0x9E, 0x9C}, {"ź", 0xA6, 0x9F}, {"ż", 0xA7, 0xBF}, {"Ą", 0x8F, 0xA5},
    {"Ć", 0x95, 0xC6}, {"Ę", 0x90, 0xCA}, {"Ł", 0x9C, 0xA3}, {"Ń", 0xA5, 0xD1}, {"Ó", 0xA3, 0xD3},
    {"Ś", 0x98, 0x8C}, {"Ź", 0xA0, 0x8F}, {"Ż", 0xA1, 0xAF},
};

std::string Byte(unsigned char b) { return std::string(1, static_cast<char>(b)); }

TEST(Mazovia, EveryPolishLetterBothWays)
{
    for (const PolishLetter& letter : kLetters) {
        std::string mazovia;
        ASSERT_TRUE(Utf8ToMazovia(letter.utf8, &mazovia, nullptr)) << letter.utf8;
        EXPECT_EQ(mazovia, Byte(letter.mazovia)) << letter.utf8;
        EXPECT_EQ(MazoviaToUtf8(Byte(letter.mazovia)), letter.utf8) << letter.utf8;
    }
    // and the compile-time literals of the plug-in agree
    constexpr MazoviaText word{u8"Żółć"};
    EXPECT_EQ(MazoviaToUtf8(word.c_str()), "Żółć");
}

TEST(Mazovia, EveryByteSurvivesTheRoundTrip)
{
    for (int b = 0; b < 256; ++b) {
        const std::string utf8 = MazoviaToUtf8(Byte(static_cast<unsigned char>(b)));
        std::string back;
        char32_t offending = 0;
        ASSERT_TRUE(Utf8ToMazovia(utf8, &back, &offending)) << "byte " << b << " offending U+" << std::hex
                                                             << static_cast<unsigned>(offending);
        EXPECT_EQ(back, Byte(static_cast<unsigned char>(b))) << "byte " << b;
        EXPECT_EQ(MazoviaByteOf(kMazoviaToUnicode[b]), b);
    }
    EXPECT_EQ(MazoviaByteOf(U'€'), -1);
    EXPECT_EQ(MazoviaByteOf(0xFFFD), -1);
}

TEST(Mazovia, KeepsTheDosLayoutOutsideTheLetters)
{
    EXPECT_EQ(kMazoviaToUnicode[0x02], U'\x02'); // emphasis bytes stay controls
    EXPECT_EQ(kMazoviaToUnicode[0x7F], U'\x7F');
    EXPECT_EQ(kMazoviaToUnicode[0x80], U'Ç');
    EXPECT_EQ(kMazoviaToUnicode[0x9B], U'¢');
    EXPECT_EQ(kMazoviaToUnicode[0x9D], U'¥');
    EXPECT_EQ(kMazoviaToUnicode[0xA9], U'⌐');
    EXPECT_EQ(kMazoviaToUnicode[0xC9], U'╔');
    EXPECT_EQ(kMazoviaToUnicode[0xE1], U'ß');
    EXPECT_EQ(kMazoviaToUnicode[0xFF], U'\u00A0');
}

TEST(Mazovia, RefusesWhatItCannotHoldAndNamesIt)
{
    const struct {
        const char* utf8;
        char32_t offending;
    } cases[] = {
        {"Cena 5 €", U'€'},
        {"Łódź Gdańsk ő", U'ő'}, // Hungarian, not Polish
        {"ok \xC5", 0xFFFD},     // a cut two-byte sequence
        {"\xC0\xAF", 0xFFFD},    // an overlong '/'
        {"\xED\xA0\x80", 0xFFFD}, // a surrogate
    };
    for (const auto& c : cases) {
        std::string out;
        char32_t offending = 0;
        EXPECT_FALSE(Utf8ToMazovia(c.utf8, &out, &offending)) << c.utf8;
        EXPECT_EQ(offending, c.offending) << c.utf8;
    }
}

// Converts with a destination of exactly `size` bytes inside a larger
// buffer whose tail is marked, so that any write past `size` shows.
std::string ConvertInto(int size, const std::string& source, int toSet, int* result)
{
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    *result = ConvertMazovia(buffer, size, source.c_str(), -1, toSet);
    for (std::size_t i = static_cast<std::size_t>(size > 0 ? size : 0); i < sizeof buffer; ++i)
        EXPECT_EQ(buffer[i], '#') << "byte " << i << " written for size " << size;
    if (size <= 0)
        return "(untouched)";
    return std::string(buffer, strnlen(buffer, static_cast<std::size_t>(size)));
}

TEST(Mazovia, ConversionToUtf8StaysInsideItsDestination)
{
    const std::string text = "a" + Byte(0x86) + "b"; // "aąb": 1 + 2 + 1 bytes in UTF-8
    const struct {
        int size;
        const char* expected;
        int count;
    } cases[] = {
        {0, "(untouched)", 0},
        {1, "", 0},
        {2, "a", 1},
        {3, "a", 1}, // room for one byte of "ą" only: the letter is left out whole
        {4, "aą", 3},
        {5, "aąb", 4},
        {32, "aąb", 4},
    };
    for (const auto& c : cases) {
        int result = -1;
        EXPECT_EQ(ConvertInto(c.size, text, 6, &result), c.expected) << "size " << c.size;
        EXPECT_EQ(result, c.count) << "size " << c.size;
    }
}

TEST(Mazovia, CountedSourceAndEmptySource)
{
    char out[16];
    EXPECT_EQ(ConvertMazovia(out, sizeof out, "abcdef", 3, 6), 3);
    EXPECT_STREQ(out, "abc");
    EXPECT_EQ(ConvertMazovia(out, sizeof out, "ab\0cd", 5, 6), 2); // a NUL ends a counted text too
    EXPECT_STREQ(out, "ab");
    EXPECT_EQ(ConvertMazovia(out, sizeof out, nullptr, -1, 6), 0);
    EXPECT_STREQ(out, "");
}

TEST(Mazovia, SystemTextHasPolishLettersAndQuestionMarksForTheRest)
{
    std::string all;
    std::string expected;
    for (const PolishLetter& letter : kLetters) {
        all += Byte(letter.mazovia);
        expected += Byte(letter.windows1250);
    }
    all += "A\x02" + Byte(0xC9) + Byte(0x81); // ASCII and a control stay; 1250 has no ╔, has ü
    expected += "A\x02?" + Byte(0xFC);

    char out[64];
    const int n = ConvertMazovia(out, sizeof out, all.c_str(), -1, 3);
    EXPECT_EQ(std::string(out, static_cast<std::size_t>(n)), expected);
    EXPECT_EQ(n, static_cast<int>(expected.size()));
}

} // namespace
