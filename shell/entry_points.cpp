// The plug-in's three entry points: the host asks for its name and
// compatibility, tells it that it is loaded (or refused), and the plug-in
// registers its menu entry and shows its install notice.
#include <cstdio>
#include <cstring>

#include "options/export_dialog.h"
#include "shell/binding.h"
#include "shell/entry_points.h"
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

// An entry point that calls the host sets a guard of its own: a host entry
// that stays missing ends the entry point, not the host.
template <typename Work>
int Guarded(int abandonedResult, Work work)
{
    HostCallGuard guard{};
    guard.outer = g_hostCallGuard;
    g_hostCallGuard = &guard;
    int result = abandonedResult;
    if (setjmp(guard.where) == 0)
        result = work();
    g_hostCallGuard = guard.outer;
    return result;
}

void InstallNotice()
{
    int32_t value = 0;
    const int status = static_cast<int16_t>(
        HostIniAccess(kIniFileName, kIniRead, kIniSection, kIniKeyAsk, "%d", &value));
    if (status != 0)
        value = 0;
    else if ((value & 0xFFFF) != 0)
        return;

    char text[128];
    std::snprintf(text, sizeof text, kMsgInstalled.c_str(), kPluginName.c_str());
    // The host's flag is the variable's low 16 bits.
    int16_t flag = static_cast<int16_t>(value);
    HostNotice(kNoticeKind, &flag, 0, text);
    HostIniAccess(kIniFileName, kIniWrite, kIniSection, kIniKeyAsk, "%d", static_cast<int>(flag));
}

} // namespace

const PluginDescriptor* PluginDescriptorRecord() { return &g_descriptor; }

extern "C" int HOST_CONV_STDCALL PluginQuery(void* hostProcedure, char* nameBuffer)
{
    return Guarded(-1, [&] {
        if (hostProcedure == nullptr) {
            HostReleaseCommand(static_cast<int>(kPluginCommand));
            return 0;
        }
        if (nameBuffer != nullptr)
            std::memcpy(nameBuffer, kPluginName.c_str(), std::strlen(kPluginName.c_str()) + 1);
        return HostInterfaceVersion() == kHostInterfaceNumber ? 0 : -1;
    });
}

extern "C" int HOST_CONV_STDCALL PluginLoad(int flag)
{
    Guarded(0, [&] {
        if (flag != 0) {
            HostMessageBoxF(kTitleVersionNotice, kMsgVersionMismatch, kVersionNoticeFlags, kPluginName.c_str(),
                            kPluginName.c_str());
            return 0;
        }
        HostRegisterPlugin(&g_descriptor);
        InstallNotice();
        return 0;
    });
    return 0;
}

extern "C" int HOST_CONV_CDECL PluginEntry30009(void) { return 0; }
