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
        char bytes[3];
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
