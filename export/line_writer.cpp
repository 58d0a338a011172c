// The road of every output line: gathered in host text, converted to UTF-8
// a batch at a time, written with its line ends; the XML escaping and the
// numbers of the lines.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "shell/host_calls.h"
#include "shell/plugin_messages.h"
#include "export/export_text.h"

namespace {

bool Failed(OutputLines& out, OutputFailure failure)
{
    if (out.failure == OutputFailure::None)
        out.failure = failure;
    return false;
}

// Makes room for `length` more bytes of the line being built: the whole
// lines before it are written first when the batch is full.
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
    if (HostFilePrintf(out.file, "%c%c%c", 0xEF, 0xBB, 0xBF) != 3)
        return Failed(out, OutputFailure::Write);
    out.bytesHanded += 3;
    return true;
}

bool PutText(OutputLines& out, const char* text, int length)
{
    if (!Room(out, length))
        return false;
    std::memcpy(out.text + out.length, text, static_cast<std::size_t>(length));
    out.length += length;
    return true;
}

bool PutText(OutputLines& out, const char* text) { return PutText(out, text, static_cast<int>(std::strlen(text))); }

bool EndLine(OutputLines& out)
{
    if (!Room(out, 0))
        return false;
    out.text[out.length++] = '\n';
    out.lineStart = out.length;
    ++out.linesGathered;
    return true;
}

bool PutLine(OutputLines& out, const char* line) { return PutText(out, line) && EndLine(out); }

bool PutElement(OutputLines& out, const char* tag, const char* value, int length)
{
    const int tagLength = static_cast<int>(std::strlen(tag));
    if (!Room(out, length + 2 * tagLength + 5))
        return false;
    char* p = out.text + out.length;
    *p++ = '<';
    std::memcpy(p, tag, static_cast<std::size_t>(tagLength));
    p += tagLength;
    *p++ = '>';
    std::memcpy(p, value, static_cast<std::size_t>(length));
    p += length;
    *p++ = '<';
    *p++ = '/';
    std::memcpy(p, tag, static_cast<std::size_t>(tagLength));
    p += tagLength;
    *p++ = '>';
    out.length = static_cast<int>(p - out.text);
    return EndLine(out);
}

bool PutEscapedElement(OutputLines& out, const char* tag, const char* value)
{
    if (NeedsNoEscape(value))
        return PutElement(out, tag, value, static_cast<int>(strnlen(value, kValueSize - 1)));
    char text[kValueSize];
    const std::size_t length = strnlen(value, sizeof text - 1);
    std::memcpy(text, value, length);
    text[length] = '\0';
    EscapeXml(text, kValueSize - 1);
    return PutElement(out, tag, text, static_cast<int>(std::strlen(text)));
}

bool FlushLines(OutputLines& out)
{
    if (out.failure != OutputFailure::None)
        return false;
    if (out.lineStart == 0)
        return true;
    // The last whole line's end is given by the write's format.
    const int sourceLength = out.lineStart - 1;
    out.text[sourceLength] = '\0';
    out.converted[0] = '\0';
    HostConvertText(out.converted, kConvertedSize, out.text, -1, kCharsetHost, kCharsetUtf8);
    out.converted[kConvertedSize - 1] = '\0';
    const int convertedLength = static_cast<int>(std::strlen(out.converted));
    // Every character of host text takes at least one byte in UTF-8: a
    // shorter result lost some of the text.
    if (convertedLength < sourceLength) {
        HostErrorMessage(kMsgConversionFailed);
        return Failed(out, OutputFailure::Conversion);
    }
    if (HostFilePrintf(out.file, "%s\n", out.converted) != convertedLength + 1)
        return Failed(out, OutputFailure::Write);
    out.bytesHanded += convertedLength + 1;
    out.linesHanded += out.linesGathered;
    out.linesGathered = 0;
    // The line being built moves to the front.
    const int partial = out.length - out.lineStart;
    std::memmove(out.text, out.text + out.lineStart, static_cast<std::size_t>(partial));
    out.length = partial;
    out.lineStart = 0;
    return true;
}

bool NeedsNoEscape(const char* text)
{
    for (const char* p = text; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == '<' || c == '>' || c == '&' || c == '\'' || c == '"')
            return false;
    }
    return true;
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
            if (static_cast<int>(std::strlen(text)) + insert < size)
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

void ShowMessage(const char* title, const char* format, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    HostMessageBoxV(0, title, format, flags, args);
    va_end(args);
}
