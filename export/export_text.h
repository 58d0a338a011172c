// Text operations of the export: line writing, XML escaping, the digit
// filter, the address split and the plug-in's formatted notice.
#pragma once

#include <cstdint>

#include "contract/host_protocol.h"

// The longest line: what the host's line buffer holds besides the NUL.
inline constexpr int kLineMaxChars = kHostLineBufferSize - 1;

// Converts one host-text line to UTF-8 and writes it with a line end; when
// the conversion buffer cannot be had, tells the user and drops the line.
void WriteLine(const char* text, void* file, int lineSize);
// Formats a line into the host's line buffer (bounded) and writes it.
void WriteFormattedLine(void* file, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Puts a fixed line into the host's line buffer and writes it.
void WriteFixedLine(void* file, const char* line);

// Escapes the five XML special characters of a NUL-terminated host text in
// place, in a buffer of size + 1 bytes; a character whose entity no longer
// fits becomes a lone ";".  Characters that XML 1.0 forbids (the control
// bytes) become spaces, as do tab, CR and LF, which would break the
// one-element-per-line form.
void EscapeXml(char* text, int16_t size);

// Copies the decimal digits of src, in order, into dst (dstSize bytes,
// always terminated).
void DigitsOnly(char* dst, int dstSize, const char* src);

// Cuts a one-line address into street, postal code and city (each a buffer
// of kAddressPartSize bytes).
inline constexpr int kAddressPartSize = 512;
void SplitAddress(const char* address, char* street, char* postalCode, char* city);

// The 36-character register identifier 8-4-4-4-12 of a document: its key,
// the (moved) contractor key, and its two identifier numbers.
inline constexpr int kRegisterIdSize = 41;
void FormatRegisterId(char* destination, int32_t documentKey, int64_t contractorKey, uint32_t id1, uint32_t id2);
// The contractor key of a contractor number: natural persons (negative
// numbers) moved to |n| + 70000, computed without overflow.
int64_t ContractorKeyOf(int32_t contractorNumber);

// Where the escaped full name is cut into its two 70-character elements:
// never inside an entity.  *firstEnd and *secondEnd are byte positions.
inline constexpr int kNamePartChars = 70;
void SplitEscapedName(const char* name, int* firstEnd, int* secondEnd);

// The plug-in's formatted notice (title "Uwaga", flags 1 at every call site).
void ShowMessage(const char* title, const char* format, int flags, ...);
