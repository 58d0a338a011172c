// A plug-in that breaks one promise of the host's contract, for the tests
// of the latitude host's checks (tomiva --host-latitude N).  Its menu entry
// "Naruszenie umowy" does what the environment variable TOMIVA_TEST_BREACH
// names:
//   line-buffer  formats a line one byte longer than the line buffer holds,
//                then hands the buffer to HostCopyField
//   slot         runs the options dialog over an object whose Validate slot
//                is an operation of its own
//   stack        (i386) nothing: its command handler removes 4 bytes of
//                arguments that the host never passed (a stdcall handler)
//   stack-residue  (i386) keeps no promise broken: its command handler
//                prints ESP modulo 16 at the host's call instruction
//                ("stack pointer at the call: 12 modulo 16")
//   conversion   converts a short text into a destination it says holds
//                15007 bytes, beyond the contract's 10005
//   block        writes into the last byte of a scan block it reserved
//                whole (where its own data would lie if it reserved less),
//                between HostScanOpen and HostScanNext
// Anything else: the command does nothing and returns 0.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "contract/dialog_base.h"
#include "contract/host_api.h"
#include "contract/host_protocol.h"
#include "contract/native_module.h"
#include "contract/plugin_descriptor.h"
#include "options/options_dialog_block.h"

#ifdef _WIN32
// Not <windows.h>: it defines CDECL, a word of the list of host entries.
extern "C" __declspec(dllimport) void* __stdcall GetModuleHandleA(const char* name);
extern "C" __declspec(dllimport) void* __stdcall GetProcAddress(void* module, const char* name);
#else
#include <dlfcn.h>
#endif

namespace {

void* HostEntry(int number)
{
#ifdef _WIN32
    // The entry by number: the number in place of the name.
    return GetProcAddress(GetModuleHandleA("TOMIVA"),
                          reinterpret_cast<const char*>(static_cast<uintptr_t>(static_cast<uint16_t>(number))));
#else
    const auto* host = static_cast<const NativeModule*>(dlsym(RTLD_DEFAULT, NATIVE_MODULE_SYMBOL_PREFIX "TOMIVA"));
    return host != nullptr ? host->lookupByNumber(number) : nullptr;
#endif
}

template <typename Function>
Function* Host(int number)
{
    return reinterpret_cast<Function*>(HostEntry(number));
}

bool Breach(const char* name)
{
    const char* breach = std::getenv("TOMIVA_TEST_BREACH");
    return breach != nullptr && std::strcmp(breach, name) == 0;
}

int HOST_CONV_THISCALL ValidateOfItsOwn(void* /*self*/) { return 1; }

int HOST_CONV_CDECL Command(void)
{
    if (Breach("line-buffer")) {
        char* line = Host<host_types::HostLineBuffer>(38400)();
        std::memset(line, 'x', kHostLineBufferSize);
        line[kHostLineBufferSize] = '\0'; // the NUL one byte past the buffer
        Host<host_types::HostCopyField>(52161)(line, "<ROOT>", kHostLineBufferSize - 1);
    } else if (Breach("slot")) {
        // The base's operations in their slots, as the host exports them,
        // but Validate.
        static const void* slots[kDialogSlotCount] = {};
#define HOST_ENTRY(number, name, conv, argc, result, params) \
    DIALOG_BASE_SLOT(conv, name, slots[kDialogSlot_##name] = HostEntry(number);)
#include "contract/host_entries.h"
#undef HOST_ENTRY
        slots[kDialogSlot_DlgValidate] = reinterpret_cast<const void*>(&ValidateOfItsOwn);
        WDialogBase object{};
        Host<host_types::WDialogBaseConstruct>(20902)(&object);
        object.vtable = slots;
        unsigned char record[258] = {};
        Host<host_types::HostRunDialog>(24007)(&object, ExportDialogTemplate(), 20021, record, 0);
        Host<host_types::WDialogBaseDestroy>(20903)(&object);
    } else if (Breach("conversion")) {
        static char destination[3 * kHostLineBufferSize + 1];
        Host<host_types::HostConvertText>(35387)(destination, sizeof destination, "x", -1, kCharsetHost,
                                                  kCharsetUtf8);
    } else if (Breach("block")) {
        unsigned char scan[kHostScanStateSize] = {};
        constexpr int kInvoices = 713;
        Host<host_types::HostScanOpen>(52278)(scan, 0, kInvoices, 0, 0, 0);
        scan[kHostScanStateSize - 1] ^= 0x01;
        Host<host_types::HostScanNext>(52279)(scan);
        Host<host_types::HostScanClose>(52281)(scan);
    }
    return 0;
}

// The handler of the "stack" breach: it takes an argument the host does not
// pass, and on i386 removes it on return.
int HOST_CONV_STDCALL CommandTakingAnArgument(int /*unused*/) { return 0; }

} // namespace

#if defined(_WIN32) && defined(__i386__)
// The handler of "stack-residue": ESP as the host's call left it, 4 above
// ESP at the call instruction, taken before any code of the compiler's.
extern "C" {
unsigned g_breachStackAtCall = 0;
int HOST_CONV_CDECL BreachCommandRecordingStack(void);
int HOST_CONV_CDECL BreachReportStack(void)
{
    std::fprintf(stderr, "stack pointer at the call: %u modulo 16\n", g_breachStackAtCall);
    std::fflush(stderr);
    return 0;
}
}
__asm__("    .text\n"
        "_BreachCommandRecordingStack:\n"
        "    leal 4(%esp), %eax\n"
        "    andl $15, %eax\n"
        "    movl %eax, _g_breachStackAtCall\n"
        "    jmp _BreachReportStack\n");
#endif

namespace {

PluginDescriptor g_descriptor{{0x00, 0x00, 0x08, 0x43}, "Naruszenie umowy", kPluginCommand + 1, &Command, {}};

} // namespace

extern "C" {

#ifdef _WIN32
#define BREACH_EXPORT
#else
#define BREACH_EXPORT __attribute__((visibility("default")))
#endif

BREACH_EXPORT int HOST_CONV_STDCALL PluginQuery(void* hostProcedure, char* nameBuffer)
{
    if (hostProcedure == nullptr)
        return 0;
    if (nameBuffer != nullptr)
        std::memcpy(nameBuffer, g_descriptor.name, std::strlen(g_descriptor.name) + 1);
    return Host<host_types::HostInterfaceVersion>(51594)() == kHostInterfaceNumber ? 0 : -1;
}

BREACH_EXPORT int HOST_CONV_STDCALL PluginLoad(int flag)
{
    if (flag != 0)
        return 0;
    if (Breach("stack"))
        g_descriptor.handler =
            reinterpret_cast<PluginHandler*>(reinterpret_cast<void*>(&CommandTakingAnArgument));
#if defined(_WIN32) && defined(__i386__)
    if (Breach("stack-residue"))
        g_descriptor.handler = &BreachCommandRecordingStack;
#endif
    Host<host_types::HostRegisterPlugin>(52081)(&g_descriptor);
    return 0;
}

#ifndef _WIN32
BREACH_EXPORT int Ordinal30001(void* hostProcedure, char* nameBuffer) { return PluginQuery(hostProcedure, nameBuffer); }
BREACH_EXPORT int Ordinal30008(int flag) { return PluginLoad(flag); }
#endif

} // extern "C"
