// The end of a command: which files it wrote, whether each XML file among
// them is one whole document, and which failures the session recorded,
// which tomiva's exit status tells.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "contract/host_protocol.h"
#include "contract/native_module.h"
#include "host/app/host_runtime.h"
#include "host/app/written_check.h"
#include "host/app/xml_check.h"
#include "host/host_entry_impl.h"
#include "host/module/host_exports.h"
#include "host/services/host_memory.h"
#include "host/services/host_session.h"
#include "support/test_files.h"

extern "C" const NativeModule native_module_TOMIVA;

namespace {

std::string Nested(int depth)
{
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "<a>";
    for (int i = 0; i < depth; ++i)
        text += "</a>";
    return text;
}

TEST(XmlDocument, WholeDocumentsPassAndEveryKindOfBreakIsNamedWithItsLine)
{
    struct Case {
        const char* what;
        std::string bytes;
        const char* problem; // a piece of the problem, or null for a whole document
    };
    const Case cases[] = {
        {"the golden export", ReadFileBytes(std::string(VENTALOR_TEST_DATA) + "/golden_expected.xml"), nullptr},
        {"one empty root", "<a/>", nullptr},
        {"everything around and inside",
         "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!DOCTYPE a>\n<!-- c - -->\n<a x=\"1\" y='&lt;2&#x41;'>"
         "t&amp;&#38;<![CDATA[<>&]]>\xC5\x81\xC3\xB3" "d\xC5\xBA<b/><c>\r\n</c ></a>\n<?pi x?>\n",
         nullptr},
        {"an empty file", "", "the file is empty"},
        {"the byte order mark alone", "\xEF\xBB\xBF", "holds no root element"},
        {"a run stopped half-way", "\xEF\xBB\xBF<ROOT>\n<KONTRAHENCI>\n<NIP>1</NIP>\n",
         "ends before the element <KONTRAHENCI> is closed (line 4)"},
        {"a line cut inside a tag", "<ROOT>\n<NI", "ends inside markup (line 2)"},
        {"crossed elements", "<a><b></a></b>", "the end tag </a> closes <b>"},
        {"text before the root", "x<a/>", "text before the root element"},
        {"text after the root", "<a/>x", "text after the root element"},
        {"a second root", "<a/><b/>", "a second root element"},
        {"an entity of no DTD", "<a>&nbsp;</a>", "the unknown reference &nbsp;"},
        {"a bare ampersand", "<a>R&D</a>", "a '&' that starts no entity"},
        {"a '<' in an attribute", "<a x=\"<\"/>", "a '<' inside an attribute value"},
        {"a byte that is not UTF-8", "<a>\xB3</a>", "a byte that is not UTF-8"},
        {"a character cut short at the end", "<a>x\xC5", "ends inside a UTF-8 character"},
        {"a control character", "<a>\x01</a>", "the control character 0x01"},
        {"an unquoted attribute", "<a x=1/>", "an attribute value without quotes"},
        // What libxml2 refuses, the check refuses too.
        {"\"--\" inside a comment", "<a><!-- a -- b --></a>", "\"--\" inside a comment"},
        {"\"]]>\" in text", "<a>x]]>y</a>", "\"]]>\" in text"},
        {"\"]]>\" in text across tags", "<a><b>]]</b>]]]></a>", "\"]]>\" in text"},
        {"a reference to a character XML does not have", "<a>&#0;</a>", "the unknown reference &#0;"},
        {"a reference beyond Unicode", "<a>&#x110000;</a>", "the unknown reference"},
        {"an overlong UTF-8 form", "<a>\xE0\x80\xAF</a>", "a byte that is not UTF-8"},
        {"a surrogate in UTF-8", "<a>\xED\xA0\x80</a>", "a byte that is not UTF-8"},
        {"U+FFFF", "<a>\xEF\xBF\xBF</a>", "a byte that is not UTF-8"},
        {"a declaration not at the start", " <?xml version=\"1.0\"?><a/>", "a name XML keeps for the declaration"},
        // Processing instructions as libxml2 reads them: a name, then blanks
        // unless "?>" follows at once; names XML parsers only warn of pass.
        {"processing instructions before, inside and after the root",
         "<?p?><?x:y z?>\n<a><?xml-stylesheet href='s'?><?q ?\?></a><?xmlq\r\n?x?>", nullptr},
        {"a processing instruction without a name", "<a><? p?></a>", "a processing instruction without a name"},
        {"a '?' after a processing instruction's name that does not end it", "<a><?p?x?></a>",
         "followed by neither a blank nor \"?>\""},
        {"\"?\?>\" after a processing instruction's name", "<a/><?p?\?>", "followed by neither a blank nor \"?>\""},
        {"\"]]>\" and \"?>\" with text between", "<a><![CDATA[]]x>]]></a><?p a?b>c?>", nullptr},
        {"a processing instruction named XML", "<?XML version=\"1.0\"?><a/>", "a name XML keeps for the declaration"},
        {"text of 10,000,000 bytes in a comment, a processing instruction and a CDATA section",
         "<!--" + std::string(9999999, 'c') + "\r\n-->\n<a><?p \r\n" + std::string(9999998, 'x') + "\r\n\r?><![CDATA[" +
             std::string(9999997, 'x') + "]]]]]></a>",
         nullptr},
        {"a comment of 10,000,001 bytes", "<a/><!--" + std::string(10000001, 'x') + "-->",
         "a comment of more than 10,000,000 bytes"},
        {"a processing instruction of 10,000,001 bytes", "<a><?p " + std::string(10000001, 'x') + "?></a>",
         "a processing instruction of more than 10,000,000 bytes"},
        {"a CDATA section of 10,000,001 bytes", "<a><![CDATA[" + std::string(10000000, 'x') + "\r\r]]></a>",
         "a CDATA section of more than 10,000,000 bytes"},
        {"a declaration naming another encoding", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>",
         "an XML declaration this check does not take"},
        {"a DOCTYPE without a name", "<!DOCTYPE><a/>", "a DOCTYPE this check does not take"},
        {"an attribute twice", "<a b='1' b='2'/>", "the attribute b twice"},
        {"attributes without a blank between them", "<a b='1'c='2'/>", "without a blank between them"},
        {"a name beyond ASCII", "<a\xC3\x97/>", "a broken start tag"},
        {"elements nested 257 deep", Nested(257), nullptr},
        {"elements nested 258 deep", Nested(258), "nested deeper than 257 levels"},
        // The file is read in blocks of 64 KiB: tags across a block's end.
        {"tags across blocks", "<a>" + std::string(65530, 'x') + "<bb></bb><c/></a>", nullptr},
        {"crossed tags across blocks", "<a><c>" + std::string(65527, 'x') + "<bb></c></bb></a>",
         "the end tag </c> closes <bb>"},
        // Elements of one line, the most of an export, read in one go.
        {"one-line elements", "<a>\n<b>12.50</b>\n<c></c>\n<d>R&amp;D \xC5\x81\xC3\xB3" "d\xC5\xBA</d>\n</a>", nullptr},
        {"a one-line element closed by another name", "<a><b>x</c></a>", "the end tag </c> closes <b>"},
        {"a one-line element closed by a shorter name", "<a><bb>x</b></a>", "the end tag </b> closes <bb>"},
        {"a control character in a one-line element", "<a>\n<b>x\x01</b></a>", "the control character 0x01, which XML does not allow (line 2)"},
        {"a one-line element across blocks", "<a>" + std::string(65525, 'x') + "<bb>12</bb></a>", nullptr},
        // A text-mode run-time may end a file with a ^Z: the file's end.
        {"a ^Z as the last byte", "<a/>\r\n\x1A", nullptr},
        {"a ^Z as the last byte of a block of its own", "<a>" + std::string(65532, 'x') + "</a>" + std::string(65532, ' ') + "\x1A", nullptr},
        {"a ^Z with a byte after it", "<a/>\x1A\n", "the control character 0x1A"},
        {"two ^Z at the end", "<a/>\x1A\x1A", "the control character 0x1A"},
        {"a ^Z ending a block, the document going on", "<a>" + std::string(65532, 'x') + "\x1A</a>",
         "the control character 0x1A"},
    };
    TestDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("doc.xml");
        WriteFileBytes(path, c.bytes);
        const std::string problem = XmlDocumentProblem(path);
        if (c.problem == nullptr)
            EXPECT_EQ(problem, "");
        else
            EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    }
}

class CommandEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFileBytes(dir_.file("untouched.xml"), "<a>");
        HostConfig config;
        config.dataDirectory = dir_.path();
        config.today = "2021-02-10";
        std::string error;
        ASSERT_TRUE(HostStart(config, &error)) << error;
    }
    void TearDown() override
    {
        HostFailAllocation(0);
        HostClearWithheldEntries();
        HostStop();
    }
    static void Write(const std::string& path, const char* text)
    {
        void* file = tomiva::HostOpenFile(path.c_str(), "wt", kOpenShareDenyNone, 0, kOpenAccessDefault);
        ASSERT_NE(file, nullptr);
        tomiva::HostFilePrintf(file, "%s", text);
        tomiva::HostCloseFile(file);
    }

    TestDir dir_;
    TestDir elsewhere_;
};

// What the command wrote is what changed in the data directory (whatever
// name it was written under first), and what it opened for writing
// elsewhere; an XML file that is not whole marks the command.
TEST_F(CommandEnd, ListsTheFilesWrittenAndMarksAnIncompleteXmlFile)
{
    Write(dir_.file("whole.xml"), "<a/>\n");
    Write(dir_.file("cut.xml"), "<a><b>");
    Write(dir_.file("settings.tmp"), "258 bytes, say");
    ASSERT_EQ(std::rename(dir_.file("settings.tmp").c_str(), dir_.file("settings.cfg").c_str()), 0);
    Write(elsewhere_.file("out.xml"), "<z/>");
    void* leftOpen = tomiva::HostOpenFile("open.txt", "wt", kOpenShareDenyNone, 0, kOpenAccessDefault);
    tomiva::HostFilePrintf(leftOpen, "flushed by the end of the command");

    std::vector<std::string> written = HostFinishCommand();
    std::vector<std::string> expected = {dir_.file("open.txt"), dir_.file("settings.cfg"), dir_.file("whole.xml"),
                                         elsewhere_.file("out.xml")};
    std::sort(written.begin(), written.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(written, expected);
    EXPECT_EQ(ReadFileBytes(dir_.file("open.txt")), "flushed by the end of the command");
    ASSERT_EQ(HostState().failures.size(), 1u);
    EXPECT_EQ(HostState().failures[0].kind, HostFailureKind::FileIncomplete);
    EXPECT_EQ(HostState().failures[0].text, dir_.file("cut.xml") +
                                                " is not a whole XML document: the file ends before the element"
                                                " <b> is closed (line 1)");
}

// Each kind of failure as the host learns of it.
TEST_F(CommandEnd, EachKindOfFailureIsRecordedWhereItHappens)
{
    EXPECT_EQ(native_module_TOMIVA.lookupByNumber(52030) != nullptr, true);
    EXPECT_TRUE(HostState().failures.empty());

    HostWithholdEntry(52130);
    EXPECT_EQ(native_module_TOMIVA.lookupByNumber(52130), nullptr);
    EXPECT_EQ(native_module_TOMIVA.lookupByNumber(52130), nullptr); // asked again: recorded once
    HostFailAllocation(1);
    EXPECT_EQ(tomiva::HostAlloc(16), nullptr);
    tomiva::HostErrorMessage("Operacja konwersji nieudana");

    ASSERT_EQ(HostState().failures.size(), 3u);
    EXPECT_EQ(HostState().failures[0].kind, HostFailureKind::EntryMissing);
    EXPECT_EQ(HostState().failures[0].text, "the plug-in asked for host entry 52130, which this host does not have");
    EXPECT_EQ(HostState().failures[1].kind, HostFailureKind::HostFailed);
    EXPECT_EQ(HostState().failures[1].text, "memory ran short: the plug-in asked for 16 bytes and got none");
    EXPECT_EQ(HostState().failures[2].kind, HostFailureKind::PluginReported);
    EXPECT_EQ(HostState().failures[2].text, "the plug-in reported: Operacja konwersji nieudana");

    // A new session starts without them.
    HostStop();
    HostConfig config;
    config.dataDirectory = dir_.path();
    std::string error;
    ASSERT_TRUE(HostStart(config, &error)) << error;
    EXPECT_TRUE(HostState().failures.empty());
    EXPECT_FALSE(HostFailedWith(HostFailureKind::EntryMissing));
}

// The check reads each file while the plug-in writes it; its verdict counts
// only for the file as its writer left it.  Whatever touched the file after
// the writer (or beside it) sends the host back to read the file again.
TEST_F(CommandEnd, AFileIsCheckedWhileWrittenAndReadAgainWhenItChangedSince)
{
    // A document of some megabytes, written as an export writes one: a line
    // at a time, the root's end last.
    std::string body = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>\n";
    for (int i = 0; i < 40000; ++i)
        body += "<b n=\"" + std::to_string(i) + "\">Kowalski &amp; syn, \xC5\x81\xC3\xB3" "d\xC5\xBA</b>\n";
    const std::string whole = body + "</a>\n";
    auto writeThrough = [](const std::string& path, const std::string& text, const char* mode = "wb") {
        void* file = tomiva::HostOpenFile(path.c_str(), mode, kOpenShareDenyNone, 0, kOpenAccessDefault);
        EXPECT_NE(file, nullptr);
        for (std::size_t at = 0; at < text.size(); at += 4096) {
            const std::string piece = text.substr(at, 4096);
            tomiva::HostWriteFile(piece.data(), 1, static_cast<int>(piece.size()), file);
        }
        return file;
    };
    struct Case {
        const char* what;
        std::string written;
        std::function<void(const std::string& path)> afterwards; // the writer closed
        const char* problem; // a piece of it, or null for a whole document
        bool followed;
    };
    const Case cases[] = {
        {"written under another name and moved into place", whole, nullptr, nullptr, true},
        {"left without the root's end by its writer", body, nullptr, "ends before the element <a> is closed", true},
        {"broken in the middle by its writer", body + "<b>R&D</b>\n</a>\n", nullptr, "a '&' that starts no entity",
         false},
        {"added to afterwards", whole,
         [](const std::string& path) {
             const int fd = open(path.c_str(), O_WRONLY | O_APPEND);
             ASSERT_GE(fd, 0);
             ASSERT_EQ(write(fd, "<c/>", 4), 4);
             close(fd);
         },
         "a second root element", false},
        {"changed afterwards in place, at the same size", whole,
         [&](const std::string& path) {
             const int fd = open(path.c_str(), O_WRONLY);
             ASSERT_GE(fd, 0);
             ASSERT_EQ(pwrite(fd, "<", 1, static_cast<off_t>(whole.size() - 4)), 1); // "</a>" -> "<<a>"
             close(fd);
             const timespec later[2] = {{0, UTIME_OMIT}, {time(nullptr) + 60, 0}};
             ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), later, 0), 0);
         },
         "<", false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HostStop();
        HostConfig config;
        config.dataDirectory = dir_.path();
        std::string error;
        ASSERT_TRUE(HostStart(config, &error)) << error;
        const std::string name = "export" + std::to_string(++n) + ".xml";
        tomiva::HostCloseFile(writeThrough(name + ".tmp", c.written));
        ASSERT_EQ(std::rename(dir_.file(name + ".tmp").c_str(), dir_.file(name).c_str()), 0);
        if (c.afterwards)
            c.afterwards(dir_.file(name));

        const std::vector<std::string> written = HostFinishCommand();
        const bool passed = std::find(written.begin(), written.end(), dir_.file(name)) != written.end();
        if (c.problem == nullptr) {
            EXPECT_TRUE(passed);
            EXPECT_TRUE(HostState().failures.empty());
        } else {
            EXPECT_FALSE(passed);
            ASSERT_EQ(HostState().failures.size(), 1u);
            EXPECT_NE(HostState().failures[0].text.find(c.problem), std::string::npos) << HostState().failures[0].text;
            // The same words as a reading of the file as it stands.
            EXPECT_EQ(HostState().failures[0].text,
                      dir_.file(name) + " is not a whole XML document: " + XmlDocumentProblem(dir_.file(name)));
        }
        EXPECT_EQ(WrittenCheckTallySoFar().followed, c.followed ? 1 : 0);
        EXPECT_EQ(WrittenCheckTallySoFar().readAgain, c.followed ? 0 : 1);
    }
}

// A file that another program put in the place of the one the command wrote,
// or wrote beside it, is not the command's: neither listed nor checked.
TEST_F(CommandEnd, AnotherProgramsFilesAreNotTheCommands)
{
    for (const std::string& replacement : {std::string("<a>"), std::string("<a/>\n")}) {
        SCOPED_TRACE(replacement);
        HostStop();
        HostConfig config;
        config.dataDirectory = dir_.path();
        std::string error;
        ASSERT_TRUE(HostStart(config, &error)) << error;
        Write(dir_.file("ours.xml"), "<a/>\n");
        Write(dir_.file("replaced.xml"), "<a/>\n");
        const std::string other = dir_.file("other.tmp");
        WriteFileBytes(other, replacement);
        ASSERT_EQ(std::rename(other.c_str(), dir_.file("replaced.xml").c_str()), 0);
        WriteFileBytes(dir_.file("notes.xml"), "<broken");
        EXPECT_EQ(HostFinishCommand(), std::vector<std::string>{dir_.file("ours.xml")});
        EXPECT_TRUE(HostState().failures.empty());
    }
}

// A file the host writes through two handles at once is read at the end:
// what one follower read, the other handle may have changed.
TEST_F(CommandEnd, AFileWrittenThroughTwoHandlesAtOnceIsReadAgain)
{
    void* first = tomiva::HostOpenFile("twice.xml", "ab", kOpenShareDenyNone, 0, kOpenAccessDefault);
    void* second = tomiva::HostOpenFile("twice.xml", "ab", kOpenShareDenyNone, 0, kOpenAccessDefault);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    tomiva::HostFilePrintf(first, "%s", "<a>");
    tomiva::HostCloseFile(first);
    tomiva::HostFilePrintf(second, "%s", "</a>");
    tomiva::HostCloseFile(second);
    const std::vector<std::string> written = HostFinishCommand();
    EXPECT_NE(std::find(written.begin(), written.end(), dir_.file("twice.xml")), written.end());
    EXPECT_EQ(WrittenCheckTallySoFar().followed, 0);
    EXPECT_EQ(WrittenCheckTallySoFar().readAgain, 1);
}

} // namespace
