// The system's form of a host path (docs/mazovia.md, "Paths").
#include <cstddef>

#include "contract/mazovia_table.h"
#include "shell/platform.h"

bool PlatformSystemPath(const char* hostPath, PlatformPathChar* out, int size)
{
    if (out == nullptr || size <= 0)
        return false;
    out[0] = 0;
    if (hostPath == nullptr)
        return false;
    int used = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(hostPath); *p != 0; ++p) {
#ifdef _WIN32
        // One UTF-16 unit per character (contract/mazovia_table.h checks it).
        if (size - used < 2) {
            out[0] = 0;
            return false;
        }
        out[used++] = static_cast<wchar_t>(kMazoviaToUnicode[*p]);
#else
        char bytes[4]; // room for any character; a Mazovia one takes 3 at most
        const int n = MazoviaByteToUtf8(*p, bytes);
        if (size - used < n + 1) {
            out[0] = 0;
            return false;
        }
        for (int k = 0; k < n; ++k)
            out[used++] = bytes[k];
#endif
    }
    out[used] = 0;
    return true;
}

void PlatformHostText(const PlatformPathChar* systemPath, char* out, int size)
{
    if (out == nullptr || size <= 0)
        return;
    int used = 0;
    for (const PlatformPathChar* p = systemPath; p != nullptr && *p != 0 && used + 1 < size;) {
#ifdef _WIN32
        const char32_t code = static_cast<char32_t>(*p++); // a surrogate has no Mazovia byte
#else
        // UTF-8: a sequence that is cut short or broken counts as one
        // character Mazovia lacks per byte.
        const unsigned char lead = static_cast<unsigned char>(*p);
        const int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
        char32_t code = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        int k = 1;
        for (; extra > 0 && k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(p[k]);
            if ((next & 0xC0) != 0x80)
                break;
            code = (code << 6) | (next & 0x3F);
        }
        if (extra < 0 || k <= extra) {
            code = 0xFFFD;
            k = 1;
        }
        p += k;
#endif
        const int byte = MazoviaByteOfCode(code);
        out[used++] = static_cast<char>(byte < 0 ? '?' : byte);
    }
    out[used] = '\0';
}
