// Decoding UTF-8 one character at a time, and naming a character.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host/common/utf8.h"

namespace {

// Every character of the text with the position after it.
std::vector<std::pair<char32_t, std::size_t>> DecodeAll(std::string_view text)
{
    std::vector<std::pair<char32_t, std::size_t>> decoded;
    std::size_t position = 0;
    while (position < text.size()) {
        const char32_t code = DecodeUtf8(text, &position);
        decoded.emplace_back(code, position);
    }
    return decoded;
}

TEST(Utf8, DecodesEachCharacterAndReplacesWhatIsNotUtf8)
{
    using Decoded = std::vector<std::pair<char32_t, std::size_t>>;
    const struct {
        std::string text;
        Decoded expected;
        const char* what;
    } cases[] = {
        {"A", {{U'A', 1}}, "ASCII"},
        {"\xC5\xBC", {{U'ż', 2}}, "two bytes"},
        {"\xE2\x82\xAC", {{U'€', 3}}, "three bytes"},
        {"\xF0\x9F\x98\x80", {{0x1F600, 4}}, "four bytes"},
        {"\xEF\xBF\xBD", {{0xFFFD, 3}}, "U+FFFD itself"},
        {"\xC0\xAF", {{0xFFFD, 2}}, "an overlong '/'"},
        {"\xE0\x80\xAF", {{0xFFFD, 3}}, "an overlong '/' in three bytes"},
        {"\xED\xA0\x80", {{0xFFFD, 3}}, "a surrogate"},
        {"\xF4\x90\x80\x80", {{0xFFFD, 4}}, "past U+10FFFF"},
        {"\xF8\x88\x80\x80\x80", {{0xFFFD, 1}, {0xFFFD, 2}, {0xFFFD, 3}, {0xFFFD, 4}, {0xFFFD, 5}}, "a five-byte form"},
        {"\x80" "A", {{0xFFFD, 1}, {U'A', 2}}, "a stray continuation byte"},
        {"\xC5" "A", {{0xFFFD, 1}, {U'A', 2}}, "a sequence broken by ASCII"},
        {"\xE2\x82" "A", {{0xFFFD, 2}, {U'A', 3}}, "a longer sequence broken by ASCII"},
        {"\xE2" "A", {{0xFFFD, 1}, {U'A', 2}}, "broken near the end of the text"},
        {"ok \xE2\x82", {{U'o', 1}, {U'k', 2}, {U' ', 3}, {0xFFFD, 5}}, "cut short by the end of the text"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeAll(c.text), c.expected) << c.what;
}

// Each length of sequence at both of its ends: the encoder's bytes, and the
// decoder reads them back as the one character.
TEST(Utf8, EncodesEveryLengthAndDecodesItBack)
{
    const struct {
        char32_t code;
        std::string bytes;
    } cases[] = {
        {U'A', "A"},
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {U'ż', "\xC5\xBC"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {U'€', "\xE2\x82\xAC"},
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x10000, "\xF0\x90\x80\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
    };
    std::u32string all;
    std::string allBytes;
    for (const auto& c : cases) {
        char out[4];
        const int n = EncodeUtf8(c.code, out);
        EXPECT_EQ(std::string(out, static_cast<std::size_t>(n)), c.bytes) << CodePointName(c.code);
        std::size_t position = 0;
        EXPECT_EQ(DecodeUtf8(c.bytes, &position), c.code) << CodePointName(c.code);
        EXPECT_EQ(position, c.bytes.size()) << CodePointName(c.code);
        all += c.code;
        allBytes += c.bytes;
    }
    EXPECT_EQ(EncodeUtf8(all), allBytes);
}

TEST(Utf8, NamesCharactersAsUnicodeDoes)
{
    EXPECT_EQ(CodePointName(U'A'), "U+0041");
    EXPECT_EQ(CodePointName(U'ż'), "U+017C");
    EXPECT_EQ(CodePointName(0xFFFD), "U+FFFD");
    EXPECT_EQ(CodePointName(0x1F600), "U+1F600");
    EXPECT_EQ(CodePointName(0x10FFFF), "U+10FFFF");
}

} // namespace
