// Typed little-endian fields: the bytes each type puts into a record, at an
// offset no wider type is aligned to; text fields cut to their room; and, at
// compile time, the mistakes the types exist to refuse.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "contract/dialog_template_format.h"
#include "contract/host_records.h"
#include "contract/le_fields.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A record of filler bytes, so that a write that strays is seen.
constexpr unsigned char kFill = 0xAA;
constexpr std::size_t kOdd = 3;

template <typename Scalar> Bytes Written(typename Scalar::Value value)
{
    Bytes record(kOdd + Scalar::kWidth + 2, kFill);
    Field<Scalar>{kOdd}.Write(record.data(), value);
    return record;
}

Bytes Around(const Bytes& inner) // the expected record: filler, the bytes, filler
{
    Bytes record(kOdd + inner.size() + 2, kFill);
    for (std::size_t i = 0; i < inner.size(); ++i)
        record[kOdd + i] = inner[i];
    return record;
}

TEST(LeFields, EachTypePutsItsValueLowestByteFirstAndReadsItBack)
{
    EXPECT_EQ(Written<LeU8>(0xAB), Around({0xAB}));
    EXPECT_EQ(Written<LeI16>(-2), Around({0xFE, 0xFF}));
    EXPECT_EQ(Written<LeU16>(0x1234), Around({0x34, 0x12}));
    EXPECT_EQ(Written<LeI32>(-123456789), Around({0xEB, 0x32, 0xA4, 0xF8}));
    EXPECT_EQ(Written<LeU32>(0xDEADBEEF), Around({0xEF, 0xBE, 0xAD, 0xDE}));
    EXPECT_EQ(Written<LeF64>(1.5), Around({0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));
    EXPECT_EQ(Written<LeF64>(-0.0), Around({0, 0, 0, 0, 0, 0, 0, 0x80}));

    // Read back from the same odd offset, with the sign bits intact.
    EXPECT_EQ(Field<LeI16>{kOdd}.Read(Written<LeI16>(INT16_MIN).data()), INT16_MIN);
    EXPECT_EQ(Field<LeU16>{kOdd}.Read(Written<LeU16>(0xFFFF).data()), 0xFFFF);
    EXPECT_EQ(Field<LeI32>{kOdd}.Read(Written<LeI32>(INT32_MIN).data()), INT32_MIN);
    EXPECT_EQ(Field<LeU32>{kOdd}.Read(Written<LeU32>(0x80000001u).data()), 0x80000001u);
    EXPECT_EQ(Field<LeF64>{kOdd}.Read(Written<LeF64>(-1234567.8901).data()), -1234567.8901);
}

TEST(LeFields, TextIsCutToTheRoomAndEndsWithItsNul)
{
    struct Case {
        std::string text;
        std::size_t put;
        Bytes expected; // the field's 5 bytes and the byte after it
    };
    const Case cases[] = {
        {"", 0, {0, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
        {"ab", 2, {'a', 'b', 0, 0xAA, 0xAA, 0xAA}},
        {"abcd", 4, {'a', 'b', 'c', 'd', 0, 0xAA}},
        {"abcdefg", 4, {'a', 'b', 'c', 'd', 0, 0xAA}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Bytes fixed(kOdd + 6, kFill), given(kOdd + 6, kFill);
        EXPECT_EQ(TextField<5>{kOdd}.Write(fixed.data(), c.text), c.put);
        EXPECT_EQ(TextField<>(kOdd, 5).Write(given.data(), c.text), c.put);
        EXPECT_EQ(Bytes(fixed.begin() + kOdd, fixed.end()), c.expected);
        EXPECT_EQ(given, fixed);
        EXPECT_EQ(TextField<5>{kOdd}.Read(fixed.data()), c.text.substr(0, c.put));
    }
}

// What does not compile, stated as checks that would fail if it did.
template <typename F, typename V>
concept WritableFrom = requires(F field, unsigned char* record, V value) { field.Write(record, value); };

static_assert(WritableFrom<Field<LeI16>, int16_t>);
static_assert(!WritableFrom<Field<LeI16>, int32_t> && !WritableFrom<Field<LeI16>, uint16_t> &&
              !WritableFrom<Field<LeU16>, int>,
              "a 16-bit field takes only its own 16-bit type");
static_assert(!WritableFrom<Field<LeF64>, float> && !WritableFrom<Field<LeU32>, int32_t>);
static_assert(!WritableFrom<Field<LeI32>, const char*> && !WritableFrom<TextField<9>, int32_t>,
              "numbers and texts do not mix");

// A record's fields read as their own types: the tax number's 2-byte
// neighbour cannot be read as 4 bytes, nor a date as a number.
static_assert(std::is_same_v<decltype(kInvoiceLayout.entryMode.Read(nullptr)), uint16_t>);
static_assert(std::is_same_v<decltype(kInvoiceLayout.deductionSetting.Read(nullptr)), int16_t>);
static_assert(std::is_same_v<decltype(kInvoiceLayout.documentKey.Read(nullptr)), int32_t>);
static_assert(std::is_same_v<decltype(kInvoiceLayout.id1.Read(nullptr)), uint32_t>);
static_assert(std::is_same_v<decltype(kInvoiceLineLayout.amount.Read(nullptr)), double>);
static_assert(std::is_same_v<decltype(kInvoiceLayout.issueDate.Read(nullptr)), const char*>);
static_assert(std::is_same_v<decltype(kDialogHead.id.Read(nullptr)), int16_t>);

// A layout that leaves a field out does not compile; the complete one does.
template <typename L>
concept LineLayoutWithoutVat = requires {
    L{.inUse = {1}, .amount = {2}, .rateCode = {3}, .purchaseKind = {4}, .deductionKind = {5}, .size = 6};
};
template <typename L>
concept LineLayoutComplete = requires {
    L{.inUse = {1}, .amount = {2}, .rateCode = {3}, .vat = {4}, .purchaseKind = {5}, .deductionKind = {6}, .size = 7};
};
static_assert(LineLayoutComplete<LineLayout> && !LineLayoutWithoutVat<LineLayout>);

// Distinct field types: the dates are interchangeable, an amount and a key
// are not.
static_assert(std::is_same_v<decltype(DocumentLayout::issueDate), decltype(DocumentLayout::periodDate)>);
static_assert(!std::is_convertible_v<decltype(DocumentLayout::amount), decltype(DocumentLayout::documentKey)> &&
              !std::is_convertible_v<decltype(DocumentLayout::paymentDays), decltype(DocumentLayout::deductionSetting)>);

// Overlap and overrun are caught by the layout checks.
constexpr ByteSpan kOverlapping[] = {{0, 4}, {2, 2}};
constexpr ByteSpan kOverrunning[] = {{0, 4}, {4, 4}};
constexpr ByteSpan kShared[] = {{0, 4}, {0, 4}};
static_assert(!SpansSound(kOverlapping, 8) && !SpansSound(kOverrunning, 7) && SpansSound(kOverrunning, 8));
static_assert(!SpansSound(kShared, 8) && SpansSound(kShared, 8, true));

} // namespace
