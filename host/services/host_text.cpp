// The host's text services: the shared line buffer, bounded copies, in-place
// edits and the character-set conversions of host text.
#include <cstring>

#include "contract/host_protocol.h"
#include "host/host_entry_impl.h"
#include "host/services/host_latitude.h"
#include "host/services/host_text.h"
#include "host/common/mazovia.h"

namespace {

// Exactly the size the plug-in is promised, no more: a line that overruns it
// is a fault in the caller, and the sanitizers should see it as one.
char g_lineBuffer[kHostLineBufferSize];

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

} // namespace

namespace {
// The interface number this host reports; tests may make it another.
int g_interfaceNumber = kHostInterfaceNumber;
} // namespace

void HostSetInterfaceNumber(int number) { g_interfaceNumber = number; }

namespace tomiva {

// The host with latitude hands out a line buffer of its own, as large as
// promised with a guard behind it, checked whenever the buffer is used.
char* HOST_CONV_STDCALL HostLineBuffer(void)
{
    LatitudeEntered();
    if (!LatitudeOn())
        return g_lineBuffer;
    LatitudeCheckGuardsNow("when HostLineBuffer (38400) was called");
    return LatitudeLineBuffer();
}

int HOST_CONV_STDCALL HostCopyField(char* destination, const char* source, int max)
{
    LatitudeEntered();
    if (destination == nullptr)
        return 0;
    if (source == nullptr || max <= 0) {
        destination[0] = '\0';
        return 0;
    }
    const std::size_t n = strnlen(source, static_cast<std::size_t>(max));
    std::memmove(destination, source, n);
    destination[n] = '\0';
    if (LatitudeOn()) {
        LatitudeCheckGuardsNow("after HostCopyField (52161)");
        return LatitudeUnused(static_cast<int>(n));
    }
    return static_cast<int>(n);
}

int HOST_CONV_STDCALL HostInsertChar(char* position, int character)
{
    LatitudeEntered();
    if (position == nullptr)
        return 0;
    std::memmove(position + 1, position, std::strlen(position) + 1);
    position[0] = static_cast<char>(character);
    LatitudeCheckGuards("after HostInsertChar (52130)");
    return LatitudeUnused(1);
}

int HOST_CONV_STDCALL HostTrimText(char* text)
{
    LatitudeEntered();
    if (text == nullptr)
        return 0;
    std::size_t start = 0;
    while (IsBlank(text[start]))
        ++start;
    std::size_t end = std::strlen(text + start) + start;
    while (end > start && IsBlank(text[end - 1]))
        --end;
    std::memmove(text, text + start, end - start);
    text[end - start] = '\0';
    return LatitudeUnused(static_cast<int>(end - start));
}

// The original host brings full names into its house form; this host keeps
// every name exactly as the firm database holds it.
int HOST_CONV_STDCALL HostNormalizeName(char* text)
{
    LatitudeEntered();
    return LatitudeUnused(text != nullptr ? 1 : 0);
}

int HOST_CONV_STDCALL HostConvertText(char* destination, int destinationSize, const char* source, int sourceLength,
                                      int fromSet, int toSet)
{
    LatitudeEntered();
    if (fromSet != kCharsetHost) {
        // Only host text is ever converted from.
        if (destination != nullptr && destinationSize > 0)
            destination[0] = '\0';
        return 0;
    }
    LatitudeCheckConversion(destinationSize, source, sourceLength);
    const int converted = ConvertMazovia(destination, destinationSize, source, sourceLength, toSet);
    if (!LatitudeOn())
        return converted;
    LatitudeCheckGuardsNow("after HostConvertText (35387)");
    // The line read, the rest of the line buffer holds the pattern again.
    char* line = LatitudeLineBuffer();
    if (source >= line && source < line + kHostLineBufferSize) {
        const std::size_t used = static_cast<std::size_t>(source - line) +
                                 strnlen(source, static_cast<std::size_t>(line + kHostLineBufferSize - source));
        if (used + 1 < static_cast<std::size_t>(kHostLineBufferSize))
            LatitudeFill(line + used + 1, static_cast<std::size_t>(kHostLineBufferSize) - used - 1);
    }
    return LatitudeUnused(converted);
}

// Converts source into text byte for byte: both sets have one byte per
// character, so the text keeps its length and text may be source itself.
int HOST_CONV_STDCALL HostRecode(char* text, const char* source, int fromSet, int toSet)
{
    LatitudeEntered();
    if (text == nullptr || source == nullptr)
        return 0;
    const bool known = fromSet == kCharsetHost && (toSet == kCharsetSystem || toSet == kCharsetHost);
    if (!known)
        return 0;
    if (text != source)
        std::memmove(text, source, std::strlen(source) + 1);
    for (char* p = text; *p != '\0'; ++p) {
        char converted[2];
        ConvertMazovia(converted, sizeof converted, p, 1, toSet);
        *p = converted[0];
    }
    return LatitudeUnused(1);
}

int HOST_CONV_STDCALL HostInterfaceVersion(void)
{
    LatitudeEntered();
    return g_interfaceNumber;
}

} // namespace tomiva
