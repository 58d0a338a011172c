#include "host/common/system_path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#endif

#include <cstdio>

std::filesystem::path SystemPath(const std::string& utf8)
{
    // A path made from a narrow string reads it in the ANSI code page on
    // Windows; from char8_t it is read as UTF-8 everywhere.
    return std::filesystem::path(reinterpret_cast<const char8_t*>(utf8.data()),
                                 reinterpret_cast<const char8_t*>(utf8.data() + utf8.size()));
}

std::string Utf8Path(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

#ifdef _WIN32

std::wstring WideText(const std::string& utf8)
{
    if (utf8.empty())
        return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(size > 0 ? static_cast<std::size_t>(size) : 0, L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return wide;
}

std::string Utf8Text(const wchar_t* wide)
{
    if (wide == nullptr || *wide == L'\0')
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
    text.resize(size > 0 ? static_cast<std::size_t>(size) - 1 : 0);
    return text;
}

std::FILE* OpenSystemFile(const std::string& utf8, const char* mode)
{
    return _wfopen(WideText(utf8).c_str(), WideText(mode).c_str());
}

int RemoveSystemFile(const std::string& utf8) { return _wremove(WideText(utf8).c_str()); }

#else

std::FILE* OpenSystemFile(const std::string& utf8, const char* mode) { return std::fopen(utf8.c_str(), mode); }

int RemoveSystemFile(const std::string& utf8) { return std::remove(utf8.c_str()); }

#endif

// Not through std::filesystem's iterator: memory that runs short inside it
// ends the program (it allocates where it may not throw); here a shortage is
// an exception like any other.
std::vector<std::string> NamesInFolder(const std::string& directory)
{
    std::vector<std::string> names;
#ifdef _WIN32
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(WideText(directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    try {
        do
            names.push_back(Utf8Text(found.cFileName));
        while (FindNextFileW(search, &found));
    } catch (...) {
        FindClose(search);
        throw;
    }
    FindClose(search);
#else
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr)
        return names;
    try {
        while (const dirent* entry = readdir(dir))
            names.emplace_back(entry->d_name);
    } catch (...) {
        closedir(dir);
        throw;
    }
    closedir(dir);
#endif
    return names;
}

