#include "host/common/file_kind.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "host/common/system_path.h"

PathKind KindOfPath(const std::string& path, std::string* why)
{
#ifdef _WIN32
    struct _stat64 info {};
    if (_wstat64(WideText(path).c_str(), &info) != 0) {
#else
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
#endif
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return PathKind::Missing;
        if (why != nullptr)
            *why = ErrnoText(error);
        return PathKind::Other;
    }
    const auto mode = info.st_mode;
    if (S_ISREG(mode))
        return PathKind::Regular;
    if (S_ISDIR(mode))
        return PathKind::Directory;
    if (S_ISCHR(mode))
        return PathKind::CharacterDevice;
#ifndef _WIN32
    if (S_ISFIFO(mode))
        return PathKind::Fifo;
    if (S_ISSOCK(mode))
        return PathKind::Socket;
    if (S_ISBLK(mode))
        return PathKind::BlockDevice;
#endif
    return PathKind::Other;
}

const char* PathKindName(PathKind kind)
{
    switch (kind) {
    case PathKind::Missing:
        return "nothing";
    case PathKind::Regular:
        return "a file";
    case PathKind::Directory:
        return "a directory";
    case PathKind::Fifo:
        return "a FIFO (named pipe)";
    case PathKind::Socket:
        return "a socket";
    case PathKind::CharacterDevice:
        return "a character device";
    case PathKind::BlockDevice:
        return "a block device";
    case PathKind::Other:
        break;
    }
    return "not a plain file";
}

std::string ErrnoText(int error)
{
    const char* text = std::strerror(error);
    return text != nullptr ? text : "error " + std::to_string(error);
}
