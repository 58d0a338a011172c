// Files the host writes so that a reader never sees half of one: a new file
// created exclusively under a temporary name beside the final one (never
// through a link or another file at that name), flushed to the disk, then
// moved over the final name in one step with the folder flushed after it.
// And what tells one file from another whatever its name: its identity.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Device and number natively; volume serial and file index on Windows.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t number = 0;
    bool known = false;

    bool operator==(const FileIdentity& other) const
    {
        return known && other.known && device == other.device && number == other.number;
    }
};

// The identity of the file that the path (UTF-8) names, links followed;
// unknown when nothing is there or it cannot be told.
FileIdentity IdentityOfPath(const std::string& path);
// The identity of an open stream's file.
FileIdentity IdentityOfStream(std::FILE* stream);

// Holds the file of an open stream (path: its name now) open on its own
// until released, so that its identity cannot pass to another file while the
// host still looks for it: a descriptor natively, a handle that shares
// reading, writing and removal on Windows.  -1 when it cannot.
std::intptr_t HoldFile(std::FILE* stream, const std::string& path);
void ReleaseFile(std::intptr_t hold);

// A name beside `path` for its temporary file: "path.XXXXXXXX.tmp".
std::string TemporaryPathBeside(const std::string& path);

// Creates a new file at a temporary name beside `path` and opens it to write
// (mode as fopen's, "w..."); *temporary is the name it got.  Null, with
// errno's value in *error, when none can be created.
std::FILE* CreateTemporaryBeside(const std::string& path, const char* mode, std::string* temporary, int* error);

// Writes what the stream buffers and flushes the file to the disk (fsync,
// FlushFileBuffers).  False, with errno's value in *error, when it cannot.
bool FlushToDisk(std::FILE* stream, int* error);

// Moves `from` over `to` in one step, both in one folder, then flushes the
// folder (natively; MOVEFILE_WRITE_THROUGH on Windows).  False, with the
// reason's errno value in *error, and both as they were, when it cannot.
bool ReplaceDurably(const std::string& from, const std::string& to, int* error);
