// The platform layer's module file name: a path longer than its buffer is
// given cut short, on both builds, and never replaced by "<nieznany>".  Host
// paths in the system's form, and the plug-in's own file calls over them.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "shell/platform.h"
#include "support/test_files.h"
#include "shell/platform_prompt.h"

namespace {

TEST(PlatformModuleName, LongerThanItsBufferIsCutNotRefused)
{
    char whole[4096];
    ASSERT_TRUE(PlatformModuleFileName(nullptr, whole, sizeof whole));
    const std::string path = whole;
    ASSERT_GT(path.size(), 10u);
    for (int size : {1, 2, 10, static_cast<int>(path.size()), static_cast<int>(path.size()) + 1}) {
        char cut[4096];
        std::memset(cut, 'x', sizeof cut);
        EXPECT_TRUE(PlatformModuleFileName(nullptr, cut, size)) << size;
        EXPECT_EQ(std::string(cut), path.substr(0, static_cast<std::size_t>(size - 1))) << size;
    }
}

// The Windows build's reading of what GetModuleFileNameA wrote.
TEST(PlatformModuleName, WhatTheSystemWroteIsCutToTheBuffer)
{
    struct Case {
        std::string written; // the buffer's bytes as the system left them (the rest untouched)
        int size;
        unsigned long count; // what it returned
        bool given;
        const char* shown;
    };
    const Case cases[] = {
        {std::string("C:\\p\\a.dll\0", 11), 11, 10, true, "C:\\p\\a.dll"}, // fits with its NUL
        {std::string("C:\\p\\a.dl\0", 10), 10, 10, true, "C:\\p\\a.dl"},   // cut, a NUL in the last byte
        {"C:\\p\\a.dll", 10, 10, true, "C:\\p\\a.dl"},                    // cut without a NUL (older systems)
        {"", 10, 0, false, ""},                                               // failed
    };
    for (const Case& c : cases) {
        char buffer[32];
        std::memset(buffer, '?', sizeof buffer);
        std::memcpy(buffer, c.written.data(), c.written.size());
        EXPECT_EQ(PlatformCutModuleName(buffer, c.size, c.count), c.given) << c.written;
        EXPECT_STREQ(buffer, c.shown) << c.written;
    }
}

TEST(PlatformSystemPath, HostTextBecomesUtf8WholeOrNotAtAll)
{
    struct Case {
        const char* host; // Mazovia
        const char* system;
    };
    const Case cases[] = {
        {"", ""},
        {"/dane/firma 1/qPX.xml", "/dane/firma 1/qPX.xml"},
        {"Ksi\x91gowo\x9e\x8d \x9C\xA2" "d\xA6", "Księgowość Łódź"},
        {"\x8F\x95\x90\x9C\xA5\xA3\x98\xA0\xA1 \x86\x8D\x91\x92\xA4\xA2\x9E\xA6\xA7", "ĄĆĘŁŃÓŚŹŻ ąćęłńóśźż"},
        {"\xC9\xCD\xBB \x9B\xE1\xFF", "╔═╗ ¢ß\u00A0"}, // box drawing, signs: two and three bytes
    };
    for (const Case& c : cases) {
        char out[kPlatformPathSize];
        ASSERT_TRUE(PlatformSystemPath(c.host, out, sizeof out)) << c.system;
        EXPECT_STREQ(out, c.system);
        // Exactly its room fits; one byte less gives nothing, never a part.
        const int whole = static_cast<int>(std::strlen(c.system)) + 1;
        char tight[kPlatformPathSize];
        EXPECT_TRUE(PlatformSystemPath(c.host, tight, whole)) << c.system;
        EXPECT_STREQ(tight, c.system);
        if (whole > 1) {
            std::memset(tight, 'x', sizeof tight);
            EXPECT_FALSE(PlatformSystemPath(c.host, tight, whole - 1)) << c.system;
            EXPECT_STREQ(tight, "");
        }
    }
    char out[8] = "x";
    EXPECT_FALSE(PlatformSystemPath(nullptr, out, sizeof out));
    EXPECT_STREQ(out, "");
}

TEST(PlatformFiles, ReplaceAndRemoveTakeHostPaths)
{
    TestDir dir;
    const std::string folder = dir.file("Księgowość Łódź");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    WriteFileBytes(folder + "/qPX.xml.tmp", "new");
    WriteFileBytes(folder + "/qPX.xml", "old");
    std::string hostFolder = dir.path() + "/Ksi\x91gowo\x9e\x8d \x9C\xA2" "d\xA6"; // the temporary root is ASCII
    EXPECT_TRUE(PlatformReplaceFile((hostFolder + "/qPX.xml.tmp").c_str(), (hostFolder + "/qPX.xml").c_str()));
    EXPECT_EQ(ReadFileBytes(folder + "/qPX.xml"), "new");
    EXPECT_FALSE(FileExists(folder + "/qPX.xml.tmp"));
    EXPECT_TRUE(PlatformRemoveFile((hostFolder + "/qPX.xml").c_str()));
    EXPECT_FALSE(FileExists(folder + "/qPX.xml"));
    EXPECT_TRUE(PlatformRemoveFile((hostFolder + "/qPX.xml").c_str())) << "gone already";
    // A path too long for the system's form is refused, the file untouched.
    WriteFileBytes(folder + "/x", "kept");
    const std::string tooLong = hostFolder + "/" + std::string(kPlatformPathSize, '\x86');
    EXPECT_FALSE(PlatformReplaceFile((hostFolder + "/x").c_str(), tooLong.c_str()));
    EXPECT_EQ(ReadFileBytes(folder + "/x"), "kept");
}

// A file the plug-in creates new: never through what is at the name; put in
// place only while its name still names it, and removed only then.
TEST(PlatformFiles, ANewFileIsCreatedExclusivelyAndMovedOnlyWhileItIsTheOneNamed)
{
    TestDir dir;
    const std::string tmp = dir.file("qPX.xml.tmp"), xml = dir.file("qPX.xml"), other = dir.file("other");
    WriteFileBytes(other, "other");
    PlatformNewFile file;
    // Taken: a link, dangling or not, a folder, a file; nothing behind it touched.
    ASSERT_EQ(symlink(other.c_str(), tmp.c_str()), 0);
    EXPECT_EQ(PlatformCreateNewFile(tmp.c_str(), &file), PlatformCreated::Taken);
    ASSERT_EQ(unlink(tmp.c_str()), 0);
    ASSERT_EQ(symlink(dir.file("none").c_str(), tmp.c_str()), 0);
    EXPECT_EQ(PlatformCreateNewFile(tmp.c_str(), &file), PlatformCreated::Taken);
    EXPECT_FALSE(FileExists(dir.file("none")));
    ASSERT_EQ(unlink(tmp.c_str()), 0);
    EXPECT_EQ(ReadFileBytes(other), "other");
    EXPECT_EQ(PlatformCreateNewFile(dir.file("no folder/x").c_str(), &file), PlatformCreated::Failed);

    // Created, written by another handle, moved into place and flushed.
    ASSERT_EQ(PlatformCreateNewFile(tmp.c_str(), &file), PlatformCreated::New);
    WriteFileBytes(tmp, "new");
    WriteFileBytes(xml, "old");
    EXPECT_EQ(PlatformCommitFile(&file, tmp.c_str(), xml.c_str()), PlatformCommit::Done);
    EXPECT_EQ(ReadFileBytes(xml), "new");
    EXPECT_FALSE(FileExists(tmp));

    // Another file put at the name meanwhile (a link, a second name of
    // another file, a file of its own): not moved, not removed.
    const auto replaceName = [&](int how) {
        unlink(tmp.c_str());
        if (how == 0)
            symlink(other.c_str(), tmp.c_str());
        else if (how == 1)
            link(other.c_str(), tmp.c_str());
        else
            WriteFileBytes(tmp, "someone else's");
    };
    for (int how = 0; how < 3; ++how) {
        SCOPED_TRACE(how);
        unlink(tmp.c_str());
        ASSERT_EQ(PlatformCreateNewFile(tmp.c_str(), &file), PlatformCreated::New);
        replaceName(how);
        EXPECT_EQ(PlatformCommitFile(&file, tmp.c_str(), xml.c_str()), PlatformCommit::NotOurs);
        EXPECT_EQ(ReadFileBytes(xml), "new");
        EXPECT_TRUE(PlatformDiscardNewFile(&file, tmp.c_str()));
        EXPECT_TRUE(FileExists(tmp)) << "another's file is left";
        EXPECT_EQ(ReadFileBytes(other), "other");
    }
    unlink(tmp.c_str());
    // The plug-in's own file is removed.
    ASSERT_EQ(PlatformCreateNewFile(tmp.c_str(), &file), PlatformCreated::New);
    EXPECT_TRUE(PlatformDiscardNewFile(&file, tmp.c_str()));
    EXPECT_FALSE(FileExists(tmp));
}

TEST(PlatformHostText, ASystemPathIsShownAsHostText)
{
    struct Case {
        const char* system;
        int size;
        const char* host;
    };
    const Case cases[] = {
        {"/opt/Wtyczki Żółć/ExportFKVentalor.so", 64, "/opt/Wtyczki \xA1\xA2\x92\x8D/ExportFKVentalor.so"},
        {"C:\\Łukasz\\╔═╗", 64, "C:\\\x9Cukasz\\\xC9\xCD\xBB"},
        {"Dokumenty €", 64, "Dokumenty ?"},         // Mazovia lacks it
        {"stary\xFF\xC5", 64, "stary??"},            // not UTF-8, a sequence cut short
        {"Łódź", 3, "\x9C\xA2"},                      // cut to the buffer by characters
    };
    for (const Case& c : cases) {
        char out[64];
        std::memset(out, 'x', sizeof out);
        PlatformHostText(c.system, out, c.size);
        EXPECT_STREQ(out, c.host) << c.system;
    }
}

} // namespace
