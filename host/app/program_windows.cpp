#include "host/app/program_windows.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "host/common/system_path.h"

Utf8CommandLine::Utf8CommandLine()
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return;
    for (int i = 0; i < count; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
        if (size > 0)
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), size, nullptr, nullptr);
        text.resize(std::strlen(text.c_str()));
        texts_.push_back(std::move(text));
    }
    LocalFree(wide);
    for (std::string& text : texts_)
        pointers_.push_back(text.data());
    if (!pointers_.empty())
        pointers_.push_back(nullptr);
}

std::string ProgramFilePath()
{
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return n > 0 && n < path.size() ? Utf8Text(path.c_str()) : std::string();
}

void UseUtf8Console() { SetConsoleOutputCP(CP_UTF8); }

void SetProcessVariable(const char* name, const char* value) { SetEnvironmentVariableA(name, value); }
