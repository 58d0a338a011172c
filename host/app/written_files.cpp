#include "host/app/written_files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#endif

#include <algorithm>
#include <system_error>

#include "host/common/system_path.h"

namespace fs = std::filesystem;

namespace {

// The names in a directory.  Not through std::filesystem's iterator: memory
// that runs short inside it ends the program (it allocates where it may not
// throw); here a shortage is an exception like any other.
std::vector<std::string> NamesIn(const std::string& directory)
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

} // namespace

DirectorySnapshot SnapshotOf(const std::string& directory)
{
    DirectorySnapshot files;
    for (const std::string& name : NamesIn(directory)) {
        const fs::path path = SystemPath(directory) / SystemPath(name);
        std::error_code fileError;
        if (!fs::is_regular_file(path, fileError))
            continue;
        const auto time = fs::last_write_time(path, fileError);
        const auto size = fs::file_size(path, fileError);
        if (!fileError)
            files[name] = {time, size};
    }
    return files;
}

std::vector<std::string> FilesWrittenSince(const DirectorySnapshot& before, const std::string& directory,
                                           const std::vector<std::string>& opened)
{
    std::vector<std::string> written;
    for (const auto& [name, stamp] : SnapshotOf(directory)) {
        const auto old = before.find(name);
        if (old == before.end() || old->second.time != stamp.time || old->second.size != stamp.size)
            written.push_back(Utf8Path(SystemPath(directory) / SystemPath(name)));
    }
    for (const std::string& path : opened) {
        std::error_code ec;
        const fs::path parent = SystemPath(path).parent_path();
        const bool here = fs::equivalent(parent.empty() ? fs::path(".") : parent, SystemPath(directory), ec);
        if (!here && fs::is_regular_file(SystemPath(path), ec))
            written.push_back(path);
    }
    std::sort(written.begin(), written.end());
    written.erase(std::unique(written.begin(), written.end()), written.end());
    return written;
}
