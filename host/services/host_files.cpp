// The host's file entries.  A handle is a host object around a C stream; the
// host keeps the set of open handles, so a null, closed or foreign handle is
// refused instead of crashing, and whatever the plug-in leaves open is closed
// when the host stops.
#include "host/services/host_files.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "host/common/durable_file.h"
#include "host/common/entry_guard.h"
#include "host/common/file_kind.h"
#include "host/common/system_path.h"
#include "host/host_entry_impl.h"
#include "host/services/host_latitude.h"
#include "host/services/host_messages.h"
#include "host/services/host_session.h"
#include "host/common/mazovia.h"

namespace {

const WrittenFileWatch*& Watch()
{
    static const WrittenFileWatch* watch = nullptr;
    return watch;
}

// The stream's buffer: the C library's default of a few kilobytes would
// make a large export one system call per few kilobytes.
inline constexpr std::size_t kStreamBufferSize = 256 * 1024;

struct HostFile {
    std::FILE* stream;
    std::string path;      // as opened
    bool writing;          // opened to write or append
    bool failed = false;   // a write, or the close, failed (told once)
    bool withdrawn = false; // the host failed while it was written: removed when closed
    std::unique_ptr<char[]> buffer{}; // the stream's; released after the stream is closed
    // Not empty: the file is written under this name, flushed and moved over
    // `path` when it is closed, and removed instead when it failed.
    std::string temporary{};
    // A plain file this open emptied: one whose close fails holds what
    // nobody can trust, and is removed.
    bool emptied = false;
    // The host with text-mode files: a file opened to write with "t" ends
    // with a ^Z, and (natively, where the C library does not) has each "\n"
    // written as CR LF.
    bool textMode = false;
};

// Writes n bytes of the plug-in's as the file's mode writes them; true when
// all of them reached the stream.
bool PutBytes(HostFile* file, const char* bytes, std::size_t n)
{
#ifndef _WIN32
    if (file->textMode) {
        while (n > 0) {
            const char* end = static_cast<const char*>(std::memchr(bytes, '\n', n));
            const std::size_t run = end != nullptr ? static_cast<std::size_t>(end - bytes) : n;
            if (std::fwrite(bytes, 1, run, file->stream) != run)
                return false;
            if (end == nullptr)
                break;
            if (std::fwrite("\r\n", 1, 2, file->stream) != 2)
                return false;
            bytes += run + 1;
            n -= run + 1;
        }
        return true;
    }
#endif
    return std::fwrite(bytes, 1, n, file->stream) == n;
}

// A write that did not reach the file: the user is told why, once per file,
// and the command is marked as failed.
void WriteFailed(HostFile* file, int error, const char* what)
{
    if (file->failed)
        return;
    file->failed = true;
    HostEntryGuard(0, [&] {
        const std::string text = what + (" " + file->path) + " failed: " + ErrnoText(error);
        HostNote(text);
        HostRecordFailure(HostFailureKind::FileIncomplete, text);
        return 0;
    });
}

// Closes the stream; a withdrawn file is removed.  A file written under a
// temporary name is flushed to the disk and then moved into place, or
// removed when anything failed, its earlier file kept.  True when the file
// was flushed and stands.
bool CloseAndForget(HostFile* closing) noexcept
{
    const std::unique_ptr<HostFile> file(closing);
    int error = 0;
    bool flushed = true;
    // A text-mode run-time ends the file with a ^Z when it closes it.
    if (file->textMode && !file->withdrawn && std::fputc(kTextModeEndOfFile, file->stream) == EOF) {
        flushed = false;
        error = errno;
    }
    if (!file->temporary.empty() && !file->withdrawn && flushed)
        flushed = FlushToDisk(file->stream, &error);
    errno = 0;
    if (std::fclose(file->stream) != 0 && flushed) {
        flushed = false;
        error = errno;
    }
    if (!flushed && file->writing)
        WriteFailed(file.get(), error, "closing");
    if (file->writing && Watch() != nullptr)
        Watch()->closed(file.get());
    bool stands = flushed && !file->withdrawn;
    // The system's calls below may need memory of their own on Windows (the
    // wide form of a path): none of it may leave a host entry.
    try {
        if (!file->temporary.empty()) {
            if (stands && !ReplaceDurably(file->temporary, file->path, &error)) {
                WriteFailed(file.get(), error, "moving into place");
                stands = false;
            }
            if (!stands)
                RemoveSystemFile(file->temporary);
        } else if (file->withdrawn || (!flushed && file->emptied)) {
            RemoveSystemFile(file->path);
        }
    } catch (...) {
        WriteFailed(file.get(), ENOMEM, "moving into place");
        stands = false;
    }
    return stands;
}

std::unordered_set<HostFile*>& OpenFiles()
{
    static std::unordered_set<HostFile*> files;
    return files;
}

std::FILE* StreamOf(void* handle)
{
    HostFile* file = static_cast<HostFile*>(handle);
    if (file == nullptr || OpenFiles().count(file) == 0)
        return nullptr;
    return file->stream;
}

// The host's modes are the C library's: r, w or a, then + and b, with t for
// text.  Text and binary differ only on Windows, where t stays.
bool StreamMode(const char* mode, char* out, std::size_t outSize)
{
    if (mode == nullptr || mode[0] == '\0' || std::strchr("rwa", mode[0]) == nullptr)
        return false;
    std::size_t n = 0;
    out[n++] = mode[0];
    for (const char* p = mode + 1; *p != '\0'; ++p) {
        if (std::strchr("+bt", *p) == nullptr || n + 1 >= outSize)
            return false;
#ifndef _WIN32
        if (*p == 't')
            continue;
#endif
        out[n++] = *p;
    }
    out[n] = '\0';
    return true;
}

bool IsSeparator(char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

bool IsBareName(const char* path)
{
#ifdef _WIN32
    return std::strpbrk(path, "/\\:") == nullptr;
#else
    return std::strchr(path, '/') == nullptr;
#endif
}

#ifdef _WIN32
// What keeps a file from being written under this name: a link or junction
// at the name, or a file of more than one name; "" for a plain file.
std::string LinkAtName(const std::string& path)
{
    const HANDLE handle = CreateFileW(WideText(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return {};
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (known && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return "it is a symbolic link, which is not written through";
    if (known && info.nNumberOfLinks > 1)
        return "it has another name (a hard link), whose file is not written through";
    return {};
}
#endif

} // namespace

std::FILE* OpenHostStream(const std::string& path, const char* mode, std::string* why)
{
    const bool reading = mode[0] == 'r';
    // What the host refuses, and why: a file to read must be a plain file (a
    // FIFO would be waited on, a device read for ever); a file to write may
    // also be a character device (/dev/null, /dev/full), but no FIFO or
    // socket (waited on) and no directory or disk.
    auto refused = [reading](PathKind kind) {
        if (kind == PathKind::Regular)
            return false;
        return reading || kind != PathKind::CharacterDevice;
    };
    auto refusal = [](PathKind kind) { return std::string("it is ") + PathKindName(kind) + ", not a file"; };
#ifdef _WIN32
    const PathKind kind = KindOfPath(path);
    if (kind != PathKind::Missing && kind != PathKind::Other && refused(kind)) {
        *why = refusal(kind);
        return nullptr;
    }
    if (!reading && kind != PathKind::Missing) {
        const std::string link = LinkAtName(path);
        if (!link.empty()) {
            *why = link;
            return nullptr;
        }
    }
    errno = 0;
    std::FILE* stream = OpenSystemFile(path, mode);
    if (stream == nullptr)
        *why = ErrnoText(errno);
    return stream;
#else
    int flags = std::strchr(mode, '+') != nullptr ? O_RDWR : reading ? O_RDONLY : O_WRONLY;
    // A file to write is never reached through a link: the name itself must
    // be the file (O_NOFOLLOW), and it is emptied only once it is known to
    // be a plain file of one name.
    if (mode[0] == 'w')
        flags |= O_CREAT | O_NOFOLLOW;
    if (mode[0] == 'a')
        flags |= O_CREAT | O_APPEND | O_NOFOLLOW;
    // Without O_NONBLOCK, opening a FIFO waits for its other end.
    const int fd = open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        const PathKind kind = KindOfPath(path);
        *why = error == ENXIO && refused(kind)  ? refusal(kind)
               : error == ELOOP && !reading     ? std::string("it is a symbolic link, which is not written through")
                                                : ErrnoText(error);
        return nullptr;
    }
    struct stat info {};
    PathKind kind = PathKind::Other;
    if (fstat(fd, &info) == 0)
        kind = S_ISREG(info.st_mode)    ? PathKind::Regular
               : S_ISDIR(info.st_mode)  ? PathKind::Directory
               : S_ISCHR(info.st_mode)  ? PathKind::CharacterDevice
               : S_ISFIFO(info.st_mode) ? PathKind::Fifo
               : S_ISSOCK(info.st_mode) ? PathKind::Socket
               : S_ISBLK(info.st_mode)  ? PathKind::BlockDevice
                                        : PathKind::Other;
    if (refused(kind)) {
        close(fd);
        *why = refusal(kind);
        return nullptr;
    }
    if (!reading && kind == PathKind::Regular && info.st_nlink > 1) {
        close(fd);
        *why = "it has another name (a hard link), whose file is not written through";
        return nullptr;
    }
    if (mode[0] == 'w' && kind == PathKind::Regular && ftruncate(fd, 0) != 0) {
        *why = ErrnoText(errno);
        close(fd);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* stream = fdopen(fd, mode);
    if (stream == nullptr) {
        *why = ErrnoText(errno);
        close(fd);
    }
    return stream;
#endif
}

// Where a bare name lives is the host's choice: the data directory, or the
// folder of its own that the host with latitude keeps (HostStart makes it).
std::string HostResolvePath(const char* path)
{
    if (path == nullptr)
        return {};
    // The plug-in's path is host text; the system's is UTF-8.
    const std::string system = MazoviaToUtf8(path);
    if (!IsBareName(path))
        return system;
    std::string full = HostState().bareNameDirectory;
    if (!full.empty() && !IsSeparator(full.back()))
        full += '/';
    return full + system;
}

int HostCloseAllFiles()
{
    int closed = 0;
    for (HostFile* file : OpenFiles()) {
        CloseAndForget(file);
        ++closed;
    }
    OpenFiles().clear();
    return closed;
}

void HostWatchWrittenFiles(const WrittenFileWatch* watch) { Watch() = watch; }

int HostOpenFileCount() { return static_cast<int>(OpenFiles().size()); }

int HostWithdrawFilesBeingWritten() noexcept
{
    int withdrawn = 0;
    for (HostFile* file : OpenFiles())
        if (file->writing && !file->withdrawn) {
            file->withdrawn = true;
            ++withdrawn;
        }
    return withdrawn;
}

namespace tomiva {

// share (kOpenShareDenyNone), reserved and access (kOpenAccessDefault) pick
// sharing and rights of the original host's files; one process alone uses
// these files here.  A file that cannot be opened is null, and the host says
// why on its own line before the plug-in says anything.
void* HOST_CONV_STDCALL HostOpenFile(const char* path, const char* mode, int /*share*/, int /*reserved*/,
                                     int /*access*/)
{
    LatitudeEntered();
    return HostEntryGuard<void*>(nullptr, [&]() -> void* {
        char streamMode[8];
        if (path == nullptr || path[0] == '\0' || !StreamMode(mode, streamMode, sizeof streamMode))
            return nullptr;
        const bool writing = streamMode[0] == 'w' || streamMode[0] == 'a';
        // Everything that needs memory comes before the file is opened: "w"
        // empties a file at once, and a handle the host then failed to
        // make would leave it so with nobody to tell.
        auto file = std::make_unique<HostFile>(HostFile{nullptr, HostResolvePath(path), writing});
        file->buffer.reset(new char[kStreamBufferSize]);
        std::vector<HostSession::WrittenFile>& filesWritten = HostState().filesWritten;
        HostSession::WrittenFile written{writing ? file->path : std::string(), {}};
        if (writing)
            filesWritten.reserve(filesWritten.size() + 1);
        OpenFiles().insert(file.get());
        // Until it is handed out, the handle leaves the set again on every
        // way out, a thrown one included, before it is freed.
        struct Unlisted {
            HostFile* file;
            ~Unlisted()
            {
                if (file != nullptr)
                    OpenFiles().erase(file);
            }
        } unlisted{file.get()};
        auto refuse = [&](const std::string& why) -> void* {
            const std::string text =
                "cannot open " + file->path + (writing ? " for writing: " : " for reading: ") + why;
            HostNote(text);
            if (writing)
                HostRecordFailure(HostFailureKind::FileIncomplete, text);
            return nullptr;
        };
        std::string why;
        // The firm is read, never written: not under any of its names.
        if (writing && IdentityOfPath(file->path) == HostState().firm)
            return refuse("it is the firm database");
        // A bare name emptied and written whole (the settings file): written
        // under a new name of its own and moved into place when it is
        // closed, so that the name holds the earlier file or the whole new
        // one, never a part, whoever else writes it.  A device stays a
        // device: it is written as it is.
        const PathKind kind = writing && IsBareName(path) && streamMode[0] == 'w' && std::strchr(streamMode, '+') == nullptr
                                  ? KindOfPath(file->path)
                                  : PathKind::CharacterDevice;
        errno = 0;
        if (kind == PathKind::Missing || kind == PathKind::Regular) {
            int error = 0;
            file->stream = CreateTemporaryBeside(file->path, streamMode, &file->temporary, &error);
            if (file->stream == nullptr)
                why = ErrnoText(error);
            errno = error;
        } else if (kind != PathKind::CharacterDevice && kind != PathKind::Other) {
            why = std::string("it is ") + PathKindName(kind) + ", not a file";
        } else {
            file->stream = OpenHostStream(file->path, streamMode, &why);
        }
        if (file->stream == nullptr) {
            // The C library's own shortage is the host's to tell, as any other.
            if (errno == ENOMEM)
                ReportEntryFailure(EntryFailure::Memory);
            return refuse(why);
        }
        std::setvbuf(file->stream, file->buffer.get(), _IOFBF, kStreamBufferSize);
        file->textMode = writing && std::strchr(mode, 't') != nullptr && LatitudeHas(LatitudeVariation::TextModeFiles);
        if (writing) {
            file->emptied = streamMode[0] == 'w' && file->temporary.empty() && KindOfPath(file->path) == PathKind::Regular;
            written.identity = IdentityOfStream(file->stream);
            written.hold = HoldFile(file->stream, file->temporary.empty() ? file->path : file->temporary);
            filesWritten.push_back(std::move(written)); // room reserved: nothing to allocate
            if (Watch() != nullptr)
                Watch()->opened(file.get(), file->temporary.empty() ? file->path : file->temporary);
        }
        // The set holds it now: closed by HostCloseFile or at stop.
        unlisted.file = nullptr;
        return file.release();
    });
}

int HOST_CONV_STDCALL HostCloseFile(void* handle)
{
    LatitudeEntered();
    HostFile* file = static_cast<HostFile*>(handle);
    if (StreamOf(file) == nullptr)
        return 0;
    OpenFiles().erase(file);
    return LatitudeUnused(CloseAndForget(file) ? 1 : 0);
}

int HOST_CONV_STDCALL HostReadFile(void* buffer, int size, int count, void* handle)
{
    LatitudeEntered();
    std::FILE* stream = StreamOf(handle);
    if (stream == nullptr || buffer == nullptr || size <= 0 || count <= 0)
        return 0;
    errno = 0;
    const std::size_t read =
        std::fread(buffer, static_cast<std::size_t>(size), static_cast<std::size_t>(count), stream);
    if (read < static_cast<std::size_t>(count) && std::ferror(stream) != 0) {
        const int error = errno;
        HostEntryGuard(0, [&] {
            HostNote("reading " + static_cast<HostFile*>(handle)->path + " failed: " + ErrnoText(error));
            return 0;
        });
    }
    return static_cast<int>(read);
}

int HOST_CONV_STDCALL HostWriteFile(const void* buffer, int size, int count, void* handle)
{
    LatitudeEntered();
    std::FILE* stream = StreamOf(handle);
    if (stream == nullptr || buffer == nullptr || size <= 0 || count <= 0)
        return 0;
    errno = 0;
    HostFile* file = static_cast<HostFile*>(handle);
    const std::size_t written =
        !file->textMode ? std::fwrite(buffer, static_cast<std::size_t>(size), static_cast<std::size_t>(count), stream)
        : PutBytes(file, static_cast<const char*>(buffer), static_cast<std::size_t>(size) * static_cast<std::size_t>(count))
            ? static_cast<std::size_t>(count)
            : 0;
    if (written < static_cast<std::size_t>(count))
        WriteFailed(static_cast<HostFile*>(handle), errno, "writing");
    return LatitudeUnused(static_cast<int>(written));
}

int HOST_CONV_CDECL HostFilePrintf(void* handle, const char* format, ...)
{
    LatitudeEntered();
    std::FILE* stream = StreamOf(handle);
    if (stream == nullptr || format == nullptr)
        return -1;
    HostFile* file = static_cast<HostFile*>(handle);
    va_list args;
    va_start(args, format);
    int written;
    if (std::strcmp(format, "%s\n") == 0) {
        // Every line of an export comes this way: skip the format parser.
        const char* text = va_arg(args, const char*);
        const std::size_t length = std::strlen(text);
        LatitudeCheckPrintedText(length);
        errno = 0;
        written = PutBytes(file, text, length) && PutBytes(file, "\n", 1) ? static_cast<int>(length) + 1 : -1;
    } else if (!file->textMode) {
        errno = 0;
        written = std::vfprintf(stream, format, args);
        // The text with its line end.
        LatitudeCheckPrintedText(written > 0 ? static_cast<std::size_t>(written) - 1 : 0);
    } else {
        // Formatted first, then written as the text mode writes it.
        va_list again;
        va_copy(again, args);
        const int length = std::vsnprintf(nullptr, 0, format, again);
        va_end(again);
        const std::unique_ptr<char, decltype(&std::free)> text(
            length >= 0 ? static_cast<char*>(std::malloc(static_cast<std::size_t>(length) + 1)) : nullptr, &std::free);
        errno = 0;
        written = text != nullptr && std::vsnprintf(text.get(), static_cast<std::size_t>(length) + 1, format, args) == length &&
                          PutBytes(file, text.get(), static_cast<std::size_t>(length))
                      ? length
                      : -1;
        LatitudeCheckPrintedText(length > 0 ? static_cast<std::size_t>(length) - 1 : 0);
    }
    va_end(args);
    if (written < 0)
        WriteFailed(static_cast<HostFile*>(handle), errno, "writing");
    LatitudeCheckGuards("after HostFilePrintf (52541)");
    return LatitudeNonNegative(written);
}

// The directory as host text (Mazovia), as the plug-in takes every text;
// the host with latitude hands it out in a buffer with its pattern behind.
const char* HOST_CONV_STDCALL HostDataDirectory(void)
{
    LatitudeEntered();
    if (LatitudeOn())
        return LatitudeDataDirectoryText(HostState().dataDirectoryText);
    return HostState().dataDirectoryText.c_str();
}

// The caller guarantees room in path for a separator, the name and the NUL;
// the entry has no size to check against.
int HOST_CONV_STDCALL HostAppendPath(char* path, const char* name)
{
    LatitudeEntered();
    if (path == nullptr || name == nullptr)
        return 0;
    std::size_t length = std::strlen(path);
    if (length > 0 && !IsSeparator(path[length - 1])) {
        path[length++] = '/';
        path[length] = '\0';
    }
    std::memcpy(path + length, name, std::strlen(name) + 1);
    return LatitudeUnused(1);
}

} // namespace tomiva
