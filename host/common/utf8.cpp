#include "host/common/utf8.h"

#include <cstdio>

char32_t DecodeUtf8(std::string_view text, std::size_t* position)
{
    std::size_t& i = *position;
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int extra;
    char32_t code;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        code = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        code = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        code = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++i;
        return 0xFFFD;
    }
    for (int k = 1; k <= extra; ++k) {
        if (i + k >= text.size()) {
            i = text.size();
            return 0xFFFD;
        }
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            i += k;
            return 0xFFFD;
        }
        code = (code << 6) | (next & 0x3F);
    }
    i += 1 + extra;
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0xFFFD;
    return code;
}

std::string EncodeUtf8(std::u32string_view text)
{
    std::string out;
    out.reserve(text.size());
    char bytes[4];
    for (const char32_t c : text)
        out.append(bytes, static_cast<std::size_t>(EncodeUtf8(c, bytes)));
    return out;
}

std::string CodePointName(char32_t code)
{
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(code));
    return name;
}
