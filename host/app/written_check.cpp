// This file contains the followers of the files a command writes: each reads
// its file on a thread of its own, a block at a time as the plug-in's writes
// reach it, and checks it as an XML document.  The host's thread only starts
// them, tells them of the close, and at the end asks for their verdicts.
#include "host/app/written_check.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "host/app/xml_check.h"
#include "host/common/beside_thread.h"
#include "host/common/system_path.h"

namespace {

// Followers reading at once; a file opened beyond that is read at the end.
constexpr int kMostFollowing = 4;
constexpr std::size_t kBlockSize = 1 << 16;

// Which file, and which state of it: a file keeps its number when it is
// renamed, and a write changes its time of last change.
struct FileVersion {
    std::uint64_t device = 0;
    std::uint64_t number = 0;
    std::uint64_t size = 0;
    std::int64_t changedSeconds = 0; // on Windows: 100 ns since 1601, whole
    std::int64_t changedFraction = 0;

    bool SameFile(const FileVersion& other) const { return device == other.device && number == other.number; }
    bool operator==(const FileVersion& other) const
    {
        return SameFile(other) && size == other.size && changedSeconds == other.changedSeconds &&
               changedFraction == other.changedFraction;
    }
};

// A file opened to read beside its writer.  On Windows it lets the writer
// write and the plug-in rename or remove the file while it is open.
class ReadingHandle {
public:
    explicit ReadingHandle(const std::string& path)
    {
#ifdef _WIN32
        handle_ = CreateFileW(WideText(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
#else
        fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
#endif
    }
    ~ReadingHandle()
    {
#ifdef _WIN32
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
#else
        if (fd_ >= 0)
            close(fd_);
#endif
    }
    ReadingHandle(const ReadingHandle&) = delete;
    ReadingHandle& operator=(const ReadingHandle&) = delete;

    // Bytes read, 0 at the end of what the file holds now, -1 on failure.
    long Read(unsigned char* into, std::size_t n) const
    {
#ifdef _WIN32
        DWORD got = 0;
        if (!ReadFile(handle_, into, static_cast<DWORD>(n), &got, nullptr))
            return -1;
        return static_cast<long>(got);
#else
        const ssize_t got = read(fd_, into, n);
        return got < 0 ? -1 : static_cast<long>(got);
#endif
    }

    // False when the file is not open or is no plain file (a device written
    // to is not followed).
    bool Version(FileVersion* version) const
    {
#ifdef _WIN32
        BY_HANDLE_FILE_INFORMATION info;
        if (handle_ == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle_, &info) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || GetFileType(handle_) != FILE_TYPE_DISK)
            return false;
        version->device = info.dwVolumeSerialNumber;
        version->number = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        version->size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        version->changedSeconds = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
            info.ftLastWriteTime.dwLowDateTime);
        version->changedFraction = 0;
        return true;
#else
        struct stat info {};
        if (fd_ < 0 || fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode))
            return false;
        version->device = static_cast<std::uint64_t>(info.st_dev);
        version->number = static_cast<std::uint64_t>(info.st_ino);
        version->size = static_cast<std::uint64_t>(info.st_size);
        version->changedSeconds = static_cast<std::int64_t>(info.st_mtim.tv_sec);
        version->changedFraction = static_cast<std::int64_t>(info.st_mtim.tv_nsec);
        return true;
#endif
    }

private:
#ifdef _WIN32
    HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
    int fd_ = -1;
#endif
};

struct Follower {
    const void* file = nullptr; // the host's handle until it is closed
    std::string path;           // as opened
    std::unique_ptr<ReadingHandle> reading;
    FileVersion opened;         // the file as the follower found it
    FileVersion closed;         // the file as its writer left it (set before writerClosed)
    bool closedKnown = false;
    BesideThread thread;
    std::atomic<bool> writerClosed{false};
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    bool writtenAgain = false; // the host opened the file for writing again
    // The thread's result, read once it has been joined.
    bool whole = false; // read to the end after the close, the file then still as closed
    std::string problem;
};

std::vector<std::unique_ptr<Follower>>& Followers()
{
    static std::vector<std::unique_ptr<Follower>> followers;
    return followers;
}

WrittenCheckTally& Tally()
{
    static WrittenCheckTally tally;
    return tally;
}

// The thread: reads until the end of the file, waits while the writer may
// still add to it, and once the writer has closed reads to the end again.
void Follow(void* arg) noexcept
{
    Follower* follower = static_cast<Follower*>(arg);
    try {
        XmlDocumentCheck check;
        const std::unique_ptr<unsigned char[]> block(new unsigned char[kBlockSize]);
        std::uint64_t read = 0;
        while (!follower->stop.load(std::memory_order_acquire)) {
            // Asked before the read: a read that finds the end after the
            // close has seen every byte the writer wrote.
            const bool closed = follower->writerClosed.load(std::memory_order_acquire);
            const long n = follower->reading->Read(block.get(), kBlockSize);
            if (n < 0)
                break;
            if (n > 0) {
                read += static_cast<std::uint64_t>(n);
                if (!check.Feed(block.get(), static_cast<std::size_t>(n)))
                    break; // broken: the end reads it again and says where
                continue;
            }
            if (closed) {
                // Every byte, and nothing changed since the writer closed.
                FileVersion version;
                if (follower->closedKnown && follower->reading->Version(&version) && version == follower->closed &&
                    version.size == read) {
                    follower->problem = check.Finish();
                    follower->whole = true;
                }
                break;
            }
            PauseBriefly();
        }
    } catch (...) {
        // Memory ran short: no verdict, the file is read again.
    }
    follower->reading.reset();
    follower->done.store(true, std::memory_order_release);
}

bool VersionOfPath(const std::string& path, FileVersion* version)
{
    const ReadingHandle handle(path);
    return handle.Version(version);
}

int Following()
{
    int running = 0;
    for (const auto& follower : Followers())
        if (follower->thread.Started()) {
            if (follower->done.load(std::memory_order_acquire))
                follower->thread.Join();
            else
                ++running;
        }
    return running;
}

void SettleFollowers()
{
    for (const auto& follower : Followers()) {
        // A writer that was never closed leaves nothing to wait for.
        if (!follower->writerClosed.load(std::memory_order_relaxed))
            follower->stop.store(true, std::memory_order_release);
        follower->thread.Join();
    }
}

} // namespace

void FollowWrittenFile(const void* file, const std::string& path) noexcept
{
    try {
        auto follower = std::make_unique<Follower>();
        follower->file = file;
        follower->path = path;
        // Opened here, on the host's thread, right after the writer: the
        // very file the plug-in is about to write, whatever it is named later.
        follower->reading = std::make_unique<ReadingHandle>(path);
        if (!follower->reading->Version(&follower->opened))
            return;
        // A file written again: what was read of it before no longer
        // counts, and while an earlier writer is still open neither reading
        // can be trusted.
        bool shared = false;
        for (const auto& other : Followers())
            if (other->opened.SameFile(follower->opened)) {
                other->writtenAgain = true;
                shared = shared || other->file != nullptr;
            }
        if (shared || Following() >= kMostFollowing)
            return;
        Followers().reserve(Followers().size() + 1);
        if (!follower->thread.Start(&Follow, follower.get()))
            return;
        Followers().push_back(std::move(follower)); // room reserved: nothing to allocate
    } catch (...) {
        // No follower: the file is read again at the end.
    }
}

void WrittenFileClosed(const void* file) noexcept
{
    for (const auto& follower : Followers())
        if (follower->file == file) {
            follower->file = nullptr;
            // Its name still names it: the plug-in has not had it back yet.
            follower->closedKnown =
                VersionOfPath(follower->path, &follower->closed) && follower->closed.SameFile(follower->opened);
            follower->writerClosed.store(true, std::memory_order_release);
        }
}

std::string WrittenXmlProblem(const std::string& path)
{
    SettleFollowers();
    FileVersion now;
    if (VersionOfPath(path, &now))
        for (const auto& follower : Followers())
            if (follower->whole && !follower->writtenAgain && follower->closed == now) {
                ++Tally().followed;
                return follower->problem;
            }
    ++Tally().readAgain;
    return XmlDocumentProblem(path);
}

void StopFollowingWrittenFiles() noexcept
{
    for (const auto& follower : Followers())
        follower->stop.store(true, std::memory_order_release);
    for (const auto& follower : Followers())
        follower->thread.Join();
    Followers().clear();
    Tally() = WrittenCheckTally{};
}

WrittenCheckTally WrittenCheckTallySoFar() { return Tally(); }
