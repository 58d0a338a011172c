// The road of every output line: gathered in host text, converted to UTF-8
// a batch at a time, written with its line ends; the XML escaping and the
// numbers of the lines, the digit filter.
#include "export/line_writer.h"

#include <algorithm>
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

namespace {

// One word into the hash: a multiply and a shift, so that every bit of the
// word reaches the upper and the lower half.
inline uint64_t MixWord(uint64_t hash, uint64_t word)
{
    hash = (hash ^ word) * 0x9E3779B97F4A7C15ULL;
    return hash ^ (hash >> 29);
}

} // namespace

void DigestStart(TextDigest& digest) { digest = TextDigest{}; }

namespace {

// 32 bytes into the four lanes: four chains side by side, so that the
// multiplies do not wait on each other.
inline void MixBlock(uint64_t* lanes, const char* bytes)
{
    for (int k = 0; k < 4; ++k) {
        uint64_t word;
        std::memcpy(&word, bytes + 8 * k, sizeof word);
        lanes[k] = MixWord(lanes[k], word);
    }
}

} // namespace

void DigestAdd(TextDigest& digest, const char* bytes, std::size_t n)
{
    digest.length += static_cast<int64_t>(n);
    // Bytes are taken in 32 at a time, counted from the first byte fed,
    // whatever the blocks: the same bytes give the same digest.
    if (digest.pendingBytes > 0) {
        const std::size_t room = sizeof digest.pending - static_cast<std::size_t>(digest.pendingBytes);
        const std::size_t taken = n < room ? n : room;
        std::memcpy(digest.pending + digest.pendingBytes, bytes, taken);
        digest.pendingBytes += static_cast<int>(taken);
        bytes += taken;
        n -= taken;
        if (digest.pendingBytes < static_cast<int>(sizeof digest.pending))
            return;
        MixBlock(digest.lanes, reinterpret_cast<const char*>(digest.pending));
        digest.pendingBytes = 0;
    }
    uint64_t a = digest.lanes[0], b = digest.lanes[1], c = digest.lanes[2], d = digest.lanes[3];
    for (; n >= sizeof digest.pending; n -= sizeof digest.pending, bytes += sizeof digest.pending) {
        uint64_t w[4];
        std::memcpy(w, bytes, sizeof w);
        a = MixWord(a, w[0]);
        b = MixWord(b, w[1]);
        c = MixWord(c, w[2]);
        d = MixWord(d, w[3]);
#if defined(__x86_64__)
        // Four scalar multiplies: the vector form of a 64-bit multiply that
        // SSE2 lacks is slower than they are.
        asm("" : "+r"(a), "+r"(b), "+r"(c), "+r"(d));
#endif
    }
    digest.lanes[0] = a;
    digest.lanes[1] = b;
    digest.lanes[2] = c;
    digest.lanes[3] = d;
    std::memcpy(digest.pending, bytes, n);
    digest.pendingBytes = static_cast<int>(n);
}

uint64_t DigestValue(const TextDigest& digest)
{
    // The lanes, the bytes left over (zeros after them) and the length, then
    // a finishing mix.
    uint64_t z = 0;
    for (const uint64_t lane : digest.lanes)
        z = MixWord(z, lane);
    unsigned char rest[sizeof digest.pending] = {};
    std::memcpy(rest, digest.pending, static_cast<std::size_t>(digest.pendingBytes));
    for (int k = 0; k < 4; ++k) {
        uint64_t word;
        std::memcpy(&word, rest + 8 * k, sizeof word);
        z = MixWord(z, word);
    }
    z = MixWord(z, static_cast<uint64_t>(digest.length));
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

bool WriteByteOrderMark(OutputLines& out)
{
    if (out.failure != OutputFailure::None)
        return false;
    if (HostFilePrintf(out.file, "%c%c%c", 0xEF, 0xBB, 0xBF) < 0)
        return Failed(out, OutputFailure::Write);
    DigestAdd(out.handed, "\xEF\xBB\xBF", 3);
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

// Converts the line [start, end) of the batch into UTF-8 at destination
// (room bytes, at most kConversionSize); returns the bytes written, or -1
// when the conversion lost some of it.
int ConvertLine(char* text, int start, int end, char* destination, int room)
{
    const char saved = text[end];
    text[end] = '\0';
    destination[0] = '\0';
    HostConvertText(destination, room, text + start, -1, kCharsetHost, kCharsetUtf8);
    text[end] = saved;
    destination[room - 1] = '\0';
    const int length = static_cast<int>(std::strlen(destination));
    // Every character of host text is a character in UTF-8: a result of
    // fewer characters lost some of the text (a conversion cut short by its
    // room ends before a character that did not fit).
    int characters = 0;
    for (int k = 0; k < length; ++k)
        characters += (static_cast<unsigned char>(destination[k]) & 0xC0) != 0x80 ? 1 : 0;
    return characters < end - start ? -1 : length;
}

// Hands the host the converted lines gathered so far (converted bytes,
// lines of them, the last one's end not among the bytes: the format gives
// it).
bool WriteConverted(OutputLines& out, int converted, int lines)
{
    out.converted[converted] = '\0';
    // What the write answers is not the host's promise: only a negative
    // answer, printf's sign of failure, is taken for a failed write; the
    // reading back of the file judges the rest (docs/host-assumptions.md).
    if (HostFilePrintf(out.file, "%s\n", out.converted) < 0)
        return Failed(out, OutputFailure::Write);
    DigestAdd(out.handed, out.converted, static_cast<std::size_t>(converted));
    DigestAdd(out.handed, "\n", 1);
    out.bytesHanded += converted + 1;
    out.linesHanded += lines;
    return true;
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
    // the runs of lines between them are copied as they are.  What is
    // gathered in out.converted always ends after a whole line and its
    // "\n" (or is empty), so that it can be written whenever the next
    // piece would not fit behind it.
    constexpr int kMostText = kConversionSize - 1;
    int converted = 0;
    int linesWritten = 0;
    // Writes what is gathered, ending with the "\n" of its last line (or,
    // `lineEnded` false, with a line whose end the format gives).
    auto writeGathered = [&](bool lineEnded = true) {
        const int bytes = lineEnded ? converted - 1 : converted;
        const int lines = static_cast<int>(std::count(out.converted, out.converted + bytes, '\n')) + 1;
        if (!WriteConverted(out, bytes, lines))
            return false;
        linesWritten += lines;
        converted = 0;
        return true;
    };
    int i = 0;
    while (i < sourceLength) {
        const int upper = i + FindUpperHalf(out.text + i, sourceLength - i);
        int lineStart = upper;
        if (upper < sourceLength)
            while (lineStart > i && out.text[lineStart - 1] != '\n')
                --lineStart;
        // The run of ASCII lines: one copy (a batch is shorter than the
        // buffer, so it fits once what was gathered before is written).
        const int run = lineStart - i;
        if (run > 0) {
            if (converted + run > kMostText && !writeGathered())
                return false;
            std::memcpy(out.converted + converted, out.text + i, static_cast<std::size_t>(run));
            converted += run;
        }
        if (upper == sourceLength)
            break;
        const char* lineEnd = static_cast<const char*>(
            std::memchr(out.text + upper, '\n', static_cast<std::size_t>(sourceLength - upper)));
        const int end = lineEnd != nullptr ? static_cast<int>(lineEnd - out.text) : sourceLength;
        // Room for three bytes a character, its NUL and the line's end.
        if (converted > 0 && converted + 3 * (end - lineStart) + 2 > kConversionSize && !writeGathered())
            return false;
        const int length = ConvertLine(out.text, lineStart, end, out.converted + converted, kConversionSize - converted);
        if (length < 0) {
            // A conversion entry that went missing answered nothing: the
            // command tells of that itself.
            if (!CommandAbandoned())
                HostErrorMessage(kMsgConversionFailed);
            return Failed(out, OutputFailure::Conversion);
        }
        converted += length;
        if (end == sourceLength) {
            i = end;
            break;
        }
        // The line's end, unless the line filled the buffer: then the line
        // is written alone, and its end is the format's.
        if (converted + 1 > kMostText) {
            if (!writeGathered(false))
                return false;
        } else {
            out.converted[converted++] = '\n';
        }
        i = end + 1;
    }
    if (!WriteConverted(out, converted, out.linesGathered - linesWritten))
        return false;
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
