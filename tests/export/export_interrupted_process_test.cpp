// A tomiva whose export is killed half-way, as a child process: whenever the
// signal lands, the export file of that name is either the earlier one or
// the complete new one, never a part; the killed run shows no summary; and
// the next run finishes and leaves no temporary file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

    const std::string data = dir.file("data");
    ASSERT_EQ(mkdir(data.c_str(), 0700), 0);
    const std::string path = data + "/qPX_2021-12-31.xml";
    const std::string temporary = path + ".tmp";
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
        WriteFileBytes(path, kEarlier);
        const std::string log = dir.file("killed.log");
        const pid_t child = StartExport(firm, data, log);
        const long threshold = static_cast<long>(c.written * static_cast<double>(complete.size()));
        while (waitpid(child, &status, WNOHANG) == 0 && FileSize(temporary) < threshold)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        kill(child, c.signal);
        waitpid(child, &status, 0);

        const std::string found = ReadFileBytes(path);
        EXPECT_TRUE(found == kEarlier || found == complete) << "a file of " << found.size() << " bytes";
        if (found == kEarlier) {
            EXPECT_EQ(ReadFileBytes(log).find("Ilość wyeksportowanych"), std::string::npos);
        }
        if (!WIFSIGNALED(status))
            std::printf("(the run was over before the signal came)\n");
    }

    // The next run finishes, and takes the place of whatever was left.
    ASSERT_EQ(waitpid(StartExport(firm, data, dir.file("next.log")), &status, 0) > 0, true);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFileBytes(path), complete);
    EXPECT_FALSE(FileExists(temporary));
    EXPECT_NE(ReadFileBytes(dir.file("next.log")).find("Ilość wyeksportowanych"), std::string::npos);
}

} // namespace
