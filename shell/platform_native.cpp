// Platform layer of the native build: modules are found by an exported
// NativeModule symbol, the system's message box is the terminal, files are
// replaced and removed by the C library under their UTF-8 names.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "contract/host_protocol.h"
#include "contract/native_module.h"
#include "shell/platform.h"
#include "shell/platform_prompt.h"

PlatformModule PlatformFindModule(const char* name)
{
    char symbol[128];
    std::snprintf(symbol, sizeof symbol, "%s%s", NATIVE_MODULE_SYMBOL_PREFIX, name);
    return dlsym(RTLD_DEFAULT, symbol);
}

void* PlatformLookupByNumber(PlatformModule module, int number)
{
    if (module == nullptr)
        return nullptr;
    return static_cast<const NativeModule*>(module)->lookupByNumber(number);
}

bool PlatformModuleFileName(PlatformModule, char* buffer, int size)
{
    Dl_info info{};
    if (size <= 0 || dladdr(reinterpret_cast<void*>(&PlatformModuleFileName), &info) == 0 ||
        info.dli_fname == nullptr)
        return false;
    // A path longer than the buffer is given cut short.
    PlatformHostText(info.dli_fname, buffer, size);
    return info.dli_fname[0] != '\0';
}

bool PlatformReplaceFile(const char* from, const char* to)
{
    char systemFrom[kPlatformPathSize], systemTo[kPlatformPathSize];
    if (!PlatformSystemPath(from, systemFrom, sizeof systemFrom) || !PlatformSystemPath(to, systemTo, sizeof systemTo))
        return false;
    // rename(2) replaces an existing target atomically within one file system.
    return std::rename(systemFrom, systemTo) == 0;
}

void PlatformNoFile(PlatformNewFile* file)
{
    file->descriptor = -1;
    file->open = false;
    file->basis = PlatformIdentityBasis{};
}

namespace {

PlatformFileFacts FactsOf(const struct stat& info)
{
    PlatformFileFacts facts{};
    facts.plain = S_ISREG(info.st_mode);
    facts.volume = static_cast<uint64_t>(info.st_dev);
    facts.index = static_cast<uint64_t>(info.st_ino);
    facts.links = static_cast<uint32_t>(info.st_nlink);
    facts.size = static_cast<uint64_t>(info.st_size);
    return facts;
}

// The digest of the file's last bytes; false when they cannot be read.
bool ReadTail(int fd, PlatformFileFacts* facts)
{
    unsigned char bytes[kPlatformTailBytes];
    const uint64_t want = facts->size < kPlatformTailBytes ? facts->size : kPlatformTailBytes;
    const ssize_t got = pread(fd, bytes, static_cast<std::size_t>(want), static_cast<off_t>(facts->size - want));
    if (got != static_cast<ssize_t>(want))
        return false;
    facts->tail = PlatformTailDigest(bytes, static_cast<int>(want));
    return true;
}

} // namespace

PlatformCreated PlatformCreateNewFile(const char* path, PlatformNewFile* file)
{
    PlatformNoFile(file);
    char systemPath[kPlatformPathSize];
    if (!PlatformSystemPath(path, systemPath, sizeof systemPath))
        return PlatformCreated::Failed;
    // O_EXCL with O_CREAT never follows a link at the name, dangling or not.
    const int fd = open(systemPath, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno == EEXIST ? PlatformCreated::Taken : PlatformCreated::Failed;
    file->descriptor = fd;
    file->open = true;
    // What the file system gives: the name surely names the file now.
    struct stat held {}, named {};
    if (fstat(fd, &held) == 0 && lstat(systemPath, &named) == 0)
        file->basis = PlatformLearnIdentity(FactsOf(held), FactsOf(named));
    else
        file->basis = PlatformIdentityBasis{false, 1};
    return PlatformCreated::New;
}

unsigned PlatformUniqueNumber()
{
    static unsigned calls = 0;
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<unsigned>(getpid()) * 2654435761u ^ static_cast<unsigned>(now.tv_nsec) ^
           static_cast<unsigned>(now.tv_sec) * 40503u ^ ++calls * 97u;
}

namespace {

void CloseNewFile(PlatformNewFile* file)
{
    if (file->open)
        close(file->descriptor);
    PlatformNoFile(file);
}

// The name still names the file held open, a plain file of that one name.
bool NamesHeldFile(const PlatformNewFile* file, const char* systemPath)
{
    struct stat heldInfo {}, namedInfo {};
    if (!file->open || fstat(file->descriptor, &heldInfo) != 0 || lstat(systemPath, &namedInfo) != 0)
        return false;
    PlatformFileFacts held = FactsOf(heldInfo), named = FactsOf(namedInfo);
    if (!file->basis.stable && named.plain) {
        // Without an identity, the contents decide: the name's own file read
        // (never through a link, never waiting on a FIFO put there since).
        const int fd = open(systemPath, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return false;
        struct stat opened {};
        const bool read = fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
                          (named = FactsOf(opened), ReadTail(fd, &named)) && ReadTail(file->descriptor, &held);
        close(fd);
        if (!read)
            return false;
    }
    return PlatformSameFile(file->basis, held, named);
}

// Flushes the folder that holds the path, so that a name just moved into it
// survives a loss of power.
bool FlushFolderOf(const char* systemPath)
{
    char folder[kPlatformPathSize];
    const char* slash = std::strrchr(systemPath, '/');
    if (slash == nullptr)
        std::snprintf(folder, sizeof folder, ".");
    else if (slash == systemPath)
        std::snprintf(folder, sizeof folder, "/");
    else
        std::snprintf(folder, sizeof folder, "%.*s", static_cast<int>(slash - systemPath), systemPath);
    const int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool flushed = fsync(fd) == 0;
    close(fd);
    return flushed;
}

} // namespace

PlatformCommit PlatformCommitFile(PlatformNewFile* file, const char* from, const char* to)
{
    char systemFrom[kPlatformPathSize], systemTo[kPlatformPathSize];
    PlatformCommit outcome = PlatformCommit::Done;
    if (!PlatformSystemPath(from, systemFrom, sizeof systemFrom) || !PlatformSystemPath(to, systemTo, sizeof systemTo))
        outcome = PlatformCommit::NotMoved;
    else if (!NamesHeldFile(file, systemFrom))
        outcome = PlatformCommit::NotOurs;
    else if (fsync(file->descriptor) != 0)
        outcome = PlatformCommit::NotFlushed;
    else if (std::rename(systemFrom, systemTo) != 0)
        outcome = PlatformCommit::NotMoved;
    else
        // The file is in place whatever this gives: a failure here cannot
        // take the move back, and the data itself is on the disk.
        FlushFolderOf(systemTo);
    if (outcome == PlatformCommit::Done)
        CloseNewFile(file);
    return outcome;
}

bool PlatformDiscardNewFile(PlatformNewFile* file, const char* path)
{
    char systemPath[kPlatformPathSize];
    if (!file->open)
        return true;
    if (PlatformSystemPath(path, systemPath, sizeof systemPath) && NamesHeldFile(file, systemPath) &&
        unlink(systemPath) != 0 && errno != ENOENT)
        return false;
    CloseNewFile(file);
    return true;
}

void PlatformCloseNewFile(PlatformNewFile* file) { CloseNewFile(file); }

bool PlatformRemoveFile(const char* path)
{
    char systemPath[kPlatformPathSize];
    if (!PlatformSystemPath(path, systemPath, sizeof systemPath))
        return false;
    return std::remove(systemPath) == 0 || errno == ENOENT;
}

// Answers of the Abort/Retry/Ignore box: the environment variable
// TOMIVA_PROMPT_ANSWERS (set by the host's command line: a comma list such as
// "retry,ignore", one word per box shown), else the terminal, else Abort.
int PlatformMessageBox(const char* text, const char* title, unsigned style)
{
    PlatformPrintBox(title, text);
    if ((style & 0xF) != (kPlatformStyleAbortRetryIgnore & 0xF))
        return kPlatformIdOk;

    const char* answers = std::getenv(kPromptAnswersVariable);
    if (answers != nullptr && *answers != '\0') {
        const int scripted = PlatformScriptedAnswer(answers);
        PlatformPrintAnswer(scripted);
        return scripted;
    }
    if (!isatty(STDIN_FILENO)) {
        PlatformPrintAnswer(kPlatformIdAbort);
        return kPlatformIdAbort;
    }
    for (;;) {
        std::fprintf(stderr, "(A)bort, (R)etry, (I)gnore? ");
        char line[16];
        if (std::fgets(line, sizeof line, stdin) == nullptr)
            return kPlatformIdAbort;
        switch (line[0]) {
        case 'a': case 'A': return kPlatformIdAbort;
        case 'r': case 'R': return kPlatformIdRetry;
        case 'i': case 'I': return kPlatformIdIgnore;
        default: break;
        }
    }
}
