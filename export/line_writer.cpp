// The road of every output line: formatted in host text into the host's line
// buffer, converted to UTF-8, written with a line end.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "shell/host_calls.h"
#include "shell/plugin_messages.h"
#include "export/export_text.h"
#include "shell/binding.h"

// A Mazovia character takes up to three bytes in UTF-8 (box-drawing and a
// few symbols), so three bytes per character and the NUL always hold the
// converted line: no line can be cut short by its conversion.
static int ConversionBufferSize(int lineSize) { return 3 * lineSize + 1; }

void WriteLine(const char* text, void* file, int lineSize)
{
    if (CommandAbandoned())
        return;
    const int size = ConversionBufferSize(lineSize);
    char* converted = static_cast<char*>(HostAlloc(size));
    if (converted == nullptr) {
        if (!CommandAbandoned())
            HostErrorMessage(kMsgConversionFailed);
        return;
    }
    converted[0] = '\0';
    HostConvertText(converted, size, text, -1, kCharsetHost, kCharsetUtf8);
    converted[size - 1] = '\0';
    HostFilePrintf(file, "%s\n", converted);
    HostFree(converted);
}

void WriteFormattedLine(void* file, const char* format, ...)
{
    char* line = HostLineBuffer();
    if (line == nullptr) {
        // Only an ignored missing entry answers without a buffer: no line can
        // be written, so the command cannot go on.
        AbandonCommand(HostSlot_HostLineBuffer);
        return;
    }
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, kHostLineBufferSize, format, args);
    va_end(args);
    WriteLine(line, file, kHostLineBufferSize);
}

void WriteFixedLine(void* file, const char* text)
{
    char* line = HostLineBuffer();
    if (line == nullptr) {
        AbandonCommand(HostSlot_HostLineBuffer);
        return;
    }
    line[0] = '\0';
    HostCopyField(line, text, kLineMaxChars);
    WriteLine(line, file, kHostLineBufferSize);
}

void EscapeXml(char* text, int16_t size)
{
    struct Entity {
        char special;
        const char* opening; // inserted before the ";" that replaces the character
    };
    static const Entity kEntities[] = {
        {'<', "&lt"}, {'>', "&gt"}, {'\'', "&apos"}, {'&', "&amp"}, {'"', "&quot"},
    };

    for (char* p = text; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20) {
            *p = ' ';
            continue;
        }
        for (const Entity& e : kEntities) {
            if (*p != e.special)
                continue;
            *p = ';';
            const int insert = static_cast<int>(std::strlen(e.opening));
            if (static_cast<int>(std::strlen(text)) + insert <= size)
                for (int k = 0; k < insert; ++k)
                    HostInsertChar(p + k, e.opening[k]);
            // The walk goes on after the inserted "&": the rest of the entity
            // is letters and the ";", none of which is escaped again.
            break;
        }
    }
}

void ShowMessage(const char* title, const char* format, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    HostMessageBoxV(0, title, format, flags, args);
    va_end(args);
}
