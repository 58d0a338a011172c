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

int FormatAmount(char* destination, double value)
{
    // The amounts of a register are far below a billion złoty.  There the
    // value times 100, rounded to the nearest integer, gives the two
    // decimals that "%0.2f" writes, unless the value lies so near a half
    // cent that the product's rounding error could decide the side; those,
    // and every value beyond, are left to the C library.
    constexpr double kFastLimit = 1e9;
    constexpr double kTieMargin = 1e-4; // the product's error is below 1e-5 here
    const double magnitude = std::fabs(value);
    if (std::isfinite(value) && magnitude < kFastLimit) {
        const double scaled = magnitude * 100.0;
        const double whole = std::floor(scaled);
        const double fraction = scaled - whole;
        if (std::fabs(fraction - 0.5) > kTieMargin) {
            unsigned long long cents = static_cast<unsigned long long>(whole) + (fraction > 0.5 ? 1 : 0);
            char digits[24];
            int n = 0;
            do {
                digits[n++] = static_cast<char>('0' + cents % 10);
                cents /= 10;
            } while (cents != 0 || n < 3); // at least "0" and two decimals
            int length = 0;
            if (std::signbit(value))
                destination[length++] = '-';
            while (n > 2)
                destination[length++] = digits[--n];
            destination[length++] = '.';
            destination[length++] = digits[1];
            destination[length++] = digits[0];
            destination[length] = '\0';
            return length;
        }
    }
    const int length = std::snprintf(destination, kAmountTextSize, "%0.2f", value);
    return length < 0 ? 0 : length < kAmountTextSize ? length : kAmountTextSize - 1;
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
