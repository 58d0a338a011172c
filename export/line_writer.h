// The output lines and the text operations of their values: XML escaping,
// numbers and the digit filter.
#pragma once

#include <cstddef>
#include <cstdint>

#include "contract/host_protocol.h"

// The longest line: what the host's line buffer holds besides the NUL.
inline constexpr int kLineMaxChars = kHostLineBufferSize - 1;

// The output lines.  Lines are gathered in host text, several at a time, up
// to the size of the host's line buffer; then the batch is turned into UTF-8
// and handed to the host in one "%s\n" write, its lines joined by "\n".  So
// no write hands the host more than one line of the line buffer could, and
// a run allocates its two buffers once instead of a buffer per line.  ASCII
// is the same in host text and in UTF-8: the host converts only the lines
// that hold a character outside it, each on its own, and the others are
// copied as they are.
//
// A Mazovia character takes up to three bytes in UTF-8 (box-drawing and a
// few symbols), so three bytes per character and the NUL always hold the
// converted batch: no batch can be cut short by its conversion.
inline constexpr int kBatchSize = kHostLineBufferSize;
inline constexpr int kConvertedSize = 3 * kHostLineBufferSize + 1;

enum class OutputFailure { None, Conversion, Write, LineTooLong };

struct OutputLines {
    void* file;
    char* text;      // kBatchSize bytes: whole lines, each ended by "\n"
    char* converted; // kConvertedSize bytes
    int length;      // bytes of text in use
    int linesGathered;
    // What the host was given to write, the line ends counted as "\n", and
    // how many lines: the finished file must hold exactly these bytes, or
    // one more per line where the text mode writes a line end as CR LF.
    int64_t bytesHanded;
    int64_t linesHanded;
    // The first failure; once set, nothing more is written.
    OutputFailure failure;
};

// A string literal with its length.
struct Literal {
    const char* text;
    int length;
    template <std::size_t N>
    constexpr Literal(const char (&literal)[N]) : text(literal), length(static_cast<int>(N - 1))
    {
    }
};

// The UTF-8 marker bytes, written as they are before the first line.
bool WriteByteOrderMark(OutputLines& out);
// A whole fixed line.
bool PutLine(OutputLines& out, Literal line);
// A list of fixed lines, in order.
bool PutLines(OutputLines& out, const Literal* lines, int count);
template <int N>
bool PutLines(OutputLines& out, const Literal (&lines)[N])
{
    return PutLines(out, lines, N);
}
// Lines rendered before, each ended by "\n": length bytes, `lines` of them.
bool PutRendered(OutputLines& out, const char* text, int length, int lines);
// "<tag>value</tag>" as one line; the value as given, or escaped first
// (EscapeXml in a buffer of kValueSize bytes).
inline constexpr int kValueSize = 512;
bool PutElement(OutputLines& out, Literal tag, const char* value, int length);
bool PutEscapedElement(OutputLines& out, Literal tag, const char* value);
// Converts and writes the lines gathered so far.  When the conversion fails
// the user is told ("Operacja konwersji nieudana") once.
bool FlushLines(OutputLines& out);

// Escapes the five XML special characters of a NUL-terminated host text in
// place, in a buffer of size + 1 bytes; a character whose entity no longer
// fits becomes a lone ";".  Characters that XML 1.0 forbids (the control
// bytes) become spaces, as do tab, CR and LF, which would break the
// one-element-per-line form.
void EscapeXml(char* text, int16_t size);
// The length of a text in which EscapeXml would change nothing (read up to
// its NUL or max bytes), or -1 when it would change something.
int PlainLength(const char* text, int max);

// An amount as "%0.2f" writes it in the classic locale; the destination
// holds kAmountTextSize bytes.  Returns the length.
inline constexpr int kAmountTextSize = 352;
int FormatAmount(char* destination, double value);
// A signed decimal number; the destination holds 12 bytes.  Returns the length.
int FormatInteger(char* destination, int32_t value);

// Copies the decimal digits of src, in order, into dst (dstSize bytes,
// always terminated).
void DigitsOnly(char* dst, int dstSize, const char* src);

