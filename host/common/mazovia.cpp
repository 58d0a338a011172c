// The conversions of the Mazovia code page, whose table both sides share
// (contract/mazovia_table.h).
#include "host/common/mazovia.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "contract/mazovia_table.h"
#include "host/common/utf8.h"

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
    char bytes[4];
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
        char bytes[4];
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

bool PathAsHostText(const std::string& utf8, std::string* mazovia, std::string* why)
{
    char32_t offending = 0;
    if (Utf8ToMazovia(utf8, mazovia, &offending))
        return true;
    if (why != nullptr)
        *why = offending == 0xFFFD ? "it is not UTF-8 text"
                                   : "it holds " + CodePointName(offending) +
                                         ", which the host's text (Mazovia) lacks: the plug-in could not be given it";
    return false;
}
