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
// and handed to the host in "%s\n" writes, its lines joined by "\n", and a
// run allocates its two buffers once instead of a buffer per line.  ASCII is
// the same in host text and in UTF-8: the host converts only the lines that
// hold a character outside it, each on its own, and the others are copied as
// they are.
//
// Every call keeps to the sizes the contract shows for one line: a source of
// at most 5001 characters (one line: the batch never exceeds the line
// buffer), a destination of at most kHostConversionSize bytes, and a write
// of at most one converted line's 10004 bytes.  The converted batch is
// gathered in one buffer of that size; a line whose conversion might not fit
// behind what it holds is preceded by a write of what it holds.  A Polish
// letter takes two bytes in UTF-8, so a batch of them always fits; the few
// Mazovia characters of three bytes (box drawing, symbols) may make a batch
// two writes.  A line is converted with room for three bytes per character
// wherever that fits; only a line of more than 3334 characters can be short
// of it, and a conversion that gives fewer characters than the line has is
// taken as cut short, and fails.
inline constexpr int kBatchSize = kHostLineBufferSize;
inline constexpr int kConversionSize = kHostConversionSize;

enum class OutputFailure { None, Conversion, Write, LineTooLong };

// A digest of the bytes handed to the host to write, in order, the line ends
// as "\n": the file read back must give the same (export_run.cpp).  It is
// fed blocks of any size and gives the same for the same bytes.
struct TextDigest {
    uint64_t lanes[4];          // four words taken in side by side, 32 bytes a step
    unsigned char pending[32];  // bytes not yet taken in, up to 31
    int pendingBytes;
    int64_t length;             // bytes fed
};
void DigestStart(TextDigest& digest);
void DigestAdd(TextDigest& digest, const char* bytes, std::size_t n);
uint64_t DigestValue(const TextDigest& digest);

struct OutputLines {
    void* file;
    char* text;      // kBatchSize bytes: whole lines, each ended by "\n"
    char* converted; // kConversionSize bytes
    int length;      // bytes of text in use
    int linesGathered;
    // What the host was given to write, the line ends counted as "\n", and
    // how many lines; the digest of those bytes.
    int64_t bytesHanded;
    int64_t linesHanded;
    TextDigest handed;
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

