// The plug-in's three entry points: the host asks for its name and
// compatibility, tells it that it is loaded (or refused), and the plug-in
// registers its menu entry and shows its install notice.
#include <cstdio>
#include <cstring>

#include "options/export_dialog.h"
#include "shell/binding.h"
#include "plugin/entry_points.h"
#include "shell/host_calls.h"
#include "contract/host_protocol.h"
#include "contract/plugin_descriptor.h"
#include "shell/plugin_messages.h"

namespace {

inline constexpr int kNoticeKind = 0x684;
inline constexpr int kVersionNoticeFlags = 0xC001;

int HOST_CONV_CDECL ExportCommandHandler(void) { return ExportCommand(); }

PluginDescriptor g_descriptor = {
    {0x00, 0x00, 0x08, 0x43}, kPluginName.c_str(), kPluginCommand, &ExportCommandHandler, {0, 0, 0, 0, 0, 0, 0, 0},
};

void InstallNotice()
{
    int32_t value = 0;
    const int status = static_cast<int16_t>(
        HostIniAccess(kIniFileName, kIniRead, kIniSection, kIniKeyAsk, "%d", &value));
    if (CommandAbandoned())
        return;
    if (status != 0)
        value = 0;
    else if ((value & 0xFFFF) != 0)
        return;

    char text[128];
    std::snprintf(text, sizeof text, kMsgInstalled.c_str(), kPluginName.c_str());
    // The host's flag is the variable's low 16 bits.
    int16_t flag = static_cast<int16_t>(value);
    HostNotice(kNoticeKind, &flag, 0, text);
    if (CommandAbandoned())
        return;
    HostIniAccess(kIniFileName, kIniWrite, kIniSection, kIniKeyAsk, "%d", static_cast<int>(flag));
}

} // namespace

const PluginDescriptor* PluginDescriptorRecord() { return &g_descriptor; }

// Each entry point is a span of its own: a host entry that stays missing
// returns 0 to its call and marks the span, which then stops where it is.

extern "C" int HOST_CONV_STDCALL PluginQuery(void* hostProcedure, char* nameBuffer)
{
    CommandSpan span;
    if (hostProcedure == nullptr) {
        HostReleaseCommand(static_cast<int>(kPluginCommand));
        return 0;
    }
    if (nameBuffer != nullptr)
        std::memcpy(nameBuffer, kPluginName.c_str(), std::strlen(kPluginName.c_str()) + 1);
    // A missing interface entry answers 0, which is no interface this
    // plug-in knows: it refuses.
    return HostInterfaceVersion() == kHostInterfaceNumber ? 0 : -1;
}

extern "C" int HOST_CONV_STDCALL PluginLoad(int flag)
{
    CommandSpan span;
    if (flag != 0) {
        HostMessageBoxF(kTitleVersionNotice, kMsgVersionMismatch, kVersionNoticeFlags, kPluginName.c_str(),
                        kPluginName.c_str());
        return 0;
    }
    HostRegisterPlugin(&g_descriptor);
    if (!CommandAbandoned())
        InstallNotice();
    return 0;
}

extern "C" int HOST_CONV_CDECL PluginEntry30009(void) { return 0; }
