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

TEST(Utf8, NamesCharactersAsUnicodeDoes)
{
    EXPECT_EQ(CodePointName(U'A'), "U+0041");
    EXPECT_EQ(CodePointName(U'ż'), "U+017C");
    EXPECT_EQ(CodePointName(0xFFFD), "U+FFFD");
    EXPECT_EQ(CodePointName(0x1F600), "U+1F600");
    EXPECT_EQ(CodePointName(0x10FFFF), "U+10FFFF");
}

} // namespace
