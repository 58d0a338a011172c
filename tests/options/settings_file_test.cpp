// The settings file "a_mas.cfg": exactly the 258 bytes of the options,
// saved so that a failed save leaves the earlier file whole.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>

#include "host/module/host_entry_impl.h"
#include "shell/binding.h"
#include "shell/host_calls.h"
#include "support/export_harness.h"
#include "support/test_files.h"

namespace {

const char kCannotWrite[] = "Nie można otworzyć pliku konfiguracji do zapisu!";
const char kWriteError[] = "Błąd podczas zapisu konfiguracji!\nUstawienia nie zostały zapamiętane.";

std::string Bytes(const ExportOptions& o);

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        host_ = std::make_unique<TestHost>(TestConfig("", dir_.path()));
        ASSERT_TRUE(host_->started()) << host_->error();
        object_ = NewDialogObject();
    }
    void TearDown() override { ResetHostBinding(); }
    std::string Path() const { return dir_.file("a_mas.cfg"); }
    std::string TempPath() const { return dir_.file("a_mas.cfg.tmp"); }

    TestDir dir_;
    std::unique_ptr<TestHost> host_;
    std::unique_ptr<CExportVentalorTxt> object_;
};

std::string Bytes(const ExportOptions& o) { return std::string(reinterpret_cast<const char*>(&o), sizeof o); }

// A record with something in every field, the disabled rows and bits too.
ExportOptions FullRecord()
{
    ExportOptions o;
    for (std::size_t i = 0; i < sizeof o; ++i)
        reinterpret_cast<unsigned char*>(&o)[i] = static_cast<unsigned char>(i * 7 + 1);
    return o;
}

TEST_F(SettingsFile, FirstUseWarnsOnceAndOkWritesExactlyTheRecord)
{
    EXPECT_FALSE(object_->LoadOptions());
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{
                           "Nie można otworzyć pliku konfiguracynego do odczytu!\nOperacja niekompletna!"});
    EXPECT_EQ(Bytes(object_->options), std::string(258, '\0'));

    object_->options = FullRecord();
    EXPECT_TRUE(object_->SaveOptions());
    EXPECT_EQ(ReadFileBytes(Path()), Bytes(FullRecord()));
    EXPECT_FALSE(FileExists(TempPath()));
}

TEST_F(SettingsFile, ShortFileIsRefusedLongFileGivesItsFirst258Bytes)
{
    const std::string record = Bytes(FullRecord());
    WriteFileBytes(Path(), record.substr(0, 257));
    EXPECT_FALSE(object_->LoadOptions());
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{"Błąd podczas czytania konfiguracji!\nOperacja niekompletna!"});
    EXPECT_EQ(Bytes(object_->options), std::string(258, '\0'));

    HostClearShownMessages();
    WriteFileBytes(Path(), record + "X");
    EXPECT_TRUE(object_->LoadOptions());
    EXPECT_TRUE(ShownTexts().empty());
    // Every byte survives, the disabled rows and scope bits 2 to 5 with them.
    EXPECT_EQ(Bytes(object_->options), record);
    EXPECT_TRUE(object_->SaveOptions());
    EXPECT_EQ(ReadFileBytes(Path()), record);
}

// A FIFO given as the settings file is refused at once, never waited on.
TEST_F(SettingsFile, FifoIsRefusedAtOnceWithTheHostsReason)
{
    ASSERT_EQ(mkfifo(Path().c_str(), 0600), 0);
    EXPECT_FALSE(object_->LoadOptions());
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{
                           "Nie można otworzyć pliku konfiguracynego do odczytu!\nOperacja niekompletna!"});
    ASSERT_EQ(HostShownNotes().size(), 1u);
    EXPECT_NE(HostShownNotes()[0].find("a_mas.cfg for reading: it is a FIFO (named pipe), not a file"),
              std::string::npos)
        << HostShownNotes()[0];
}

// Each way a save can fail: the user is told, the answers stay in the
// record, the earlier settings file is untouched and the temporary file is
// gone (unless it was something the save did not make).
TEST(SettingsFileSave, FailedSaveLeavesTheEarlierFileAndNothingElse)
{
    struct Case {
        const char* what;
        std::function<void(const std::string& settings, const std::string& temporary)> arrange;
        const char* message;
        const char* hostSays; // a piece of the host's own line, or null
        bool somethingStaysAtTheTemporaryName;
    };
    const Case cases[] = {
        {"a full disk", [](const std::string&, const std::string& t) { symlink("/dev/full", t.c_str()); },
         kWriteError, "No space left on device", false},
        {"a folder at the temporary name", [](const std::string&, const std::string& t) { mkdir(t.c_str(), 0700); },
         kCannotWrite, "for writing: Is a directory", true},
        {"a FIFO at the temporary name", [](const std::string&, const std::string& t) { mkfifo(t.c_str(), 0600); },
         kCannotWrite, "for writing: it is a FIFO (named pipe), not a file", true},
        {"a folder where the settings file goes",
         [](const std::string& s, const std::string&) {
             std::remove(s.c_str());
             mkdir(s.c_str(), 0700);
         },
         kWriteError, nullptr, false},
    };
    const std::string earlier(258, 'E');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDir dir;
        const std::string settings = dir.file("a_mas.cfg"), temporary = dir.file("a_mas.cfg.tmp");
        WriteFileBytes(settings, earlier);
        c.arrange(settings, temporary);
        TestHost host(TestConfig("", dir.path()));
        ASSERT_TRUE(host.started()) << host.error();
        auto object = NewDialogObject();
        object->options = FullRecord();

        EXPECT_FALSE(object->SaveOptions());
        EXPECT_EQ(ShownTexts(), std::vector<std::string>{c.message});
        EXPECT_EQ(Bytes(object->options), Bytes(FullRecord()));
        struct stat info {};
        if (stat(settings.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            EXPECT_TRUE(ReadFileBytes(settings).empty());
        else
            EXPECT_EQ(ReadFileBytes(settings), earlier);
        EXPECT_EQ(lstat(temporary.c_str(), &info) == 0, c.somethingStaysAtTheTemporaryName);
        if (c.hostSays != nullptr) {
            std::string notes;
            for (const std::string& note : HostShownNotes())
                notes += note + "\n";
            EXPECT_NE(notes.find(c.hostSays), std::string::npos) << notes;
        }
    }
}

// A disk that fills up half-way: the file size limit lets 100 of the 258
// bytes through, and the rest fails when the stream is flushed.
TEST_F(SettingsFile, WriteCutShortIsCaughtByReadingItBack)
{
    WriteFileBytes(Path(), std::string(258, 'E'));
    object_->options = FullRecord();
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = object_->SaveOptions();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldSignal);

    EXPECT_FALSE(saved);
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{kWriteError});
    EXPECT_EQ(ReadFileBytes(Path()), std::string(258, 'E'));
    EXPECT_FALSE(FileExists(TempPath()));
}

// What HostWriteFile and HostCloseFile answer is not defined for the
// plug-in: a host whose write and close answer 0 on success still gets its
// settings saved, because the save reads the file back.
int HOST_CONV_STDCALL WriteAnsweringZero(const void* buffer, int size, int count, void* file)
{
    tomiva::HostWriteFile(buffer, size, count, file);
    return 0;
}
int HOST_CONV_STDCALL CloseAnsweringZero(void* file)
{
    tomiva::HostCloseFile(file);
    return 0;
}

TEST_F(SettingsFile, SaveIsJudgedByReadingBackNotByWhatWriteAndCloseAnswer)
{
    HostSlots[HostSlot_HostWriteFile] = reinterpret_cast<void*>(&WriteAnsweringZero);
    HostSlots[HostSlot_HostCloseFile] = reinterpret_cast<void*>(&CloseAnsweringZero);
    object_->options = FullRecord();
    EXPECT_TRUE(object_->SaveOptions());
    EXPECT_TRUE(ShownTexts().empty());
    EXPECT_EQ(ReadFileBytes(Path()), Bytes(FullRecord()));
}

} // namespace
