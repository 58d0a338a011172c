// A tomiva whose export is killed half-way, as a child process: whenever the
// signal lands, the export file of that name is either the earlier one or
// the complete new one, never a part; the killed run shows no summary; at
// least one signal lands while the file is written; and the next run
// finishes and leaves no temporary file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "host/firm/demo/demo_firm.h"
#include "support/test_files.h"

namespace {

const char kEarlier[] = "<the export written earlier that day>\n";

// Starts tomiva exporting the firm's year into dir; its output goes to log.
pid_t StartExport(const std::string& firm, const std::string& dir, const std::string& log)
{
    const std::vector<std::string> arguments = {
        VENTALOR_TOMIVA, "--firm", firm, "--dir", dir, "--today", "2021-12-31", "--batch",
        "--answer", "Od daty=2021-01-01", "--answer", "Do daty=2021-12-31", "--answer", "Faktury zakupu=1",
        "--answer", "Korekty zakupu=1", "--answer", "Konto kh (brutto)=202", "--answer", "Rejestr KH=ZAKUP",
        "run", "Eksport Ventalor (txt)"};
    const pid_t child = fork();
    if (child == 0) {
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = open("/dev/null", O_RDONLY);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        dup2(in, STDIN_FILENO);
        std::vector<char*> argv;
        for (const std::string& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

long FileSize(const std::string& path)
{
    struct stat st{};
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

// What came of a run that was to be signalled.
struct Interrupted {
    bool signalled;     // the signal was sent and ended the run
    long temporaryLeft; // the size of the temporary file it left, or -1
};

// Starts an export into data and sends it the signal once its temporary
// file holds `threshold` bytes.  A run that ends first is collected and
// never signalled: its process number may already be another's.
Interrupted RunAndSignal(const std::string& firm, const std::string& data, const std::string& log, int signal,
                         long threshold)
{
    const std::string temporary = data + "/qPX_2021-12-31.xml.tmp";
    unlink(temporary.c_str()); // whatever an earlier run left is not taken for this one's
    const pid_t child = StartExport(firm, data, log);
    int status = 0;
    bool collected = false;
    while (!collected && FileSize(temporary) < threshold) {
        collected = waitpid(child, &status, WNOHANG) != 0;
        if (!collected)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (!collected) {
        kill(child, signal);
        waitpid(child, &status, 0);
    }
    return {!collected && WIFSIGNALED(status) && WTERMSIG(status) == signal, FileSize(temporary)};
}

TEST(ExportInterrupted, AKilledRunLeavesTheEarlierExportOrTheWholeNewOne)
{
    TestDir dir;
    const std::string firm = dir.file("firm.db");
    DemoFirmOptions demo;
    demo.documents = 20000;
    std::string error;
    ASSERT_TRUE(WriteDemoFirm(firm, demo, &error)) << error;

    // The whole export, for comparison.
    const std::string whole = dir.file("whole");
    ASSERT_EQ(mkdir(whole.c_str(), 0700), 0);
    int status = 0;
    ASSERT_EQ(waitpid(StartExport(firm, whole, dir.file("whole.log")), &status, 0) > 0, true);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadFileBytes(dir.file("whole.log"));
    const std::string complete = ReadFileBytes(whole + "/qPX_2021-12-31.xml");
    ASSERT_GT(complete.size(), 1000000u);
    const long size = static_cast<long>(complete.size());

    const std::string data = dir.file("data");
    ASSERT_EQ(mkdir(data.c_str(), 0700), 0);
    const std::string path = data + "/qPX_2021-12-31.xml";
    const std::string temporary = path + ".tmp";
    // Runs that the signal ended while their file was being written: it
    // left a temporary file of some but not all of the export's bytes.
    int landedMidWrite = 0;
    const auto interrupt = [&](int signal, long threshold) {
        WriteFileBytes(path, kEarlier);
        const std::string log = dir.file("killed.log");
        const Interrupted run = RunAndSignal(firm, data, log, signal, threshold);
        const std::string found = ReadFileBytes(path);
        EXPECT_TRUE(found == kEarlier || found == complete) << "a file of " << found.size() << " bytes";
        if (found == kEarlier) {
            EXPECT_EQ(ReadFileBytes(log).find("Ilość wyeksportowanych"), std::string::npos);
        }
        if (run.signalled && found == kEarlier && run.temporaryLeft > 0 && run.temporaryLeft < size)
            ++landedMidWrite;
    };
    struct Case {
        int signal;
        double written; // the part of the file written when the signal is sent
        const char* when;
    };
    const Case cases[] = {
        {SIGKILL, 0.0, "as soon as the temporary file is there (documents still being read)"},
        {SIGKILL, 0.05, "among the contractors"},
        {SIGKILL, 0.5, "half-way through the registers"},
        {SIGKILL, 0.95, "near the end"},
        {SIGTERM, 0.3, "terminated a third of the way"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        interrupt(c.signal, static_cast<long>(c.written * static_cast<double>(size)));
    }
    // At least one signal must land while the file is written; on a machine
    // that outran them all, the signal comes later each time: from the
    // first byte on, then after each further tenth.
    for (int tenth = 0; landedMidWrite == 0 && tenth < 10; ++tenth) {
        SCOPED_TRACE("again, after " + std::to_string(tenth) + " tenths");
        interrupt(SIGKILL, std::max(1L, size * tenth / 10));
    }
    EXPECT_GE(landedMidWrite, 1) << "no signal ended a run while it wrote its file";

    // The next run finishes under a temporary name of its own, and leaves
    // what the killed one left as it is.
    const bool leftBehind = FileExists(temporary);
    const std::string before = leftBehind ? ReadFileBytes(temporary) : std::string();
    ASSERT_EQ(waitpid(StartExport(firm, data, dir.file("next.log")), &status, 0) > 0, true);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFileBytes(path), complete);
    EXPECT_EQ(FileExists(temporary), leftBehind);
    if (leftBehind) {
        EXPECT_EQ(ReadFileBytes(temporary), before);
    }
    EXPECT_NE(ReadFileBytes(dir.file("next.log")).find("Ilość wyeksportowanych"), std::string::npos);
}

} // namespace
