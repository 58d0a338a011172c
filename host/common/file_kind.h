// What a path names, for the host's refusals of anything but plain files:
// a FIFO or a device given as a firm, a settings file or an INI file would
// be waited on, or read, for ever.
#pragma once

#include <string>

enum class PathKind { Missing, Regular, Directory, Fifo, Socket, CharacterDevice, BlockDevice, Other };

// The kind of what the path (UTF-8) names (symbolic links followed).  Missing when
// nothing is there; Other when it cannot be told (the reason, errno's text,
// in *why when asked for).
PathKind KindOfPath(const std::string& path, std::string* why = nullptr);

// "a directory", "a FIFO (named pipe)", ...: what a message calls the kind.
const char* PathKindName(PathKind kind);

// The reason for a failed call in the words of the C library (errno).
std::string ErrnoText(int error);
