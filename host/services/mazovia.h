// The host's one-byte Polish text (the Mazovia code page) and its
// conversions: to and from UTF-8, and to the system's ANSI text (Windows-1250).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "contract/mazovia_table.h" // kMazoviaToUnicode: the character of every byte

// The Mazovia byte of a character, or -1 when Mazovia lacks it.
int MazoviaByteOf(char32_t code);

// UTF-8 to Mazovia.  Returns false, leaving *out unspecified, when the text
// is not valid UTF-8 or holds a character that Mazovia lacks; *offending
// (if not null) then names that character (or 0xFFFD for invalid UTF-8).
bool Utf8ToMazovia(std::string_view utf8, std::string* out, char32_t* offending);

// UTF-8 to Mazovia for what the host itself shows: a character that
// Mazovia lacks (or a byte that is not UTF-8) becomes '?'.
std::string Utf8ToMazoviaShown(std::string_view utf8);

// Mazovia to UTF-8 (never fails; every byte has a character).
std::string MazoviaToUtf8(std::string_view mazovia);

// Bounded conversion of a NUL-terminated (sourceLength < 0) or counted
// Mazovia text into UTF-8 (set 6) or Windows-1250 (set 3): writes at most
// destinationSize bytes including the terminating NUL, never a partial UTF-8
// sequence, and returns the number of bytes written before the NUL.
int ConvertMazovia(char* destination, int destinationSize, const char* source, int sourceLength, int toSet);

// A path (UTF-8) as host text, for the plug-in, which takes every path as
// Mazovia.  False, with what stands in the way in *why, when the path holds
// a character that Mazovia lacks or is not UTF-8: such a path is refused,
// never handed on half converted.
bool PathAsHostText(const std::string& utf8, std::string* mazovia, std::string* why);
