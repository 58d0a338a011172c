// The interactive dialog in a real terminal: tmux runs the driver program,
// which shows the options dialog over a zeroed record; keys go in with
// send-keys, the screen comes back with capture-pane, and the driver writes
// the record it got after the terminal was given back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "options/options_dialog_block.h"
#include "export/export_options.h"
#include "contract/mazovia_literal.h"
#include "support/test_files.h"

namespace {

using namespace std::chrono_literals;

bool OnPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

std::string Quote(const std::string& s)
{
    std::string out = "'";
    for (char ch : s)
        out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return out + "'";
}

std::string HexOf(const ExportOptions& o)
{
    std::string out;
    char two[4];
    for (std::size_t i = 0; i < sizeof o; ++i) {
        std::snprintf(two, sizeof two, "%02X", reinterpret_cast<const unsigned char*>(&o)[i]);
        out += two;
    }
    return out;
}

void Copy(char* field, const char* text) { std::memcpy(field, text, std::strlen(text) + 1); }

class DialogTerminal : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!OnPath("tmux"))
            GTEST_SKIP() << "tmux is not installed";
        // A server of its own, with no user configuration; the pane stays
        // after the driver ends so that the screen it left can be read.
        WriteFileBytes(dir.file("tmux.conf"), "set -g remain-on-exit on\nset -g default-terminal screen\n");
        out = dir.file("record.txt");
    }
    void TearDown() override
    {
        if (started)
            Tmux("kill-server");
    }

    std::string Tmux(const std::string& args)
    {
        const std::string command =
            "tmux -u -S " + Quote(dir.file("sock")) + " -f " + Quote(dir.file("tmux.conf")) + " " + args + " 2>&1";
        std::string output;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[4096];
            std::size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
                output.append(buffer, n);
            pclose(pipe);
        }
        return output;
    }

    void Start()
    {
        Tmux("new-session -d -x 100 -y 30 -s dialog " + Quote(Quote(DIALOG_TERMINAL_DRIVER) + " " + Quote(out)));
        started = true;
        ASSERT_TRUE(WaitFor("Zakres eksportu dokumentów")) << Screen();
    }

    // The screen; with its history (wrapped lines joined) on request.
    std::string Screen(bool history = false)
    {
        return Tmux(history ? "capture-pane -p -J -S -200 -t dialog" : "capture-pane -p -t dialog");
    }

    bool WaitFor(const std::string& text, bool history = false)
    {
        for (auto deadline = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < deadline;) {
            if (Screen(history).find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    void Keys(const std::vector<std::string>& keys)
    {
        std::string args = "send-keys -t dialog";
        for (const std::string& k : keys)
            args += " " + Quote(k);
        Tmux(args);
    }
    void Type(const std::string& text) { Tmux("send-keys -t dialog -l " + Quote(text)); }

    // "result XXXX record HEX" once the driver has written it.
    std::string Result()
    {
        for (auto deadline = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < deadline;) {
            if (FileExists(out))
                return ReadFileBytes(out);
            std::this_thread::sleep_for(50ms);
        }
        return "no result; the screen:\n" + Screen();
    }

    TestDir dir;
    std::string out;
    bool started = false;
};

TEST_F(DialogTerminal, FilledDatesBoxesAndTextsComeBackOnF12)
{
    Start();
    const std::string first = Screen();
    EXPECT_NE(first.find("[ ] Faktury zakupu"), std::string::npos) << first;
    EXPECT_NE(first.find("Konto kh (brutto):"), std::string::npos) << first;
    EXPECT_NE(first.find("F12 OK"), std::string::npos) << first; // attribute bytes switch, never show
    EXPECT_NE(first.find("[Anuluj]"), std::string::npos) << first;
    EXPECT_EQ(first.find('~'), std::string::npos) << first;
    for (char ch : first)
        EXPECT_FALSE(ch >= 0x01 && ch <= 0x05) << first;

    // The focus starts on "Od daty"; dashes may be typed or left out.  Tab
    // passes over the disabled boxes and rows.
    Keys({"20210101", "Tab", "2021-01-31", "Tab", "Space", "M-k", "Tab", "201-01", "Tab"});
    Keys({"REJESTR-ZAKUPU-2021XY"}); // 21 characters into a 20-character input
    ASSERT_TRUE(WaitFor("AKUPU-2021X")) << Screen(); // the field scrolled with the cursor
    Keys({"Tab", "Tab", "Tab"});
    Type("Łódź");
    Keys({"Tab", "Kraków", "Tab", "7"});
    ASSERT_TRUE(WaitFor("Kraków")) << Screen();
    const std::string filled = Screen();
    EXPECT_NE(filled.find("Od daty: 2021-01-01"), std::string::npos) << filled;
    EXPECT_NE(filled.find("Do daty: 2021-01-31"), std::string::npos) << filled;
    EXPECT_NE(filled.find("[x] Faktury zakupu"), std::string::npos) << filled;
    EXPECT_NE(filled.find("[x] Korekty zakupu"), std::string::npos) << filled;
    EXPECT_NE(filled.find("REJESTR-ZAKU"), std::string::npos) << filled; // shown from its start again
    EXPECT_NE(filled.find("Łódź"), std::string::npos) << filled;
    Keys({"F12"});

    ExportOptions expected;
    std::memset(&expected, 0, sizeof expected);
    Copy(expected.dateFrom, "20210101");
    Copy(expected.dateTo, "20210131");
    SetOptionsScope(expected, kScopePurchaseInvoices | kScopePurchaseCorrections);
    Copy(expected.kinds[0].account, "201-01");
    Copy(expected.kinds[0].registerCode, "REJESTR-ZAKUPU-2021X");
    Copy(expected.branchCode, MazoviaText{u8"Łódź"});
    Copy(expected.originPlace, MazoviaText{u8"Kraków"});
    SetOptionsFirmId(expected, 7);
    EXPECT_EQ(Result(), "result 5001 record " + HexOf(expected) + "\n");

    // The terminal is given back: the dialog is gone, the driver's line shows.
    ASSERT_TRUE(WaitFor("result 5001 record", true)) << Screen(true);
    EXPECT_EQ(Screen(true).find("Zakres eksportu"), std::string::npos) << Screen(true);
}

TEST_F(DialogTerminal, DateThatIsNotRealKeepsTheDialogOpenAndEscCancels)
{
    Start();
    Keys({"20210230", "Tab", "M-z", "F12"});
    ASSERT_TRUE(WaitFor("\"2021-02-30\" is not a real date")) << Screen();
    const std::string refused = Screen();
    EXPECT_NE(refused.find("control 2 \"Od daty\""), std::string::npos) << refused;
    EXPECT_NE(refused.find("[x] Faktury zakupu"), std::string::npos) << refused;
    Keys({"Escape"});

    ExportOptions nothing;
    std::memset(&nothing, 0, sizeof nothing);
    EXPECT_EQ(Result(), "result 5002 record " + HexOf(nothing) + "\n");
}

} // namespace
