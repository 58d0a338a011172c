// UTF-8, the text of the host's own messages, its command line and the firm
// database.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Decodes the sequence at text[*position] (which must lie inside text) and
// moves *position past it.  What is not valid UTF-8 (a stray or unknown
// byte, a sequence cut short, an overlong form, a surrogate, a value past
// U+10FFFF) gives U+FFFD; *position then stands after the bytes read so
// far, so that a byte that breaks a sequence starts the next one.
char32_t DecodeUtf8(std::string_view text, std::size_t* position);

// Encodes one character into out (room for 4 bytes); returns the bytes put.
// The character must be a Unicode scalar value (at most U+10FFFF, no
// surrogate), as every decoded one is.
inline int EncodeUtf8(char32_t code, char* out)
{
    if (code < 0x80) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<char>(0xC0 | (code >> 6));
        out[1] = static_cast<char>(0x80 | (code & 0x3F));
        return 2;
    }
    if (code < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (code >> 12));
        out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (code & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (code >> 18));
    out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (code & 0x3F));
    return 4;
}
// A text of characters in UTF-8.
std::string EncodeUtf8(std::u32string_view text);

// A character's name as the Unicode standard writes it: "U+00E9", "U+1F600".
std::string CodePointName(char32_t code);
