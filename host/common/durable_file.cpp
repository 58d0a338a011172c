#include "host/common/durable_file.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "host/common/system_path.h"

namespace {

inline constexpr int kTemporaryTries = 32;

unsigned UniqueNumber()
{
    static std::atomic<unsigned> calls{0};
    const auto now = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
#ifdef _WIN32
    const unsigned process = static_cast<unsigned>(GetCurrentProcessId());
#else
    const unsigned process = static_cast<unsigned>(getpid());
#endif
    return process * 2654435761u ^ static_cast<unsigned>(now) ^ static_cast<unsigned>(now >> 32) * 40503u ^
           ++calls * 97u;
}

#ifdef _WIN32
FileIdentity IdentityOfHandle(HANDLE handle)
{
    FileIdentity identity;
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &info)) {
        identity.device = info.dwVolumeSerialNumber;
        identity.number = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        identity.known = true;
    }
    return identity;
}

int ErrnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    default: return EIO;
    }
}
#else
FileIdentity IdentityOfStat(const struct stat& info)
{
    FileIdentity identity;
    identity.device = static_cast<std::uint64_t>(info.st_dev);
    identity.number = static_cast<std::uint64_t>(info.st_ino);
    identity.known = true;
    return identity;
}
#endif

} // namespace

FileIdentity IdentityOfPath(const std::string& path)
{
#ifdef _WIN32
    const HANDLE handle = CreateFileW(WideText(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const FileIdentity identity = IdentityOfHandle(handle);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return identity;
#else
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? IdentityOfStat(info) : FileIdentity{};
#endif
}

FileIdentity IdentityOfStream(std::FILE* stream)
{
    if (stream == nullptr)
        return {};
#ifdef _WIN32
    return IdentityOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))));
#else
    struct stat info {};
    return fstat(fileno(stream), &info) == 0 ? IdentityOfStat(info) : FileIdentity{};
#endif
}

std::intptr_t HoldFile(std::FILE* stream, const std::string& path)
{
#ifdef _WIN32
    (void)stream;
    const HANDLE handle = CreateFileW(WideText(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(handle);
#else
    (void)path;
    return stream == nullptr ? -1 : fcntl(fileno(stream), F_DUPFD_CLOEXEC, 0);
#endif
}

void ReleaseFile(std::intptr_t hold)
{
    if (hold == -1)
        return;
#ifdef _WIN32
    CloseHandle(reinterpret_cast<HANDLE>(hold));
#else
    close(static_cast<int>(hold));
#endif
}

std::string TemporaryPathBeside(const std::string& path)
{
    char number[16];
    std::snprintf(number, sizeof number, ".%08x", UniqueNumber());
    return path + number + ".tmp";
}

std::FILE* CreateTemporaryBeside(const std::string& path, const char* mode, std::string* temporary, int* error)
{
    *error = EEXIST;
    for (int attempt = 0; attempt < kTemporaryTries && *error == EEXIST; ++attempt) {
        *temporary = TemporaryPathBeside(path);
#ifdef _WIN32
        const HANDLE handle = CreateFileW(WideText(*temporary).c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            *error = ErrnoOf(GetLastError());
            continue;
        }
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle),
                                       std::strchr(mode, 'b') != nullptr ? _O_BINARY : _O_TEXT);
        if (fd < 0) {
            *error = errno;
            CloseHandle(handle);
            DeleteFileW(WideText(*temporary).c_str());
            return nullptr;
        }
        std::FILE* stream = _fdopen(fd, mode);
        if (stream == nullptr) {
            *error = errno;
            _close(fd);
            DeleteFileW(WideText(*temporary).c_str());
        }
        return stream;
#else
        const int fd = open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            *error = errno;
            continue;
        }
        std::FILE* stream = fdopen(fd, mode);
        if (stream == nullptr) {
            *error = errno;
            close(fd);
            unlink(temporary->c_str());
        }
        return stream;
#endif
    }
    temporary->clear();
    return nullptr;
}

bool FlushToDisk(std::FILE* stream, int* error)
{
    errno = 0;
    if (std::fflush(stream) != 0) {
        *error = errno;
        return false;
    }
#ifdef _WIN32
    if (!FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))))) {
        *error = ErrnoOf(GetLastError());
        return false;
    }
#else
    if (fsync(fileno(stream)) != 0) {
        *error = errno;
        return false;
    }
#endif
    return true;
}

bool ReplaceDurably(const std::string& from, const std::string& to, int* error)
{
#ifdef _WIN32
    if (!MoveFileExW(WideText(from).c_str(), WideText(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *error = ErrnoOf(GetLastError());
        return false;
    }
#else
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        *error = errno;
        return false;
    }
    // The move is made; a folder that cannot be flushed cannot undo it.
    // (Nothing here allocates: a file is closed and moved when memory is
    // short, too.)
    char folder[4096];
    const std::size_t slash = to.rfind('/');
    if (slash == std::string::npos)
        std::snprintf(folder, sizeof folder, ".");
    else if (slash == 0)
        std::snprintf(folder, sizeof folder, "/");
    else if (slash < sizeof folder)
        std::snprintf(folder, sizeof folder, "%.*s", static_cast<int>(slash), to.c_str());
    else
        return true;
    const int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
#endif
    return true;
}
