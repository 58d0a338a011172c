// Editing an input of an interactive dialog, without a terminal: a field
// that just got the focus, keys typed into it, and the text, caret and
// refusals (beeps) that result.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "host/dialog/terminal/field_edit.h"
#include "host/common/mazovia.h"

namespace {

// Keys as text: characters stand for themselves, <Name> for a named key.
std::vector<Key> Keys(std::u32string_view text)
{
    static const struct {
        std::u32string_view name;
        KeyName key;
    } kNamed[] = {
        {U"<Left>", KeyName::Left}, {U"<Right>", KeyName::Right}, {U"<Home>", KeyName::Home},
        {U"<End>", KeyName::End},   {U"<BS>", KeyName::Backspace}, {U"<Del>", KeyName::Delete},
        {U"<Tab>", KeyName::Tab},
    };
    std::vector<Key> keys;
    while (!text.empty()) {
        bool named = false;
        for (const auto& n : kNamed)
            if (text.starts_with(n.name)) {
                keys.push_back({n.key, 0});
                text.remove_prefix(n.name.size());
                named = true;
                break;
            }
        if (!named) {
            keys.push_back(KeyFromCharacter(text.front()));
            text.remove_prefix(1);
        }
    }
    return keys;
}

struct Row {
    const char* what;
    FieldKind kind;
    int length;
    bool minusAllowed;
    const char* value; // UTF-8; a date as YYYYMMDD
    std::u32string_view keys;
    const char* text; // UTF-8; a date's eight slots
    int caret;
    int refused;
};

// Text inputs of 5 characters, unless the row says otherwise.
const Row kRows[] = {
    {"typing into a fresh field replaces it", FieldKind::Text, 5, false, "abc", U"x", "x", 1, 0},
    {"a moved caret keeps the value", FieldKind::Text, 5, false, "abc", U"<Left>x", "abxc", 3, 0},
    {"Home, then typing inserts in front", FieldKind::Text, 5, false, "abc", U"<Home>x", "xabc", 1, 0},
    {"a full field refuses more", FieldKind::Text, 5, false, "abc", U"<End>def", "abcde", 5, 1},
    {"Backspace at the start does nothing", FieldKind::Text, 5, false, "abc", U"<Home><BS><Left>", "abc", 0, 0},
    {"Delete at the end does nothing", FieldKind::Text, 5, false, "abc", U"<Del><Right>", "abc", 3, 0},
    {"Delete takes the character after the caret", FieldKind::Text, 5, false, "abc", U"<Home><Del>", "bc", 0, 0},
    {"Backspace ends the fresh state", FieldKind::Text, 5, false, "abc", U"<BS>x", "abx", 3, 0},
    {"Polish letters take one cell each", FieldKind::Text, 4, false, "", U"Łódź", "Łódź", 4, 0},
    {"a fifth Polish letter does not fit four", FieldKind::Text, 4, false, "", U"Łódźż", "Łódź", 4, 1},
    {"Backspace takes a whole Polish letter", FieldKind::Text, 4, false, "Żółw", U"<Left><BS>", "Żów", 2, 0},
    {"characters the host's text lacks are refused", FieldKind::Text, 5, false, "ab", U"<End>€中\x01", "ab", 2, 3},
    {"other keys leave the field alone", FieldKind::Text, 5, false, "ab", U"<Tab>x", "x", 1, 0},

    {"a date typed as digits", FieldKind::Date, 8, false, "20200101", U"20210131", "20210131", 8, 0},
    {"a date's dashes may be typed", FieldKind::Date, 8, false, "", U"2021-01/31.", "20210131", 8, 0},
    {"a full date refuses a ninth digit", FieldKind::Date, 8, false, "", U"202101319", "20210131", 8, 1},
    {"a date refuses letters", FieldKind::Date, 8, false, "", U"2021a", "2021    ", 4, 1},
    {"the caret starts after a date's last digit", FieldKind::Date, 8, false, "2021", U"<Left><Right>01", "202101  ",
     6, 0},
    {"Backspace blanks a date's slot and keeps the others", FieldKind::Date, 8, false, "20210131",
     U"<Left><Left><BS>", "20210 31", 5, 0},
    {"Delete blanks the slot under the caret", FieldKind::Date, 8, false, "20210131", U"<Home><Del>", " 0210131",
     0, 0},
    {"End goes past the last slot of a date", FieldKind::Date, 8, false, "2021", U"<End>5", "2021    ", 8, 1},
    {"an empty date's caret is in its first slot", FieldKind::Date, 8, false, "", U"", "        ", 0, 0},

    {"a number typed anew", FieldKind::Number, 3, false, "12", U"7", "7", 1, 0},
    {"a number takes at most its digits", FieldKind::Number, 3, false, "12", U"<End>34", "123", 3, 1},
    {"a minus starts a number where the range allows", FieldKind::Number, 3, true, "5", U"-7", "-7", 2, 0},
    {"no minus where the range does not allow it", FieldKind::Number, 3, false, "5", U"-", "5", 1, 1},
    {"no digit before the minus", FieldKind::Number, 3, true, "-5", U"<Home>3", "-5", 0, 1},
    {"no second minus", FieldKind::Number, 3, true, "-5", U"<Home>-", "-5", 0, 1},
    {"a minus only in front", FieldKind::Number, 3, true, "5", U"<End>-", "5", 1, 1},
    {"the minus is not one of the digits", FieldKind::Number, 3, true, "-12", U"<End>3", "-123", 4, 0},
    {"a number refuses letters", FieldKind::Number, 3, false, "12", U"x", "12", 2, 1},
};

TEST(FieldEdit, KeysGiveTextCaretAndRefusals)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        std::string value;
        ASSERT_TRUE(Utf8ToMazovia(row.value, &value, nullptr));
        FieldEdit field = StartFieldEdit(row.kind, row.length, row.minusAllowed, value);
        int refused = 0;
        for (const Key& key : Keys(row.keys))
            if (EditField(field, key) == EditResult::Refused)
                ++refused;
        EXPECT_EQ(MazoviaToUtf8(field.text), row.text);
        EXPECT_EQ(field.caret, row.caret);
        EXPECT_EQ(refused, row.refused);
    }
}

TEST(FieldEdit, ChangesAreReportedOnlyWhenTheTextChanges)
{
    FieldEdit field = StartFieldEdit(FieldKind::Date, 8, false, "20210131");
    EXPECT_EQ(EditField(field, {KeyName::Character, U'-'}), EditResult::Unchanged);
    EXPECT_EQ(EditField(field, {KeyName::Home}), EditResult::Unchanged);
    EXPECT_EQ(EditField(field, {KeyName::Backspace}), EditResult::Unchanged);
    EXPECT_EQ(EditField(field, {KeyName::Right}), EditResult::Unchanged);
    EXPECT_EQ(EditField(field, {KeyName::Backspace}), EditResult::Changed);
    EXPECT_EQ(field.text, " 0210131");
}

TEST(FieldEdit, CaretPastAValueThatShrankIsBroughtBack)
{
    // The object shortened the text since the last key.
    FieldEdit field = StartFieldEdit(FieldKind::Text, 10, false, "abcdef");
    field.fresh = false;
    field.text = "ab";
    EXPECT_EQ(EditField(field, {KeyName::Character, U'x'}), EditResult::Changed);
    EXPECT_EQ(field.text, "abx");
    EXPECT_EQ(field.caret, 3);
}

TEST(FieldEdit, TypedNumbersSaturate)
{
    const struct {
        const char* text;
        int32_t number;
    } cases[] = {
        {"", 0},           {"-", 0},          {"007", 7},
        {"-2147483648", INT32_MIN}, {"2147483648", INT32_MAX}, {"99999999999999999999", INT32_MAX},
        {"-99999999999999999999", INT32_MIN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FieldNumber(c.text), c.number) << c.text;
}

TEST(FieldEdit, ScrollKeepsTheCaretInView)
{
    const struct {
        int scroll, caret, width, first;
    } cases[] = {
        {0, 11, 12, 0},  // the last cell still in view
        {0, 12, 12, 1},  // one past: one cell on
        {0, 20, 12, 9},  // a 20-character input at its end
        {9, 15, 12, 9},  // moving inside the view keeps it
        {9, 3, 12, 3},   // back before the view: the view follows
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScrollToCaret(c.scroll, c.caret, c.width), c.first)
            << c.scroll << " " << c.caret << " " << c.width;
}

} // namespace
