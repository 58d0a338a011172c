// The host's file entries and INI files over what a path may name: plain
// files, folders, FIFOs, sockets and devices.  Nothing but a plain file is
// read, a FIFO is never waited on, and whatever cannot be opened or written
// is explained on the host's own line; a file the command could not write
// marks the command as failed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "contract/host_protocol.h"
#include "host/app/host_runtime.h"
#include "host/host_entry_impl.h"
#include "host/services/host_files.h"
#include "host/services/host_messages.h"
#include "host/services/host_session.h"
#include "support/test_files.h"

namespace {

class HostFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        HostConfig config;
        config.dataDirectory = dir_.path();
        config.today = "2021-02-10";
        std::string error;
        ASSERT_TRUE(HostStart(config, &error)) << error;
        HostClearShownMessages();
    }
    void TearDown() override { HostStop(); }
    std::string Notes() const
    {
        std::string all;
        for (const std::string& note : HostShownNotes())
            all += note + "\n";
        return all;
    }

    TestDir dir_;
};

struct PathCase {
    const char* what;
    std::function<void(const std::string& path)> make; // puts it at the path
    const char* reading;                                // refusal when read, null: opened
    const char* writing;                                // refusal when written, null: opened
};

TEST_F(HostFiles, OnlyPlainFilesAreReadAndNoFifoIsWaitedOn)
{
    int reader = -1; // the far end of a FIFO, for the case that has one
    const PathCase cases[] = {
        {"a plain file", [](const std::string& p) { WriteFileBytes(p, "x"); }, nullptr, nullptr},
        {"nothing", [](const std::string&) {}, "for reading: No such file or directory", nullptr},
        {"a folder", [](const std::string& p) { mkdir(p.c_str(), 0700); },
         "for reading: it is a directory, not a file", "for writing: Is a directory"},
        {"a FIFO", [](const std::string& p) { mkfifo(p.c_str(), 0600); },
         "for reading: it is a FIFO (named pipe), not a file", "for writing: it is a FIFO (named pipe), not a file"},
        {"a FIFO someone reads",
         [&reader](const std::string& p) {
             mkfifo(p.c_str(), 0600);
             reader = open(p.c_str(), O_RDONLY | O_NONBLOCK);
         },
         "for reading: it is a FIFO (named pipe), not a file", "for writing: it is a FIFO (named pipe), not a file"},
        {"a socket",
         [](const std::string& p) {
             const int s = socket(AF_UNIX, SOCK_STREAM, 0);
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             std::snprintf(address.sun_path, sizeof address.sun_path, "%s", p.c_str());
             bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
             close(s);
         },
         "for reading: it is a socket, not a file", "for writing: it is a socket, not a file"},
        {"a link to a character device", [](const std::string& p) { symlink("/dev/null", p.c_str()); },
         "for reading: it is a character device, not a file",
         "for writing: it is a symbolic link, which is not written through"},
        // A name that is a link, or one of two names of a file: the file
        // behind it is read, never written (nor emptied).
        {"a link to another file",
         [this](const std::string& p) {
             WriteFileBytes(dir_.file("target"), "x");
             symlink(dir_.file("target").c_str(), p.c_str());
         },
         nullptr, "for writing: it is a symbolic link, which is not written through"},
        {"a second name of another file",
         [this](const std::string& p) {
             WriteFileBytes(dir_.file("first name"), "x");
             link(dir_.file("first name").c_str(), p.c_str());
         },
         nullptr, "for writing: it has another name (a hard link), whose file is not written through"},
    };
    int n = 0;
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir_.file("case" + std::to_string(++n));
        c.make(path);
        for (const char* mode : {"rb", "wb"}) {
            SCOPED_TRACE(mode);
            const char* refusal = mode[0] == 'r' ? c.reading : c.writing;
            HostClearShownMessages();
            HostState().failures.clear();
            void* file = tomiva::HostOpenFile(path.c_str(), mode, kOpenShareDenyNone, 0, kOpenAccessDefault);
            EXPECT_EQ(file == nullptr, refusal != nullptr);
            if (file != nullptr)
                tomiva::HostCloseFile(file);
            if (refusal == nullptr) {
                EXPECT_TRUE(HostShownNotes().empty()) << Notes();
                continue;
            }
            EXPECT_NE(Notes().find("cannot open " + path + " " + refusal), std::string::npos) << Notes();
            // A file that cannot be read is the plug-in's to handle; one
            // that cannot be written is a file the command does not have.
            EXPECT_EQ(HostState().failures.size(), mode[0] == 'w' ? 1u : 0u);
        }
    }
    if (reader >= 0)
        close(reader);
    EXPECT_EQ(ReadFileBytes(dir_.file("target")), "x");
    EXPECT_EQ(ReadFileBytes(dir_.file("first name")), "x");
}

// A full disk: the stream takes the lines, and its flush at close fails; a
// write larger than the stream's buffer fails at once.  Each file is told
// of once and marks the command.
TEST_F(HostFiles, AWriteThatFailsIsToldOnceAndMarksTheCommand)
{
    const std::string path = "/dev/full";
    void* buffered = tomiva::HostOpenFile(path.c_str(), "wt", kOpenShareDenyNone, 0, kOpenAccessDefault);
    ASSERT_NE(buffered, nullptr);
    EXPECT_EQ(tomiva::HostFilePrintf(buffered, "%s\n", "<ROOT>"), 7);
    EXPECT_EQ(tomiva::HostCloseFile(buffered), 0);

    void* direct = tomiva::HostOpenFile(path.c_str(), "wb", kOpenShareDenyNone, 0, kOpenAccessDefault);
    ASSERT_NE(direct, nullptr);
    const std::string big(1 << 20, 'x');
    EXPECT_LT(tomiva::HostWriteFile(big.data(), 1, static_cast<int>(big.size()), direct), static_cast<int>(big.size()));
    EXPECT_LT(tomiva::HostWriteFile(big.data(), 1, static_cast<int>(big.size()), direct), static_cast<int>(big.size()));
    tomiva::HostCloseFile(direct);

    ASSERT_EQ(HostShownNotes().size(), 2u) << Notes();
    EXPECT_EQ(HostShownNotes()[0], "closing " + path + " failed: No space left on device");
    EXPECT_EQ(HostShownNotes()[1], "writing " + path + " failed: No space left on device");
    EXPECT_TRUE(HostFailedWith(HostFailureKind::FileIncomplete));
    EXPECT_EQ(HostState().failures.size(), 2u);
}

// The INI file as a FIFO: its key reads as missing at once, and writing it
// fails, marking the command.
TEST_F(HostFiles, AnIniFileThatIsAFifoIsNeitherWaitedOnNorWritten)
{
    ASSERT_EQ(mkfifo(dir_.file("plug.ini").c_str(), 0600), 0);
    int32_t value = 7;
    EXPECT_NE(tomiva::HostIniAccess("plug.ini", kIniRead, "Section", "Key", "%d", &value), 0);
    EXPECT_EQ(value, 7);
    EXPECT_FALSE(HostFailedWith(HostFailureKind::FileIncomplete));
    EXPECT_NE(tomiva::HostIniAccess("plug.ini", kIniWrite, "Section", "Key", "%d", 1), 0);
    EXPECT_TRUE(HostFailedWith(HostFailureKind::FileIncomplete));
    EXPECT_NE(Notes().find("plug.ini for reading: it is a FIFO (named pipe), not a file"), std::string::npos)
        << Notes();
}

} // namespace

namespace {

// The INI file rewritten for one key: every other byte as it was, whatever
// the file holds; a write that cannot be finished leaves the file whole.
TEST_F(HostFiles, AnIniFileIsRewrittenWholeWithNothingElseChanged)
{
    const std::string longLine = "long=" + std::string(1 << 20, 'x');
    struct Case {
        const char* what;
        std::string before;
        std::string after; // once Pytaj is set to 1
    };
    const std::string bom = "\xEF\xBB\xBF";
    const Case cases[] = {
        {"a byte order mark before the section", bom + "[EksportFKVentalor]\nPytaj=0\n",
         bom + "[EksportFKVentalor]\nPytaj=1\n"},
        {"a NUL in another line", std::string("[EksportFKVentalor]\nkey=ab\0cd\nPytaj=0\n", 38),
         std::string("[EksportFKVentalor]\nkey=ab\0cd\nPytaj=1\n", 38)},
        {"CR LF line ends", "[EksportFKVentalor]\r\nPytaj=0\r\nother=2\r\n",
         "[EksportFKVentalor]\r\nPytaj=1\r\nother=2\r\n"},
        {"no end after the last line", "[A]\nx=1", "[A]\nx=1\n[EksportFKVentalor]\nPytaj=1\n"},
        {"the key's line last, without its end", "[EksportFKVentalor]\nPytaj=0", "[EksportFKVentalor]\nPytaj=1"},
        {"a line of a mebibyte", "[EksportFKVentalor]\n" + longLine + "\nPytaj=0\n[B]\n",
         "[EksportFKVentalor]\n" + longLine + "\nPytaj=1\n[B]\n"},
    };
    const std::string ini = dir_.file("EksportFKVentalor.ini");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(ini, c.before);
        EXPECT_EQ(tomiva::HostIniAccess("EksportFKVentalor.ini", kIniWrite, "EksportFKVentalor", "Pytaj", "%d", 1), 0);
        EXPECT_EQ(ReadFileBytes(ini), c.after);
        int value = -1;
        EXPECT_EQ(tomiva::HostIniAccess("EksportFKVentalor.ini", kIniRead, "EksportFKVentalor", "Pytaj", "%d", &value), 0);
        EXPECT_EQ(value, 1);
    }
    EXPECT_EQ(DirectoryEntries(dir_.path()), std::vector<std::string>{"EksportFKVentalor.ini"});

    // A disk that takes less than the file: the write fails, the file is as
    // it was, and no temporary file is left.
    const std::string before = "[EksportFKVentalor]\n" + longLine + "\nPytaj=0\n";
    WriteFileBytes(ini, before);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int status = tomiva::HostIniAccess("EksportFKVentalor.ini", kIniWrite, "EksportFKVentalor", "Pytaj", "%d", 1);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldSignal);
    EXPECT_NE(status, 0);
    EXPECT_EQ(ReadFileBytes(ini), before);
    EXPECT_EQ(DirectoryEntries(dir_.path()), std::vector<std::string>{"EksportFKVentalor.ini"});
    EXPECT_TRUE(HostFailedWith(HostFailureKind::FileIncomplete));
}

} // namespace
