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
#include "shell/module_handles.h"

bool g_ignoreMissingEntries = false;

namespace {

// The running command's mark: the first entry abandoned, and every entry
// whose call was abandoned.
int g_abandonedEntry = 0;
bool g_entryAbandoned[kHostEntryCount] = {};

void MarkAbandoned(int index)
{
    if (g_abandonedEntry == 0)
        g_abandonedEntry = kHostEntries[index].number;
    g_entryAbandoned[index] = true;
}

} // namespace

bool CommandAbandoned() { return g_abandonedEntry != 0; }

void AbandonCommand(HostSlotIndex slot)
{
    if (slot >= 0 && slot < kHostEntryCount)
        MarkAbandoned(slot);
}
int AbandonedEntry() { return g_abandonedEntry; }

bool EntryAbandoned(HostSlotIndex slot) { return slot >= 0 && slot < kHostEntryCount && g_entryAbandoned[slot]; }

CommandSpan::CommandSpan() : outerEntry_(g_abandonedEntry)
{
    std::memcpy(outerAbandoned_, g_entryAbandoned, sizeof outerAbandoned_);
    g_abandonedEntry = 0;
    std::memset(g_entryAbandoned, 0, sizeof g_entryAbandoned);
}

CommandSpan::~CommandSpan()
{
    g_abandonedEntry = outerEntry_;
    std::memcpy(g_entryAbandoned, outerAbandoned_, sizeof g_entryAbandoned);
}

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
    g_abandonedEntry = 0;
    std::memset(g_entryAbandoned, 0, sizeof g_entryAbandoned);
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

extern "C" void* BindEntry(int number, void** slot)
{
    // The thunks pass their own slot: its place in the table is the entry's.
    const int index = static_cast<int>(slot - HostSlots);
    void* entry = g_hostModule != nullptr ? PlatformLookupByNumber(g_hostModule, number) : nullptr;
    if (entry != nullptr) {
        *slot = entry;
        return entry;
    }
    // Missing.  After "Ignore" an entry with a fallback takes it for good;
    // a command already abandoned does not ask again.
    const bool ignored =
        g_ignoreMissingEntries || (!CommandAbandoned() && MissingEntryPrompt(number) == MissingEntryAnswer::Ignore);
    if (ignored && EntryHasFallback(number)) {
        PickFallback(number, slot);
        return *slot;
    }
    // Abandoned: this call returns 0 through the entry's own fallback; the
    // slot stays at binding, so that the next command asks again.
    MarkAbandoned(index);
    return HostFallbacks[index];
}
