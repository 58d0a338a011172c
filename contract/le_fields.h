// Typed little-endian fields of a byte record.  A field knows its offset;
// its width and the C++ type it reads and writes come from its type, so a
// 2-byte field cannot be read as 4 bytes, nor written from a wider value.
//
//     Field<LeU16> paymentDays{273};     reads and writes uint16_t, 2 bytes
//     Field<LeF64> amount{275};          reads and writes double, 8 bytes
//     TextField<9> date{515};            8 characters and the NUL
//
// Values are assembled byte by byte, so a field may lie at any offset: no
// pointer into the record is ever cast to a wider type.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <type_traits>

// The unsigned integer of a width, the carrier of a value's bits.
template <std::size_t Width> struct LeBitsOf;
template <> struct LeBitsOf<1> { using Type = uint8_t; };
template <> struct LeBitsOf<2> { using Type = uint16_t; };
template <> struct LeBitsOf<4> { using Type = uint32_t; };
template <> struct LeBitsOf<8> { using Type = uint64_t; };

// A value of type T stored in sizeof(T) bytes, lowest byte first.
template <typename T> struct LeScalar {
    static_assert(std::is_arithmetic_v<T>);
    using Value = T;
    static constexpr std::size_t kWidth = sizeof(T);

    static constexpr Value Load(const unsigned char* bytes)
    {
        using Bits = typename LeBitsOf<kWidth>::Type;
        Bits bits = 0;
        for (std::size_t i = 0; i < kWidth; ++i)
            bits = static_cast<Bits>(bits | static_cast<Bits>(static_cast<Bits>(bytes[i]) << (8 * i)));
        return std::bit_cast<Value>(bits);
    }
    static constexpr void Store(unsigned char* bytes, Value value)
    {
        using Bits = typename LeBitsOf<kWidth>::Type;
        const Bits bits = std::bit_cast<Bits>(value);
        for (std::size_t i = 0; i < kWidth; ++i)
            bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    }
};

using LeU8 = LeScalar<uint8_t>;
using LeI16 = LeScalar<int16_t>;
using LeU16 = LeScalar<uint16_t>;
using LeI32 = LeScalar<int32_t>;
using LeU32 = LeScalar<uint32_t>;
using LeF64 = LeScalar<double>;
static_assert(sizeof(double) == 8 && std::numeric_limits<double>::is_iec559, "LeF64 holds an IEEE double");

// Where a field lies in its record, for the checks of a whole layout.
struct ByteSpan {
    std::size_t offset;
    std::size_t width;
    constexpr std::size_t end() const { return offset + width; }
};

constexpr bool Disjoint(ByteSpan a, ByteSpan b) { return a.end() <= b.offset || b.end() <= a.offset; }

// Every span lies inside a record of `size` bytes and no two overlap; with
// `sharedAllowed` two spans may also be one and the same field.
template <std::size_t N>
constexpr bool SpansSound(const ByteSpan (&spans)[N], std::size_t size, bool sharedAllowed = false)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (spans[i].width == 0 || spans[i].end() > size)
            return false;
        for (std::size_t j = i + 1; j < N; ++j) {
            const bool same = spans[i].offset == spans[j].offset && spans[i].width == spans[j].width;
            if (!(sharedAllowed && same) && !Disjoint(spans[i], spans[j]))
                return false;
        }
    }
    return true;
}

// A number field.  It has no default: a layout that leaves one out does not
// compile.  Writing takes exactly the field's value type, so a narrowing or a
// sign change is written out where the value is produced.
template <typename Scalar> struct Field {
    using Value = typename Scalar::Value;
    static constexpr std::size_t kWidth = Scalar::kWidth;

    std::size_t offset;

    constexpr Field(std::size_t at) : offset(at) {}

    constexpr std::size_t end() const { return offset + kWidth; }
    constexpr ByteSpan span() const { return {offset, kWidth}; }

    constexpr Value Read(const unsigned char* record) const { return Scalar::Load(record + offset); }
    template <typename V>
        requires std::is_same_v<V, Value>
    constexpr void Write(unsigned char* record, V value) const
    {
        Scalar::Store(record + offset, value);
    }
};

// A text field of N bytes: at most N - 1 characters and their NUL.  N = 0
// (TextField<>) is a text whose width differs between layouts of one shape
// and is given with the offset: {offset, width}.
inline constexpr std::size_t kTextWidthGiven = 0;

template <std::size_t N = kTextWidthGiven> struct TextField;

// What both kinds of text field do with their offset and width.
template <typename Self> struct TextFieldOps {
    constexpr std::size_t end() const { return self().offset + self().width(); }
    constexpr ByteSpan span() const { return {self().offset, self().width()}; }
    // Characters the field holds: its width less the terminator.
    constexpr std::size_t room() const { return self().width() - 1; }

    const char* Read(const unsigned char* record) const
    {
        return reinterpret_cast<const char*>(record + self().offset);
    }
    // Puts the text, cut to the field's room, and its NUL; the bytes after
    // the NUL are left as they are.  Returns the characters put.
    std::size_t Write(unsigned char* record, std::string_view text) const
    {
        const std::size_t length = text.size() < room() ? text.size() : room();
        std::memcpy(record + self().offset, text.data(), length);
        record[self().offset + length] = 0;
        return length;
    }

private:
    constexpr const Self& self() const { return static_cast<const Self&>(*this); }
};

template <std::size_t N> struct TextField : TextFieldOps<TextField<N>> {
    static_assert(N >= 1, "a text field holds at least its NUL");
    static constexpr std::size_t kWidth = N;

    std::size_t offset;

    constexpr TextField(std::size_t at) : offset(at) {}
    constexpr std::size_t width() const { return kWidth; }
};

template <> struct TextField<kTextWidthGiven> : TextFieldOps<TextField<kTextWidthGiven>> {
    std::size_t offset;
    std::size_t size;

    constexpr TextField(std::size_t at, std::size_t width) : offset(at), size(width) {}
    constexpr std::size_t width() const { return size; }
};

// The width of a field is its type's: a 16-bit field takes 2 bytes wherever
// it lies, and reads as nothing but its own type.
static_assert(Field<LeU8>::kWidth == 1 && Field<LeI16>::kWidth == 2 && Field<LeU16>::kWidth == 2 &&
              Field<LeI32>::kWidth == 4 && Field<LeU32>::kWidth == 4 && Field<LeF64>::kWidth == 8);
static_assert(TextField<9>::kWidth == 9 && TextField<9>{0}.room() == 8 && TextField<>{0, 14}.room() == 13);
static_assert(std::is_same_v<Field<LeI16>::Value, int16_t> && std::is_same_v<Field<LeU16>::Value, uint16_t> &&
              std::is_same_v<Field<LeI32>::Value, int32_t> && std::is_same_v<Field<LeU32>::Value, uint32_t> &&
              std::is_same_v<Field<LeF64>::Value, double>);
static_assert(!std::is_default_constructible_v<Field<LeI32>> && !std::is_default_constructible_v<TextField<9>> &&
              !std::is_default_constructible_v<TextField<>>,
              "a field left out of a layout's initializer does not compile");
