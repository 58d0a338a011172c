// The road of every output line: gathered in host text, converted to UTF-8
// a batch at a time, written with its line ends; the XML escaping and the
// numbers of the lines, the digit filter.
#include "export/line_writer.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "shell/host_calls.h"
#include "shell/plugin_messages.h"
#include "shell/binding.h"

namespace {

bool Failed(OutputLines& out, OutputFailure failure)
{
    if (out.failure == OutputFailure::None)
        out.failure = failure;
    return false;
}

// Makes room for a line of `length` bytes and its end: the lines gathered
// before it are written first when the batch is full.
bool Room(OutputLines& out, int length)
{
    if (out.failure != OutputFailure::None)
        return false;
    // One byte stays for the line's own end.
    if (out.length + length < kBatchSize)
        return true;
    if (!FlushLines(out))
        return false;
    if (out.length + length < kBatchSize)
        return true;
    return Failed(out, OutputFailure::LineTooLong);
}

} // namespace

bool WriteByteOrderMark(OutputLines& out)
{
    if (out.failure != OutputFailure::None)
        return false;
    if (HostFilePrintf(out.file, "%c%c%c", 0xEF, 0xBB, 0xBF) < 0)
        return Failed(out, OutputFailure::Write);
    out.bytesHanded += 3;
    return true;
}

bool PutLine(OutputLines& out, Literal line)
{
    if (!Room(out, line.length))
        return false;
    char* p = out.text + out.length;
    std::memcpy(p, line.text, static_cast<std::size_t>(line.length));
    p[line.length] = '\n';
    out.length += line.length + 1;
    ++out.linesGathered;
    return true;
}

bool PutLines(OutputLines& out, const Literal* lines, int count)
{
    for (int i = 0; i < count; ++i)
        if (!PutLine(out, lines[i]))
            return false;
    return true;
}

bool PutRendered(OutputLines& out, const char* text, int length, int lines)
{
    // The last line's end has its room already.
    if (!Room(out, length - 1))
        return false;
    std::memcpy(out.text + out.length, text, static_cast<std::size_t>(length));
    out.length += length;
    out.linesGathered += lines;
    return true;
}

bool PutElement(OutputLines& out, Literal tag, const char* value, int length)
{
    if (!Room(out, length + 2 * tag.length + 5))
        return false;
    char* p = out.text + out.length;
    *p++ = '<';
    std::memcpy(p, tag.text, static_cast<std::size_t>(tag.length));
    p += tag.length;
    *p++ = '>';
    std::memcpy(p, value, static_cast<std::size_t>(length));
    p += length;
    *p++ = '<';
    *p++ = '/';
    std::memcpy(p, tag.text, static_cast<std::size_t>(tag.length));
    p += tag.length;
    *p++ = '>';
    *p++ = '\n';
    out.length = static_cast<int>(p - out.text);
    ++out.linesGathered;
    return true;
}

bool PutEscapedElement(OutputLines& out, Literal tag, const char* value)
{
    const int plain = PlainLength(value, kValueSize - 1);
    if (plain >= 0)
        return PutElement(out, tag, value, plain);
    char text[kValueSize];
    const std::size_t length = strnlen(value, sizeof text - 1);
    std::memcpy(text, value, length);
    text[length] = '\0';
    EscapeXml(text, kValueSize - 1);
    return PutElement(out, tag, text, static_cast<int>(std::strlen(text)));
}

namespace {

// The first byte of the upper half (a character outside ASCII) in
// [p, p + n), or n: eight bytes at a time.
int FindUpperHalf(const char* p, int n)
{
    constexpr uint64_t kTopBits = 0x8080808080808080ULL;
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, p + i, sizeof word);
        if ((word & kTopBits) != 0)
            break;
    }
    for (; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80)
            return i;
    return n;
}

// Converts the line [start, end) of the batch into UTF-8 at destination;
// returns the bytes written, or -1 when the conversion lost some of it.
int ConvertLine(char* text, int start, int end, char* destination, int room)
{
    const char saved = text[end];
    text[end] = '\0';
    destination[0] = '\0';
    HostConvertText(destination, room, text + start, -1, kCharsetHost, kCharsetUtf8);
    text[end] = saved;
    destination[room - 1] = '\0';
    const int length = static_cast<int>(std::strlen(destination));
    // Every character of host text takes at least one byte in UTF-8: a
    // shorter result lost some of the text.
    return length < end - start ? -1 : length;
}

} // namespace

bool FlushLines(OutputLines& out)
{
    if (out.failure != OutputFailure::None)
        return false;
    if (out.length == 0)
        return true;
    // Lines gathered without a file (rendered ahead) are never written.
    if (out.file == nullptr)
        return Failed(out, OutputFailure::Write);
    // The last line's end is given by the write's format.
    const int sourceLength = out.length - 1;
    out.text[sourceLength] = '\0';

    // ASCII is the same in host text and in UTF-8, so only the lines that
    // hold a character of the upper half go through the host's conversion;
    // the runs of lines between them are copied as they are.
    int converted = 0;
    int i = 0;
    while (i < sourceLength) {
        const int upper = i + FindUpperHalf(out.text + i, sourceLength - i);
        int lineStart = upper;
        if (upper < sourceLength)
            while (lineStart > i && out.text[lineStart - 1] != '\n')
                --lineStart;
        std::memcpy(out.converted + converted, out.text + i, static_cast<std::size_t>(lineStart - i));
        converted += lineStart - i;
        if (upper == sourceLength)
            break;
        const char* lineEnd = static_cast<const char*>(
            std::memchr(out.text + upper, '\n', static_cast<std::size_t>(sourceLength - upper)));
        const int end = lineEnd != nullptr ? static_cast<int>(lineEnd - out.text) : sourceLength;
        const int length = ConvertLine(out.text, lineStart, end, out.converted + converted, kConvertedSize - converted);
        if (length < 0) {
            // A conversion entry that went missing answered nothing: the
            // command tells of that itself.
            if (!CommandAbandoned())
                HostErrorMessage(kMsgConversionFailed);
            return Failed(out, OutputFailure::Conversion);
        }
        converted += length;
        i = end;
    }
    out.converted[converted] = '\0';

    // What the write answers is not the host's promise: only a negative
    // answer, printf's sign of failure, is taken for a failed write; the
    // reading back of the file judges the rest (docs/host-assumptions.md).
    if (HostFilePrintf(out.file, "%s\n", out.converted) < 0)
        return Failed(out, OutputFailure::Write);
    out.bytesHanded += converted + 1;
    out.linesHanded += out.linesGathered;
    out.linesGathered = 0;
    out.length = 0;
    return true;
}

namespace {

// The bytes that EscapeXml changes: the control bytes and the five special
// characters.
struct EscapedBytes {
    bool escaped[256];
    constexpr EscapedBytes() : escaped{}
    {
        for (int c = 0; c < 0x20; ++c)
            escaped[c] = true;
        constexpr char kSpecial[] = "<>&'\"";
        for (const char c : kSpecial)
            if (c != '\0')
                escaped[static_cast<unsigned char>(c)] = true;
    }
};
constexpr EscapedBytes kEscapedBytes;

} // namespace

int PlainLength(const char* text, int max)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    int length = 0;
    for (; length < max && p[length] != '\0'; ++length)
        if (kEscapedBytes.escaped[p[length]])
            return -1;
    return length;
}

void EscapeXml(char* text, int16_t size)
{
    struct Entity {
        char special;
        const char* opening; // inserted before the ";" that replaces the character
    };
    static const Entity kEntities[] = {
        {'<', "&lt"}, {'>', "&gt"}, {'\'', "&apos"}, {'&', "&amp"}, {'"', "&quot"},
    };

    for (char* p = text; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20) {
            *p = ' ';
            continue;
        }
        for (const Entity& e : kEntities) {
            if (*p != e.special)
                continue;
            *p = ';';
            const int insert = static_cast<int>(std::strlen(e.opening));
            if (static_cast<int>(std::strlen(text)) + insert <= size)
                for (int k = 0; k < insert; ++k)
                    HostInsertChar(p + k, e.opening[k]);
            // The walk goes on after the inserted "&": the rest of the entity
            // is letters and the ";", none of which is escaped again.
            break;
        }
    }
}

namespace {

// The decimal digits of a whole number held as 32-bit limbs, least
// significant first (the limbs are used up).  Returns the count of digits,
// written most significant first.
int LimbDigits(uint32_t* limbs, int count, char* digits)
{
    char reversed[kAmountTextSize];
    int n = 0;
    while (count > 0 && limbs[count - 1] == 0)
        --count;
    while (count > 0) {
        // Divide by 10^9; the remainder's nine digits, least first.
        uint64_t remainder = 0;
        for (int i = count - 1; i >= 0; --i) {
            const uint64_t part = (remainder << 32) | limbs[i];
            limbs[i] = static_cast<uint32_t>(part / 1000000000u);
            remainder = part % 1000000000u;
        }
        while (count > 0 && limbs[count - 1] == 0)
            --count;
        for (int d = 0; d < 9 && (count > 0 || remainder != 0); ++d) {
            reversed[n++] = static_cast<char>('0' + remainder % 10);
            remainder /= 10;
        }
    }
    for (int i = 0; i < n; ++i)
        digits[i] = reversed[n - 1 - i];
    return n;
}

} // namespace

int FormatAmount(char* destination, double value)
{
    // What "%0.2f" writes in the classic locale, made here without the C
    // run-time, whose decimal point is its locale's: the exact binary value
    // times 100, rounded to the nearest whole number and a tie to the even
    // one (as the C library rounds by default), then a point before its
    // last two digits.
    int length = 0;
    if (std::signbit(value))
        destination[length++] = '-';
    if (!std::isfinite(value)) {
        std::memcpy(destination + length, std::isnan(value) ? "nan" : "inf", 4);
        return length + 3;
    }
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
    // |value| = mantissa * 2^exponent, exactly.
    const uint64_t mantissa = biased == 0 ? fraction : fraction | (uint64_t{1} << 52);
    const int exponent = (biased == 0 ? 1 : biased) - 1075;
    const uint64_t scaled = mantissa * 100; // below 2^60

    char digits[kAmountTextSize];
    int n = 0;
    if (exponent < 0) {
        const int shift = -exponent;
        uint64_t cents = 0;
        if (shift < 61) { // from 61 on, scaled lies below half of 2^shift: 0
            cents = scaled >> shift;
            const uint64_t rest = scaled & ((uint64_t{1} << shift) - 1);
            const uint64_t half = uint64_t{1} << (shift - 1);
            if (rest > half || (rest == half && (cents & 1) != 0))
                ++cents;
        }
        char reversed[24];
        do {
            reversed[n++] = static_cast<char>('0' + cents % 10);
            cents /= 10;
        } while (cents != 0);
        for (int i = 0; i < n; ++i)
            digits[i] = reversed[n - 1 - i];
    } else {
        // A whole number of 2^52 and more: scaled << exponent, as 32-bit
        // limbs, enough for the largest double times 100.
        constexpr int kLimbs = (1024 + 64) / 32 + 1;
        uint32_t limbs[kLimbs] = {};
        const int whole = exponent / 32, bit = exponent % 32;
        const uint32_t low = static_cast<uint32_t>(scaled), high = static_cast<uint32_t>(scaled >> 32);
        const uint32_t parts[2] = {low, high};
        for (int i = 0; i < 2; ++i) {
            const uint64_t shifted = static_cast<uint64_t>(parts[i]) << bit;
            limbs[whole + i] |= static_cast<uint32_t>(shifted);
            limbs[whole + i + 1] |= static_cast<uint32_t>(shifted >> 32);
        }
        n = LimbDigits(limbs, whole + 3, digits);
    }
    // At least "0" before the point and two digits after it.
    const int pad = n < 3 ? 3 - n : 0;
    if (pad > 0) {
        std::memmove(digits + pad, digits, static_cast<std::size_t>(n));
        std::memset(digits, '0', static_cast<std::size_t>(pad));
        n += pad;
    }
    std::memcpy(destination + length, digits, static_cast<std::size_t>(n - 2));
    length += n - 2;
    destination[length++] = '.';
    destination[length++] = digits[n - 2];
    destination[length++] = digits[n - 1];
    destination[length] = '\0';
    return length;
}

int FormatInteger(char* destination, int32_t value)
{
    long long magnitude = value;
    int length = 0;
    if (magnitude < 0) {
        destination[length++] = '-';
        magnitude = -magnitude;
    }
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (n > 0)
        destination[length++] = digits[--n];
    destination[length] = '\0';
    return length;
}

void DigitsOnly(char* dst, int dstSize, const char* src)
{
    int n = 0;
    for (const char* p = src; *p != '\0' && n + 1 < dstSize; ++p)
        if (std::isdigit(static_cast<unsigned char>(*p)))
            dst[n++] = *p;
    if (dstSize > 0)
        dst[n] = '\0';
}
