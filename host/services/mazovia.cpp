// The Mazovia code page and its conversions.  docs/mazovia.md says which of
// the published variants this table follows and why.
#include "host/services/mazovia.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "contract/mazovia_literal.h"
#include "host/common/utf8.h"

// The classic DOS layout with the Polish letters in their Mazovia places.
// 00-1F and 7F are the C0 controls and DEL, not the DOS picture glyphs: host
// texts use 01-05 as emphasis and display attributes, and tabs and line ends
// must stay what they are.
constexpr char32_t kMazoviaToUnicode[256] = {
    0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007, 0x0008, 0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x000E, 0x000F, // 00
    0x0010, 0x0011, 0x0012, 0x0013, 0x0014, 0x0015, 0x0016, 0x0017, 0x0018, 0x0019, 0x001A, 0x001B, 0x001C, 0x001D, 0x001E, 0x001F, // 10
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027, 0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F, // 20
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F, // 30
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047, 0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F, // 40
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057, 0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F, // 50
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067, 0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F, // 60
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077, 0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x007F, // 70
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x0105, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x0107, 0x00C4, 0x0104, // 80
    0x0118, 0x0119, 0x0142, 0x00F4, 0x00F6, 0x0106, 0x00FB, 0x00F9, 0x015A, 0x00D6, 0x00DC, 0x00A2, 0x0141, 0x00A5, 0x015B, 0x0192, // 90
    0x0179, 0x017B, 0x00F3, 0x00D3, 0x0144, 0x0143, 0x017A, 0x017C, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, // A0
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, // B0
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, // C0
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, // D0
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, // E0
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0, // F0
};

namespace {

// Windows-1250 bytes 80-FF as code points; 0 where the code page has a hole.
constexpr char32_t kWindows1250Upper[128] = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, 0x0000, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, // 80
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, // 90
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, // A0
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, // B0
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, // C0
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, // D0
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, // E0
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, // F0
};

// The Polish letters must sit where the plug-in's compile-time literals put
// them, and no two bytes may share a character (or the round trip breaks).
constexpr bool LettersAgree()
{
    for (const mazovia_literal::Letter& letter : mazovia_literal::kPolishLetters)
        if (kMazoviaToUnicode[letter.byte] != letter.code)
            return false;
    return true;
}
constexpr bool OneBytePerCharacter()
{
    for (int a = 0; a < 256; ++a)
        for (int b = a + 1; b < 256; ++b)
            if (kMazoviaToUnicode[a] == kMazoviaToUnicode[b])
                return false;
    return true;
}
constexpr bool AsciiUnchanged()
{
    for (int b = 0; b < 128; ++b)
        if (kMazoviaToUnicode[b] != static_cast<char32_t>(b))
            return false;
    return true;
}
static_assert(LettersAgree(), "the Polish letters disagree with shell/mazovia_literal.h");
static_assert(OneBytePerCharacter(), "two Mazovia bytes map to one character");
static_assert(AsciiUnchanged(), "the lower half must be ASCII");

// Mazovia byte to Windows-1250 byte; '?' where 1250 lacks the character.
constexpr std::array<unsigned char, 256> MakeMazoviaTo1250()
{
    std::array<unsigned char, 256> t{};
    for (int b = 0; b < 256; ++b) {
        const char32_t code = kMazoviaToUnicode[b];
        if (code < 0x80) {
            t[b] = static_cast<unsigned char>(code);
            continue;
        }
        t[b] = '?';
        for (int w = 0; w < 128; ++w)
            if (kWindows1250Upper[w] == code)
                t[b] = static_cast<unsigned char>(0x80 + w);
    }
    return t;
}
constexpr std::array<unsigned char, 256> kMazoviaTo1250 = MakeMazoviaTo1250();
static_assert(kMazoviaTo1250[0x86] == 0xB9 && kMazoviaTo1250[0x98] == 0x8C && kMazoviaTo1250[0xA1] == 0xAF,
              "Polish letters must reach their Windows-1250 places");

// Upper-half characters sorted by code point, for the way back.
struct Reverse {
    char32_t code;
    unsigned char byte;
};
constexpr std::array<Reverse, 128> MakeReverse()
{
    std::array<Reverse, 128> r{};
    for (int b = 0; b < 128; ++b)
        r[b] = {kMazoviaToUnicode[128 + b], static_cast<unsigned char>(128 + b)};
    for (int i = 1; i < 128; ++i) // insertion sort: constexpr and small
        for (int j = i; j > 0 && r[j - 1].code > r[j].code; --j) {
            const Reverse t = r[j];
            r[j] = r[j - 1];
            r[j - 1] = t;
        }
    return r;
}
constexpr std::array<Reverse, 128> kReverse = MakeReverse();

// UTF-8 form of one code point; returns its length (1 to 3 for this table).
int EncodeUtf8(char32_t code, char* out)
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
    out[0] = static_cast<char>(0xE0 | (code >> 12));
    out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (code & 0x3F));
    return 3;
}

} // namespace

int MazoviaByteOf(char32_t code)
{
    if (code < 0x80)
        return static_cast<int>(code);
    std::size_t lo = 0, hi = kReverse.size();
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (kReverse[mid].code < code)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo < kReverse.size() && kReverse[lo].code == code ? kReverse[lo].byte : -1;
}

bool Utf8ToMazovia(std::string_view utf8, std::string* out, char32_t* offending)
{
    std::string result;
    result.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        // Mazovia has no U+FFFD, so what is not UTF-8 has no byte either.
        const char32_t code = DecodeUtf8(utf8, &i);
        const int byte = MazoviaByteOf(code);
        if (byte < 0) {
            if (offending != nullptr)
                *offending = code;
            return false;
        }
        result.push_back(static_cast<char>(byte));
    }
    if (out != nullptr)
        *out = std::move(result);
    return true;
}

std::string Utf8ToMazoviaShown(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const int byte = MazoviaByteOf(DecodeUtf8(utf8, &i));
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

std::string MazoviaToUtf8(std::string_view mazovia)
{
    std::string result;
    result.reserve(mazovia.size() + mazovia.size() / 4);
    char bytes[3];
    for (const char c : mazovia) {
        const int n = EncodeUtf8(kMazoviaToUnicode[static_cast<unsigned char>(c)], bytes);
        result.append(bytes, static_cast<std::size_t>(n));
    }
    return result;
}

int ConvertMazovia(char* destination, int destinationSize, const char* source, int sourceLength, int toSet)
{
    if (destination == nullptr || destinationSize <= 0)
        return 0;
    // A counted source still ends at a NUL: host texts are C texts.
    std::size_t length = 0;
    if (source != nullptr)
        length = sourceLength < 0 ? std::strlen(source) : strnlen(source, static_cast<std::size_t>(sourceLength));

    const std::size_t room = static_cast<std::size_t>(destinationSize) - 1; // the NUL's place is kept
    std::size_t written = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char byte = static_cast<unsigned char>(source[i]);
        // Most of an export is ASCII, which every set keeps as it is: copy
        // each run of it at once.
        if (byte < 0x80 && (toSet == 6 || toSet == 3 || toSet == 1)) {
            std::size_t end = i + 1;
            while (end < length && static_cast<unsigned char>(source[end]) < 0x80)
                ++end;
            const std::size_t run = std::min(end - i, room - written);
            std::memcpy(destination + written, source + i, run);
            written += run;
            if (run < end - i)
                break;
            i = end - 1;
            continue;
        }
        char bytes[3];
        int n;
        switch (toSet) {
        case 6:
            n = EncodeUtf8(kMazoviaToUnicode[byte], bytes);
            break;
        case 3:
            bytes[0] = static_cast<char>(kMazoviaTo1250[byte]);
            n = 1;
            break;
        case 1:
            bytes[0] = static_cast<char>(byte);
            n = 1;
            break;
        default: // a set this host does not know: nothing is converted
            destination[0] = '\0';
            return 0;
        }
        if (room - written < static_cast<std::size_t>(n))
            break; // a character that does not fit whole is left out, and so is the rest
        std::memcpy(destination + written, bytes, static_cast<std::size_t>(n));
        written += static_cast<std::size_t>(n);
    }
    destination[written] = '\0';
    return static_cast<int>(written);
}
