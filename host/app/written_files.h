// Which files a command wrote.  The plug-in may write a file under another
// name and move it into place, which the host does not see, so the host
// compares the data directory before and after the command, and adds the
// files the plug-in opened for writing elsewhere.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

struct FileStamp {
    std::filesystem::file_time_type time;
    std::uintmax_t size;
};
// The plain files of a directory by name (paths and names in UTF-8).
using DirectorySnapshot = std::map<std::string, FileStamp>;

DirectorySnapshot SnapshotOf(const std::string& directory);

// The files, as paths, of the directory that are new or changed since the
// snapshot, and those of `opened` (paths opened for writing) that lie
// elsewhere and still exist; each once, by path.
std::vector<std::string> FilesWrittenSince(const DirectorySnapshot& before, const std::string& directory,
                                           const std::vector<std::string>& opened);
