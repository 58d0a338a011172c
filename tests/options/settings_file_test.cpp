// The settings file "a_mas.cfg": exactly the 258 bytes of the options,
// reached by its bare name through the host, saved so that a failed save is
// told and puts the earlier record back.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>

#include "host/host_entry_impl.h"
#include "host/services/host_messages.h"
#include "shell/binding.h"
#include "shell/host_calls.h"
#include "support/export_harness.h"
#include "support/test_files.h"

namespace {

const char kCannotWrite[] = "Nie można otworzyć pliku konfiguracji do zapisu!";
const char kWriteError[] = "Błąd podczas zapisu konfiguracji!\nUstawienia nie zostały zapamiętane.";
const char kRestoreError[] =
    "Błąd podczas zapisu konfiguracji!\nUstawienia nie zostały zapamiętane,\na poprzednich nie udało się przywrócić.";

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

// A write entry that loses the bytes of the first write it is given (a
// disk that was full for a moment) and writes every later one.
int g_writesToDrop = 0;
int HOST_CONV_STDCALL WriteDroppingTheFirst(const void* buffer, int size, int count, void* file)
{
    if (g_writesToDrop > 0) {
        --g_writesToDrop;
        return count;
    }
    return tomiva::HostWriteFile(buffer, size, count, file);
}

// Each way a save can fail: the user is told what the settings file now
// holds, and the confirmed answers stay in the record.  The file is reached
// only by its bare name through the host, so a save that does not hold is
// undone by writing the earlier record back (checked the same way); when
// that fails too, the user is told so, and the next load refuses the short
// file as it refuses any.
TEST(SettingsFileSave, FailedSaveIsToldAndTheEarlierRecordPutBack)
{
    struct Case {
        const char* what;
        std::function<void(const std::string& settings)> arrange;
        int writesDropped; // by the host's write entry, from the first
        bool diskTakes100Bytes;
        const char* message;
        const char* fileHolds; // "earlier", "nothing", "a folder", "a FIFO"
    };
    const std::string earlier(258, 'E');
    const auto withEarlier = [&](const std::string& settings) { WriteFileBytes(settings, earlier); };
    const Case cases[] = {
        {"the new record lost, the earlier put back", withEarlier, 1, false, kWriteError, "earlier"},
        {"no earlier record to put back", [](const std::string&) {}, 1, false, kWriteError, "nothing"},
        // The host writes the file under a name of its own and moves it into
        // place only whole: the earlier record is never cut.
        {"a disk that takes 100 bytes, for both", withEarlier, 0, true, kWriteError, "earlier"},
        {"a folder where the settings file goes",
         [](const std::string& settings) { mkdir(settings.c_str(), 0700); }, 0, false, kCannotWrite, "a folder"},
        {"a FIFO where the settings file goes",
         [](const std::string& settings) { mkfifo(settings.c_str(), 0600); }, 0, false, kCannotWrite, "a FIFO"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDir dir;
        const std::string settings = dir.file("a_mas.cfg");
        c.arrange(settings);
        TestHost host(TestConfig("", dir.path()));
        ASSERT_TRUE(host.started()) << host.error();
        auto object = NewDialogObject();
        object->options = FullRecord();
        g_writesToDrop = c.writesDropped;
        HostSlots[HostSlot_HostWriteFile] = reinterpret_cast<void*>(&WriteDroppingTheFirst);

        rlimit old{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldSignal = signal(SIGXFSZ, SIG_IGN);
        if (c.diskTakes100Bytes) {
            rlimit small = old;
            small.rlim_cur = 100;
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        const bool saved = object->SaveOptions();
        setrlimit(RLIMIT_FSIZE, &old);
        signal(SIGXFSZ, oldSignal);

        EXPECT_FALSE(saved);
        EXPECT_EQ(ShownTexts(), std::vector<std::string>{c.message});
        EXPECT_EQ(Bytes(object->options), Bytes(FullRecord()));
        struct stat info {};
        const std::string holds = c.fileHolds;
        if (holds == "a folder" || holds == "a FIFO") {
            ASSERT_EQ(lstat(settings.c_str(), &info), 0);
            EXPECT_TRUE(holds == "a folder" ? S_ISDIR(info.st_mode) : S_ISFIFO(info.st_mode));
        } else if (holds == "earlier") {
            EXPECT_EQ(ReadFileBytes(settings), earlier);
        } else {
            EXPECT_TRUE(ReadFileBytes(settings).empty());
        }
        // Nothing but the settings file is ever written.
        EXPECT_EQ(DirectoryEntries(dir.path()), std::vector<std::string>{"a_mas.cfg"});
        ResetHostBinding();
    }
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
