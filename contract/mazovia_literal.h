// Texts of the plug-in are Mazovia bytes (the host's one-byte Polish text).
// They are written in the sources as readable UTF-8 literals and turned into
// Mazovia at compile time: MazoviaText{u8"Błąd"} holds the bytes 42 9C 84 64.
// A character that Mazovia lacks does not compile.
#pragma once

#include <cstddef>

#include "contract/mazovia_table.h"

namespace mazovia_literal {

consteval unsigned char ToByte(char32_t code)
{
    const int byte = MazoviaByteOfCode(code);
    if (byte < 0)
        throw "character has no place in the Mazovia code page";
    return static_cast<unsigned char>(byte);
}

} // namespace mazovia_literal

template <std::size_t N>
struct MazoviaText {
    char bytes[N] = {};
    std::size_t length = 0;

    consteval MazoviaText(const char8_t (&utf8)[N])
    {
        std::size_t in = 0;
        while (in + 1 < N) {
            const unsigned char lead = static_cast<unsigned char>(utf8[in]);
            char32_t code = 0;
            std::size_t extra = 0;
            if (lead < 0x80) {
                code = lead;
            } else if ((lead & 0xE0) == 0xC0) {
                code = lead & 0x1F;
                extra = 1;
            } else if ((lead & 0xF0) == 0xE0) {
                code = lead & 0x0F;
                extra = 2;
            } else {
                throw "unsupported UTF-8 sequence";
            }
            for (std::size_t k = 1; k <= extra; ++k)
                code = (code << 6) | (static_cast<unsigned char>(utf8[in + k]) & 0x3F);
            bytes[length++] = static_cast<char>(mazovia_literal::ToByte(code));
            in += 1 + extra;
        }
        bytes[length] = '\0';
    }

    constexpr const char* c_str() const { return bytes; }
    constexpr operator const char*() const { return bytes; }
};
