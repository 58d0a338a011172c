// Texts of the plug-in are Mazovia bytes (the host's one-byte Polish text).
// They are written in the sources as readable UTF-8 literals and turned into
// Mazovia at compile time: MazoviaText{u8"Błąd"} holds the bytes 42 9C 84 64.
// A character outside ASCII and the 18 Polish letters does not compile.
#pragma once

#include <cstddef>

namespace mazovia_literal {

struct Letter {
    char32_t code;
    unsigned char byte;
};

// The Polish letters of the Mazovia code page.
inline constexpr Letter kPolishLetters[18] = {
    {U'ą', 0x86}, {U'ć', 0x8D}, {U'ę', 0x91}, {U'ł', 0x92}, {U'ń', 0xA4}, {U'ó', 0xA2},
    {U'ś', 0x9E}, {U'ź', 0xA6}, {U'ż', 0xA7}, {U'Ą', 0x8F}, {U'Ć', 0x95}, {U'Ę', 0x90},
    {U'Ł', 0x9C}, {U'Ń', 0xA5}, {U'Ó', 0xA3}, {U'Ś', 0x98}, {U'Ź', 0xA0}, {U'Ż', 0xA1},
};

consteval unsigned char ToByte(char32_t code)
{
    if (code < 0x80)
        return static_cast<unsigned char>(code);
    for (const Letter& letter : kPolishLetters)
        if (letter.code == code)
            return letter.byte;
    throw "character has no place in the Mazovia code page";
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
