// Binding of host entries on first use (see host_entries.h for the list and
// the thunks for the call and bind-and-call routines).
#include "shell/binding.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/host_calls.h"
#include "contract/host_protocol.h"
#include "contract/mazovia_literal.h"
#include "shell/plugin_messages.h"
#include "shell/plugin_modules.h"

bool g_ignoreMissingEntries = false;
HostCallGuard* g_hostCallGuard = nullptr;

const HostEntryInfo kHostEntries[kHostEntryCount] = {
#define HOST_ENTRY(number, name, conv, argc, result, params) \
    {number, #name, HOST_CONVENTION_##conv, argc},
#include "contract/host_entries.h"
#undef HOST_ENTRY
};

int HostSlotOfNumber(int number)
{
    for (int i = 0; i < kHostEntryCount; ++i)
        if (kHostEntries[i].number == number)
            return i;
    return -1;
}

bool EntryHasFallback(int number)
{
    const int r = number % 100;
    return r == 99 || (r % 4 == 0 && r <= 56);
}

void PickFallback(int number, void** slot)
{
    const int index = HostSlotOfNumber(number);
    *slot = index >= 0 && EntryHasFallback(number) ? HostFallbacks[index] : nullptr;
}

// The prompt converts its text with HostRecode, itself a host entry.  It must
// not start a second binding (and a second prompt) from inside the prompt, so
// it uses the entry only when it is already bound to the host or can be found
// by a plain look-up; otherwise the text is shown unconverted.
static void RecodeForSystem(char* text)
{
    void*& slot = HostSlots[HostSlot_HostRecode];
    void* entry = nullptr;
    if (g_hostModule != nullptr) {
        void* found = PlatformLookupByNumber(g_hostModule, kHostEntries[HostSlot_HostRecode].number);
        if (found != nullptr) {
            slot = found; // binding it now spares the later look-up
            entry = found;
        }
    }
    if (entry != nullptr)
        reinterpret_cast<host_types::HostRecode*>(entry)(text, text, kCharsetHost, kCharsetSystem);
}

MissingEntryAnswer MissingEntryPrompt(int number)
{
    if (g_ignoreMissingEntries)
        return MissingEntryAnswer::Ignore;

    char entryText[16];
    std::snprintf(entryText, sizeof entryText, "%d", number);

    char moduleText[301];
    if (!PlatformModuleFileName(g_ownModule, moduleText, sizeof moduleText))
        std::snprintf(moduleText, sizeof moduleText, "%s", kMsgUnknownModule.c_str());

    char text[1024];
    std::snprintf(text, sizeof text, kMsgMissingEntry.c_str(), moduleText, entryText, kPluginName.c_str());
    for (char* p = text; *p != '\0'; ++p)
        if (*p == kTextPlain)
            *p = ' ';
    for (char* p = text; *p != '\0'; ++p)
        if (*p == kTextEmphasis)
            *p = ' ';

    char title[64];
    std::snprintf(title, sizeof title, "%s", kMsgMissingEntryTitle.c_str());
    RecodeForSystem(text);
    RecodeForSystem(title);

    for (;;) {
        const int answer = PlatformMessageBox(text, title, kPlatformStyleAbortRetryIgnore);
        if (answer == kPlatformIdRetry)
            continue;
        if (answer == kPlatformIdIgnore) {
            g_ignoreMissingEntries = true;
            return MissingEntryAnswer::Ignore;
        }
        return MissingEntryAnswer::Abort;
    }
}

void ResetHostBinding()
{
    for (int i = 0; i < kHostEntryCount; ++i)
        HostSlots[i] = HostBindRoutines[i];
    g_ignoreMissingEntries = false;
}

void ShowSystemNotice(const char* text, const char* title)
{
    char converted[1024];
    char convertedTitle[128];
    std::snprintf(converted, sizeof converted, "%s", text);
    std::snprintf(convertedTitle, sizeof convertedTitle, "%s", title);
    RecodeForSystem(converted);
    RecodeForSystem(convertedTitle);
    PlatformMessageBox(converted, convertedTitle, kPlatformStyleOk);
}

extern "C" void BindEntry(int number, void** slot)
{
    *slot = g_hostModule != nullptr ? PlatformLookupByNumber(g_hostModule, number) : nullptr;
    if (*slot == nullptr && MissingEntryPrompt(number) == MissingEntryAnswer::Ignore)
        PickFallback(number, slot);
}

extern "C" void HostCallAbandoned(int number)
{
    // Back to its bind-and-call routine: a later call binds (and asks) again.
    const int index = HostSlotOfNumber(number);
    if (index >= 0)
        HostSlots[index] = HostBindRoutines[index];
    if (g_hostCallGuard != nullptr) {
        g_hostCallGuard->abandonedEntry = number;
        std::longjmp(g_hostCallGuard->where, 1);
    }
    std::fprintf(stderr, "host entry %d is missing and no command is running to abandon\n", number);
    std::abort();
}
