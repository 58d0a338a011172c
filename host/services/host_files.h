// The files of the host's file entries, as the rest of the host sees them.
#pragma once

#include <string>

// A bare file name (no directory part) in the data directory; a path as given.
std::string HostResolvePath(const char* path);

// Closes every file the plug-in left open; returns how many there were.
int HostCloseAllFiles();
// Files opened through HostOpenFile and not yet closed.
int HostOpenFileCount();
// Withdraws every file open for writing: what is written to it can no longer
// be trusted (the host failed while the plug-in wrote it), so closing it
// removes it.  Returns how many were not withdrawn before.  Allocates nothing.
int HostWithdrawFilesBeingWritten() noexcept;
