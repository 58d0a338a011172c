// The files of the host's file entries, as the rest of the host sees them.
#pragma once

#include <cstdio>
#include <string>

// The system's path (UTF-8) of a path or file name that the plug-in hands
// the host's file entries as host text (Mazovia): a bare file name (no
// directory part) in the data directory, any other path as given.  Every
// file entry resolves its name here and nowhere else.
std::string HostResolvePath(const char* path);

// Opens a file (a UTF-8 path) as the host's file entries do (mode as fopen's): a file to
// read must be a plain file, a file to write a plain file or a character
// device; a FIFO is refused at once, never waited on.  Null, with the reason
// in *why, when the file cannot be opened.
std::FILE* OpenHostStream(const std::string& path, const char* mode, std::string* why);

// Closes every file the plug-in left open (a failed close marks the
// command as failed); returns how many there were.
int HostCloseAllFiles();
// Files opened through HostOpenFile and not yet closed.
int HostOpenFileCount();
// Withdraws every file open for writing: what is written to it can no longer
// be trusted (the host failed while the plug-in wrote it), so closing it
// removes it.  Returns how many were not withdrawn before.  Allocates nothing.
int HostWithdrawFilesBeingWritten() noexcept;

// Who is told of the files the plug-in writes (the host's check of them
// reads each beside its writer): after a file is opened for writing and
// after it is closed, on the host's thread.  Null: nobody.
struct WrittenFileWatch {
    void (*opened)(const void* file, const std::string& path) noexcept;
    void (*closed)(const void* file) noexcept;
};
void HostWatchWrittenFiles(const WrittenFileWatch* watch);
