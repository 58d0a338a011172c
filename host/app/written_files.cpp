#include "host/app/written_files.h"

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

DirectorySnapshot SnapshotOf(const std::string& directory)
{
    DirectorySnapshot files;
    std::error_code ec;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fileError;
        if (!it->is_regular_file(fileError))
            continue;
        const auto time = it->last_write_time(fileError);
        const auto size = it->file_size(fileError);
        if (!fileError)
            files[it->path().filename().string()] = {time, size};
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
            written.push_back((fs::path(directory) / name).string());
    }
    for (const std::string& path : opened) {
        std::error_code ec;
        const fs::path parent = fs::path(path).parent_path();
        const bool here = fs::equivalent(parent.empty() ? fs::path(".") : parent, directory, ec);
        if (!here && fs::is_regular_file(path, ec))
            written.push_back(path);
    }
    std::sort(written.begin(), written.end());
    written.erase(std::unique(written.begin(), written.end()), written.end());
    return written;
}
