// Windows plug-in modules are DLLs whose entry points are looked up by their
// ordinal, as the original host does.
#include <windows.h>

#include "host/common/system_path.h"
#include "host/plugins/plugin_modules.h"

namespace {

std::string SystemError(DWORD code)
{
    // In UTF-16, then UTF-8 like every message of the host (the ANSI form
    // would print wrongly on a UTF-8 console).
    wchar_t text[256] = {};
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                   sizeof text / sizeof text[0], nullptr);
    text[n < sizeof text / sizeof text[0] ? n : sizeof text / sizeof text[0] - 1] = L'\0';
    std::string message = Utf8Text(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message.empty() ? "system error " + std::to_string(code) : message;
}

} // namespace

void* OpenPluginModule(const std::string& path, std::string* error)
{
    HMODULE module = LoadLibraryW(WideText(path).c_str());
    if (module == nullptr && error != nullptr)
        *error = SystemError(GetLastError());
    return reinterpret_cast<void*>(module);
}

void* PluginEntryByNumber(void* module, int number)
{
    return reinterpret_cast<void*>(
        GetProcAddress(static_cast<HMODULE>(module), MAKEINTRESOURCEA(static_cast<WORD>(number))));
}

void ClosePluginModule(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }

const char* PluginModuleExtension() { return ".dll"; }
