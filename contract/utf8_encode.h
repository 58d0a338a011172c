// UTF-8 encoding of one character, for both sides: the plug-in's Mazovia
// conversion (contract/mazovia_table.h) and the host's text (host/common/utf8.h,
// beside its decoder).
#pragma once

// Encodes one character into out (room for 4 bytes); returns the bytes put.
// The character must be a Unicode scalar value (at most U+10FFFF, no
// surrogate), as every decoded one is.
constexpr int EncodeUtf8(char32_t code, char* out)
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
