// The reading back of the export file: what the host's text mode may leave
// (a line end as LF or CR LF, a ^Z as the last byte) is the file handed
// over; any other difference is not, and the verdict is the same however
// the file is cut into blocks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/line_writer.h"
#include "export/read_back.h"

namespace {

TextDigest DigestOf(const std::string& bytes)
{
    TextDigest digest;
    DigestStart(digest);
    DigestAdd(digest, bytes.data(), bytes.size());
    return digest;
}

// The verdict on `file` against `handed`, the file read in blocks of `block`
// bytes.
ReadingVerdict Read(const std::string& handed, const std::string& file, std::size_t block)
{
    TextModeReading reading;
    ReadingStart(reading);
    std::vector<char> buffer(block);
    for (std::size_t at = 0; at < file.size(); at += block) {
        const std::size_t n = std::min(block, file.size() - at);
        buffer.assign(file.begin() + static_cast<std::ptrdiff_t>(at),
                      file.begin() + static_cast<std::ptrdiff_t>(at + n));
        ReadingAdd(reading, buffer.data(), static_cast<int>(n));
    }
    EXPECT_EQ(reading.bytesRead, static_cast<int64_t>(file.size()));
    return ReadingFinish(reading, DigestOf(handed));
}

TEST(ReadBack, TakesWhatATextModeLeavesAndRefusesAnyOtherDifference)
{
    const std::string handed = "\xEF\xBB\xBF<ROOT>\n<A>x\ry</A>\n\n<B>\x1A</B>\n</ROOT>\n";
    using V = ReadingVerdict;
    const struct {
        const char* what;
        std::string file;
        ReadingVerdict verdict;
    } cases[] = {
        {"as handed", handed, V::Same},
        {"every line end CR LF", "\xEF\xBB\xBF<ROOT>\r\n<A>x\ry</A>\r\n\r\n<B>\x1A</B>\r\n</ROOT>\r\n", V::Same},
        {"line ends mixed", "\xEF\xBB\xBF<ROOT>\r\n<A>x\ry</A>\n\r\n<B>\x1A</B>\n</ROOT>\r\n", V::Same},
        {"a ^Z at the end", handed + "\x1A", V::Same},
        {"CR LF and a ^Z at the end",
         "\xEF\xBB\xBF<ROOT>\r\n<A>x\ry</A>\r\n\r\n<B>\x1A</B>\r\n</ROOT>\r\n\x1A", V::Same},
        {"a CR added in a line", "\xEF\xBB\xBF<ROOT\r>\n<A>x\ry</A>\n\n<B>\x1A</B>\n</ROOT>\n", V::OtherLength},
        {"a CR added at the end", handed + "\r", V::OtherLength},
        {"a CR before the end mark", handed + "\r\x1A", V::OtherLength},
        {"a CR of two before a line end", "\xEF\xBB\xBF<ROOT>\r\r\n<A>x\ry</A>\n\n<B>\x1A</B>\n</ROOT>\n",
         V::OtherLength},
        {"a ^Z added before the end", "\xEF\xBB\xBF<ROOT>\x1A\n<A>x\ry</A>\n\n<B>\x1A</B>\n</ROOT>\n", V::OtherLength},
        {"two ^Z at the end", handed + "\x1A\x1A", V::OtherLength},
        {"a ^Z followed by a line end", handed + "\x1A\n", V::OtherLength},
        {"the last line end missing", handed.substr(0, handed.size() - 1), V::OtherLength},
        {"the last line end missing, a ^Z there", handed.substr(0, handed.size() - 1) + "\x1A", V::OtherLength},
        {"a byte missing", "\xEF\xBB\xBF<ROOT>\n<A>x\ry</A>\n\n<B>\x1A</B>\n</ROOT\n", V::OtherLength},
        {"a byte added", handed + "x", V::OtherLength},
        {"empty", "", V::OtherLength},
        {"a byte changed", "\xEF\xBB\xBF<ROOT>\n<A>x\ry</A>\n\n<C>\x1A</B>\n</ROOT>\n", V::Altered},
        {"a handed CR taken for a line end's", "\xEF\xBB\xBF<ROOT>\n<A>x\r\n</A>\n\n<B>\x1A</B>\n</ROOT>\n", V::OtherLength},
        {"a handed ^Z lost, a ^Z at the end", "\xEF\xBB\xBF<ROOT>\n<A>x\ry</A>\n\n<B></B>\n</ROOT>\n\x1A",
         V::OtherLength},
        {"two bytes swapped", "\xEF\xBB\xBF<ROOT>\n<A>x\ry</A>\n\n<B>\x1A</B>\n</ROTO>\n", V::Altered},
        {"two lines swapped", "\xEF\xBB\xBF<ROOT>\n\n<A>x\ry</A>\n<B>\x1A</B>\n</ROOT>\n", V::Altered},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Every block size up to the file's, so that a CR, a ^Z or a CR LF
        // falls on each side of a block's end.
        for (std::size_t block = 1; block <= c.file.size() + 1; ++block)
            ASSERT_EQ(Read(handed, c.file, block), c.verdict) << "blocks of " << block;
    }
}

TEST(ReadBack, TheDigestOfTheSameBytesIsTheSameInAnyBlocks)
{
    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += static_cast<char>(i * 37 + i / 7);
    const uint64_t whole = DigestValue(DigestOf(bytes));
    for (std::size_t block : {1u, 3u, 7u, 8u, 9u, 64u, 999u}) {
        TextDigest digest;
        DigestStart(digest);
        for (std::size_t at = 0; at < bytes.size(); at += block)
            DigestAdd(digest, bytes.data() + at, std::min(block, bytes.size() - at));
        EXPECT_EQ(DigestValue(digest), whole) << "blocks of " << block;
    }
    // One bit anywhere, or a byte more, is another digest.
    for (std::size_t at : {0u, 5u, 8u, 500u, 999u}) {
        std::string other = bytes;
        other[at] = static_cast<char>(other[at] ^ 0x80);
        EXPECT_NE(DigestValue(DigestOf(other)), whole) << "bit 7 of byte " << at;
    }
    EXPECT_NE(DigestValue(DigestOf(bytes + '\0')), whole);
}

} // namespace
