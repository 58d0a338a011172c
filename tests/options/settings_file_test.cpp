// The settings file "a_mas.cfg": exactly the 258 bytes of the options.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "support/export_harness.h"
#include "support/test_files.h"

namespace {

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        host_ = std::make_unique<TestHost>(TestConfig("", dir_.path()));
        ASSERT_TRUE(host_->started()) << host_->error();
        object_ = NewDialogObject();
    }
    std::string Path() const { return dir_.file("a_mas.cfg"); }
    static std::string Bytes(const ExportOptions& o) { return std::string(reinterpret_cast<const char*>(&o), sizeof o); }

    TestDir dir_;
    std::unique_ptr<TestHost> host_;
    std::unique_ptr<CExportVentalorTxt> object_;
};

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

TEST_F(SettingsFile, UnwritableFileIsReportedAndTheAnswersStayInTheRecord)
{
    ASSERT_EQ(mkdir(Path().c_str(), 0700), 0); // a folder where the file should be
    object_->options = FullRecord();
    EXPECT_FALSE(object_->SaveOptions());
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{"Nie można otworzyć pliku konfiguracji do zapisu!"});
    EXPECT_EQ(Bytes(object_->options), Bytes(FullRecord()));
}

TEST_F(SettingsFile, WriteThatDoesNotReachTheDiskIsReported)
{
    // A full disk: the record goes into the stream's buffer and is lost at close.
    ASSERT_EQ(symlink("/dev/full", Path().c_str()), 0);
    object_->options = FullRecord();
    EXPECT_FALSE(object_->SaveOptions());
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{
                           "Błąd podczas zapisu konfiguracji!\nUstawienia nie zostały zapamiętane."});
}

} // namespace
