// The output lines: every conversion and every write keeps to the sizes the
// contract shows for one line (a destination of at most 10005 bytes, a source
// of at most 5001 characters, a write of at most 10004 bytes and its line
// end), checked by the host with latitude, and the file holds exactly the
// lines converted, however many bytes their characters take.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contract/host_protocol.h"
#include "export/line_writer.h"
#include "host/common/mazovia.h"
#include "host/services/host_session.h"
#include "shell/host_calls.h"
#include "support/export_harness.h"
#include "support/test_files.h"
#include "support/test_firm.h"

namespace {

// Output lines over buffers of the run's sizes, writing the text file
// lines.xml of `dir` through the host.
struct LinesToFile {
    std::vector<char> text = std::vector<char>(kBatchSize), converted = std::vector<char>(kConversionSize);
    OutputLines out{};
    std::string path;
    explicit LinesToFile(const TestDir& dir) : path(dir.file("lines.xml"))
    {
        out.text = text.data();
        out.converted = converted.data();
        out.file = HostOpenFile(path.c_str(), "wt", kOpenShareDenyNone, 0, kOpenAccessDefault);
    }
};


// A host character whose UTF-8 form takes `bytes` bytes.
char CharacterOf(std::size_t bytes)
{
    for (int c = 0x80; c <= 0xFF; ++c)
        if (MazoviaToUtf8(std::string(1, static_cast<char>(c))).size() == bytes)
            return static_cast<char>(c);
    ADD_FAILURE() << "no host character of " << bytes << " bytes in UTF-8";
    return '?';
}


TEST(OutputLines, EveryCallKeepsToTheContractsSizesAndTheFileHoldsTheLinesConverted)
{
    const char polish = CharacterOf(2), box = CharacterOf(3);
    auto line = [](std::size_t n, char c) { return std::string(n, c); };
    auto lines = [](int count, const std::string& one) { return std::vector<std::string>(count, one); };
    auto joined = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const struct {
        const char* what;
        std::vector<std::string> lines;
    } cases[] = {
        {"ASCII lines filling batches", lines(300, line(70, 'a'))},
        {"one ASCII line of 5001 characters", {line(5001, 'a')}},
        {"one line of 5001 Polish letters", {line(5001, polish)}},
        {"Polish lines filling batches", lines(300, line(70, polish))},
        {"lines of three-byte characters filling batches", lines(300, line(70, box))},
        {"one line of 3334 three-byte characters", {line(3334, box)}},
        {"three-byte lines between ASCII lines",
         joined(joined(lines(40, line(60, 'x')), lines(20, line(200, box))), lines(40, line(60, 'y')))},
        {"a long three-byte line after ASCII", {line(3000, 'a'), line(3000, box), line(10, 'b')}},
        {"empty lines among them", {"", line(2000, box), "", "", line(2000, box), ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestDir dir;
        const std::string firm = dir.file("firm.db");
        ASSERT_EQ(CreateFirmDatabase(firm, ""), "");
        HostConfig config = TestConfig(firm, dir.path());
        config.latitude = 4096 + 8; // the checks, and the pattern in the host's buffers
        TestHost host(config);
        ASSERT_TRUE(host.started()) << host.error();

        LinesToFile lines(dir);
        OutputLines& out = lines.out;
        const std::string& path = lines.path;
        ASSERT_NE(out.file, nullptr);
        std::string expected;
        for (const std::string& l : c.lines) {
            const std::string rendered = l + "\n";
            ASSERT_TRUE(PutRendered(out, rendered.data(), static_cast<int>(rendered.size()), 1));
            expected += MazoviaToUtf8(l) + "\n";
        }
        ASSERT_TRUE(FlushLines(out));
        HostCloseFile(out.file);

        EXPECT_TRUE(ContractBreaches().empty()) << ContractBreaches()[0];
        EXPECT_EQ(ReadFileBytes(path), expected);
        EXPECT_EQ(out.bytesHanded, static_cast<int64_t>(expected.size()));
        EXPECT_EQ(out.linesHanded, static_cast<int64_t>(c.lines.size()));
        TextDigest digest;
        DigestStart(digest);
        DigestAdd(digest, expected.data(), expected.size());
        EXPECT_EQ(DigestValue(out.handed), DigestValue(digest));
    }
}

TEST(OutputLines, ALineWhoseConversionCannotFitIsAFailedConversionNeverACutLine)
{
    TestDir dir;
    const std::string firm = dir.file("firm.db");
    ASSERT_EQ(CreateFirmDatabase(firm, ""), "");
    TestHost host(TestConfig(firm, dir.path()));
    ASSERT_TRUE(host.started()) << host.error();
    LinesToFile lines(dir);
    OutputLines& out = lines.out;
    const std::string& path = lines.path;
    ASSERT_NE(out.file, nullptr);
    // 3335 characters of three bytes: 10005 bytes and a NUL, beyond the
    // contract's buffer.
    const std::string rendered = std::string(3335, CharacterOf(3)) + "\n";
    ASSERT_TRUE(PutRendered(out, rendered.data(), static_cast<int>(rendered.size()), 1));
    EXPECT_FALSE(FlushLines(out));
    EXPECT_EQ(out.failure, OutputFailure::Conversion);
    HostCloseFile(out.file);
    EXPECT_EQ(ReadFileBytes(path), "");
}

} // namespace
