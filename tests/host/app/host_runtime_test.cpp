// Start and stop of the host, and the services that depend on its session:
// today, the data directory and the files that resolve there.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/stat.h>

#include <cstring>
#include <ctime>
#include <string>

#include "contract/host_protocol.h"
#include "host/firm/firm_schema.h"
#include "host/module/host_entry_impl.h"
#include "host/app/host_runtime.h"
#include "host/services/host_dates.h"
#include "host/services/host_files.h"
#include "host/services/mazovia.h"
#include "support/test_files.h"

namespace {

// An empty firm: the layout and no rows.
std::string MakeEmptyFirm(const TestDir& dir)
{
    const std::string path = dir.file("firm.sqlite");
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, kFirmSchemaSql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    return path;
}

class HostRuntime : public ::testing::Test {
protected:
    void SetUp() override { firmPath = MakeEmptyFirm(firmDir); }
    void TearDown() override { HostStop(); }

    HostConfig Config(const std::string& today = "2021-02-10")
    {
        HostConfig config;
        config.firmPath = firmPath;
        config.dataDirectory = dataDir.path();
        config.today = today;
        return config;
    }

    void Start(const HostConfig& config)
    {
        std::string error;
        ASSERT_TRUE(HostStart(config, &error)) << error;
    }

    TestDir firmDir;
    TestDir dataDir;
    std::string firmPath;
};

TEST_F(HostRuntime, RefusesABadConfigurationNamingEveryOffence)
{
    const char* badDates[] = {"2021-02-30", "2021-2-10", "10.02.2021", "20210210", "2021-13-01", "0000-01-01"};
    for (const char* today : badDates) {
        std::string error;
        EXPECT_FALSE(HostStart(Config(today), &error)) << today;
        EXPECT_NE(error.find(today), std::string::npos) << error;
    }

    HostConfig config = Config("2021-02-31");
    config.dataDirectory = dataDir.file("missing");
    std::string error;
    EXPECT_FALSE(HostStart(config, &error));
    EXPECT_NE(error.find("2021-02-31"), std::string::npos) << error;
    EXPECT_NE(error.find(config.dataDirectory), std::string::npos) << error;
    EXPECT_NE(error.find('\n'), std::string::npos) << "one offence per line: " << error;

    config = Config();
    config.dataDirectory = config.firmPath; // a file, not a directory
    EXPECT_FALSE(HostStart(config, &error));

    config = Config();
    config.firmPath = firmDir.file("no-such-firm.sqlite");
    EXPECT_FALSE(HostStart(config, &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(HostRuntime, ReportsTheConfiguredTodayAndDataDirectory)
{
    Start(Config("2024-02-29"));
    char slot[256];
    std::memset(slot, '#', sizeof slot);
    EXPECT_EQ(tomiva::HostToday(slot), 1);
    EXPECT_STREQ(slot, "20240229");
    EXPECT_STREQ(tomiva::HostDataDirectory(), dataDir.path().c_str());

    std::string error;
    EXPECT_FALSE(HostStart(Config(), &error)) << "a second start while running";
}

// The local date by the system clock, as YYYYMMDD.
std::string ClockDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d", &local);
    return text;
}

TEST_F(HostRuntime, EmptyTodayIsTheSystemDate)
{
    // Read around the start: a run across midnight may give either day.
    const std::string before = ClockDate();
    Start(Config(""));
    char slot[9];
    tomiva::HostToday(slot);
    const std::string after = ClockDate();
    int16_t y, m, d;
    EXPECT_EQ(tomiva::HostUnpackDate(slot, &y, &m, &d, 0), 1) << slot;
    EXPECT_TRUE(slot == before || slot == after) << slot << " is neither " << before << " nor " << after;
}

TEST_F(HostRuntime, BareNamesResolveInTheDataDirectoryAndWtEmptiesTheFile)
{
    Start(Config());
    WriteFileBytes(dataDir.file("a_mas.cfg"), std::string(300, 'x'));

    // The run's own way to its output path.
    char path[256];
    std::snprintf(path, sizeof path, "%s", tomiva::HostDataDirectory());
    tomiva::HostAppendPath(path, "qPX_2021-02-10.xml");
    EXPECT_EQ(std::string(path), dataDir.file("qPX_2021-02-10.xml"));

    void* out = tomiva::HostOpenFile(path, "wt", 0x40, 0, -1);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(tomiva::HostFilePrintf(out, "%c%c%c", 0xEF, 0xBB, 0xBF), 3);
    EXPECT_EQ(tomiva::HostFilePrintf(out, "%s\n", "<ROOT>"), 7);
    EXPECT_EQ(tomiva::HostCloseFile(out), 1);
    EXPECT_EQ(ReadFileBytes(path), "\xEF\xBB\xBF<ROOT>\n");

    void* cfg = tomiva::HostOpenFile("a_mas.cfg", "wt", 0x40, 0, -1); // bare name, existing file
    ASSERT_NE(cfg, nullptr);
    EXPECT_EQ(tomiva::HostCloseFile(cfg), 1);
    EXPECT_EQ(ReadFileBytes(dataDir.file("a_mas.cfg")), "");

    EXPECT_EQ(tomiva::HostOpenFile("absent.cfg", "rb", 0x40, 0, -1), nullptr);
    EXPECT_EQ(tomiva::HostOpenFile("a_mas.cfg", "x", 0x40, 0, -1), nullptr);
}

TEST_F(HostRuntime, ReadsWholeElementsAndWritesBinary)
{
    Start(Config());
    void* out = tomiva::HostOpenFile("record.bin", "wb", 0x40, 0, -1);
    ASSERT_NE(out, nullptr);
    const char record[10] = {'0', '1', '2', '3', '4', '\n', '6', '7', '8', '9'};
    EXPECT_EQ(tomiva::HostWriteFile(record, 10, 1, out), 1);
    tomiva::HostCloseFile(out);

    void* in = tomiva::HostOpenFile("record.bin", "rb", 0x40, 0, -1);
    ASSERT_NE(in, nullptr);
    char buffer[16] = {};
    EXPECT_EQ(tomiva::HostReadFile(buffer, 4, 3, in), 2); // 10 bytes hold two whole 4-byte elements
    EXPECT_EQ(std::memcmp(buffer, record, 8), 0);
    tomiva::HostCloseFile(in);
}

TEST_F(HostRuntime, NullAndClosedHandlesAreRefusedAndStopClosesTheRest)
{
    Start(Config());
    char buffer[4];
    EXPECT_EQ(tomiva::HostReadFile(buffer, 1, 4, nullptr), 0);
    EXPECT_EQ(tomiva::HostWriteFile(buffer, 1, 4, nullptr), 0);
    EXPECT_LT(tomiva::HostFilePrintf(nullptr, "%d", 1), 0);
    EXPECT_EQ(tomiva::HostCloseFile(nullptr), 0);

    void* closed = tomiva::HostOpenFile("once.txt", "wt", 0x40, 0, -1);
    ASSERT_NE(closed, nullptr);
    EXPECT_EQ(tomiva::HostCloseFile(closed), 1);
    EXPECT_EQ(tomiva::HostCloseFile(closed), 0); // a second close is refused

    void* left = tomiva::HostOpenFile("left-open.txt", "wt", 0x40, 0, -1);
    ASSERT_NE(left, nullptr);
    tomiva::HostFilePrintf(left, "flushed at stop\n");
    EXPECT_EQ(HostOpenFileCount(), 1);
    HostStop();
    EXPECT_EQ(HostOpenFileCount(), 0);
    EXPECT_EQ(ReadFileBytes(dataDir.file("left-open.txt")), "flushed at stop\n");
}

TEST(HostAppendPath, AddsOneSeparatorOnlyWhereNeeded)
{
    const struct {
        const char* path;
        const char* expected;
    } cases[] = {{"/data", "/data/f.xml"}, {"/data/", "/data/f.xml"}, {"", "f.xml"}, {"/", "/f.xml"}};
    for (const auto& c : cases) {
        char path[64];
        std::snprintf(path, sizeof path, "%s", c.path);
        tomiva::HostAppendPath(path, "f.xml");
        EXPECT_STREQ(path, c.expected);
    }
}

// The plug-in takes the directory as host text and hands paths back so;
// the system's names stay UTF-8.
TEST_F(HostRuntime, ADirectoryWithPolishLettersCrossesTheContractAsMazovia)
{
    const std::string folder = dataDir.file("Księgowość Łódź");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    HostConfig config = Config();
    config.dataDirectory = folder;
    Start(config);
    std::string expected;
    ASSERT_TRUE(Utf8ToMazovia(folder, &expected, nullptr));
    EXPECT_EQ(std::string(tomiva::HostDataDirectory()), expected);
    EXPECT_NE(expected.find("Ksi\x91gowo\x9e\x8d \x9C\xA2" "d\xA6"), std::string::npos);

    char path[256];
    std::snprintf(path, sizeof path, "%s", tomiva::HostDataDirectory());
    tomiva::HostAppendPath(path, "qPX_2021-02-10.xml");
    void* out = tomiva::HostOpenFile(path, "wt", 0x40, 0, -1);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(tomiva::HostFilePrintf(out, "%s\n", "<ROOT>"), 7);
    EXPECT_EQ(tomiva::HostCloseFile(out), 1);
    EXPECT_EQ(ReadFileBytes(folder + "/qPX_2021-02-10.xml"), "<ROOT>\n");

    // A bare name, and a name of its own with a Polish letter.
    EXPECT_EQ(tomiva::HostIniAccess("EksportFKVentalor.ini", kIniWrite, "EksportFKVentalor", "Pytaj", "%d", 1), 0);
    EXPECT_TRUE(FileExists(folder + "/EksportFKVentalor.ini"));
    void* own = tomiva::HostOpenFile("\x9C\xA2" "d\xA6.cfg", "wb", 0x40, 0, -1);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(tomiva::HostCloseFile(own), 1);
    EXPECT_TRUE(FileExists(folder + "/Łódź.cfg"));
}

TEST_F(HostRuntime, ADirectoryThatHostTextCannotHoldIsRefused)
{
    struct Case {
        const char* name;
        const char* told;
    };
    const Case cases[] = {
        {"Dokumenty \xE2\x82\xAC", "U+20AC"}, // the euro sign: Mazovia has no place for it
        {"Plik\xC5\x9F", "U+015F"},           // ş: Turkish, not Polish
        {"stary\xFF", "not UTF-8"},           // a byte that is not UTF-8
    };
    for (const Case& c : cases) {
        const std::string folder = dataDir.file(c.name);
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0) << c.name;
        HostConfig config = Config();
        config.dataDirectory = folder;
        std::string error;
        EXPECT_FALSE(HostStart(config, &error)) << c.name;
        EXPECT_NE(error.find(c.told), std::string::npos) << error;
        EXPECT_NE(error.find(folder), std::string::npos) << error;
    }
}

} // namespace
