// What an export never is, refused by verify before anything in it is
// expanded, each with words that say which: another encoding, no marker
// bytes, a declaration, a DOCTYPE (an entity used thousands of times among
// them), attributes by the hundred thousand, nesting without end, a value
// without end (which libxml2's validator would gather piece by piece); an empty
// file; and verify's own failures told apart from the file's.  The cases
// that would take libxml2 long or much memory are bounded by the test's
// time limit (tests/CMakeLists.txt), under the sanitizers too.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "host/verify/export_file.h"
#include "host/verify/verify.h"
#include "support/test_files.h"

namespace {

const std::string kMarker = "\xEF\xBB\xBF";

std::string Golden() { return ReadFileBytes(std::string(VENTALOR_TEST_DATA) + "/golden_expected.xml"); }
std::string WithoutMarker() { return Golden().substr(kMarker.size()); }

std::string Utf16(const std::string& ascii, bool marker)
{
    std::string out = marker ? "\xFF\xFE" : "";
    for (const char c : ascii)
        out += c, out += '\0';
    return out;
}

std::string AllProblems(const FileReading& reading)
{
    std::string all = reading.ownFailure;
    for (const FileProblem& p : reading.problems)
        all += "line " + std::to_string(p.line) + ": " + p.message + "\n";
    return all;
}

// A DOCTYPE whose entity of `size` bytes is used `uses` times.
std::string EntityBomb(std::size_t size, int uses)
{
    std::string text = kMarker + "<!DOCTYPE ROOT [<!ENTITY big \"" + std::string(size, 'x') + "\">]>\n<ROOT>";
    for (int i = 0; i < uses; ++i)
        text += "&big;";
    return text + "</ROOT>\n";
}

TEST(ExportScreen, RefusesWhatAnExportNeverIsAndSaysWhich)
{
    const std::string golden = Golden();
    const std::string body = WithoutMarker();
    std::string attributes = kMarker + "<ROOT";
    for (int i = 0; i < 200000; ++i)
        attributes += " a" + std::to_string(i) + "=\"\"";
    attributes += "/>\n";
    std::string longValue = golden;
    longValue.insert(longValue.find("<NIP>") + 5, std::string(200000, '1'));
    std::string deep = kMarker + "<ROOT>";
    for (int i = 0; i < 100000; ++i)
        deep += "<A>";
    const struct {
        const char* why;
        std::string text;
        const char* says;
    } cases[] = {
        {"no marker bytes", body, "does not begin with the UTF-8 marker bytes"},
        {"UTF-16 with its marker", Utf16(body, true), "it is UTF-16"},
        {"UTF-16 without a marker", Utf16(body, false), "UTF-16 or UTF-32 without marker bytes"},
        {"a declaration naming ISO-8859-2", kMarker + "<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?>\n" + body,
         "an XML declaration"},
        {"a declaration without the marker bytes", "<?xml version=\"1.0\"?>\n" + body, "XML declaration"},
        {"a DOCTYPE", kMarker + "<!DOCTYPE ROOT>\n" + body, "a DOCTYPE"},
        {"an entity of 100 KB used 4000 times", EntityBomb(100000, 4000), "a DOCTYPE"},
        {"an entity of 337 KB used 4000 times", EntityBomb(337000, 4000), "a DOCTYPE"},
        {"a comment before the root", kMarker + "<!-- x -->\n" + body, "a comment before the root element"},
        {"text before the root", kMarker + "x" + body, "text before the root element"},
        {"an attribute", kMarker + "<ROOT id=\"1\">" + body.substr(body.find('>') + 1), "an attribute"},
        {"200,000 attributes", attributes, "an attribute"},
        {"nesting 100,000 deep", deep, "nested deeper than an export's 6 levels"},
        {"a value of 200,000 bytes", longValue, "more than 65536 bytes of text between two tags"},
        {"an empty file", "", "the file is empty"},
        {"the marker bytes alone", kMarker, "holds no root"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const FileReading reading = ReadExportBytes(c.text, "hostile.xml");
        EXPECT_FALSE(reading.valid);
        EXPECT_EQ(reading.ownFailure, "");
        EXPECT_NE(AllProblems(reading).find(c.says), std::string::npos) << AllProblems(reading);
    }
}

// A text-mode run-time may end the file with a ^Z: read as the file's end,
// and only there.
TEST(ExportScreen, AControlZAsTheLastByteIsTheFilesEnd)
{
    std::string crlf;
    for (const char c : Golden())
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const struct {
        const char* what;
        std::string text;
        bool valid;
    } cases[] = {
        {"LF, a ^Z at the end", Golden() + "\x1A", true},
        {"CR LF, a ^Z at the end", crlf + "\x1A", true},
        {"a ^Z and a line end after it", Golden() + "\x1A\n", false},
        {"two ^Z at the end", Golden() + "\x1A\x1A", false},
        {"a ^Z inside", kMarker + "<ROOT>\x1A" + WithoutMarker().substr(6), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const FileReading reading = ReadExportBytes(c.text, "text-mode.xml");
        EXPECT_EQ(reading.valid, c.valid) << AllProblems(reading);
        EXPECT_EQ(reading.ownFailure, "");
    }
}

// A file, a firm or a settings file that verify cannot read is verify's
// failure, said with the reason, never the file's.
TEST(ExportScreen, OwnFailuresAreNotTheFiles)
{
    // Reading /proc/self/mem from its start fails with an input or output error.
    const FileReading unreadable = ReadExportFile("/proc/self/mem", nullptr);
    EXPECT_FALSE(unreadable.valid);
    EXPECT_TRUE(unreadable.problems.empty()) << AllProblems(unreadable);
    EXPECT_EQ(unreadable.ownFailure, "could not read /proc/self/mem: Input/output error");

    VerifyRequest request;
    request.file = "/proc/self/mem";
    const VerifyOutcome outcome = VerifyExport(request);
    EXPECT_EQ(outcome.status, VerifyStatus::OwnFailure);
    EXPECT_EQ(outcome.error, "could not read /proc/self/mem: Input/output error");

    TestDir dir;
    const std::string fifo = dir.file("fifo.xml");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {dir.path(), fifo, std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        request.file = path;
        const VerifyOutcome o = VerifyExport(request);
        EXPECT_EQ(o.status, VerifyStatus::NotAFile);
        EXPECT_NE(o.error.find(", not a file"), std::string::npos) << o.error;
    }

    // The settings file of a run: a folder or a FIFO in its place cannot be
    // read; one too short is no settings file.
    ExportSettings settings;
    std::string why;
    EXPECT_EQ(ReadExportSettings(dir.path(), &settings, &why), SettingsReading::Unreadable);
    EXPECT_EQ(why, "could not read " + dir.path() + ": it is a directory, not a file");
    EXPECT_EQ(ReadExportSettings("/proc/self/mem", &settings, &why), SettingsReading::Unreadable);
    EXPECT_EQ(why, "could not read /proc/self/mem: Input/output error");
    WriteFileBytes(dir.file("a_mas.cfg"), "20210101");
    EXPECT_EQ(ReadExportSettings(dir.file("a_mas.cfg"), &settings, &why), SettingsReading::Unusable);
}

} // namespace
