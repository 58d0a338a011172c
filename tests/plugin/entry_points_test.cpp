// The plug-in's entry points: the query, the load with its version and
// install notices, and the INI key that silences the install notice.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "host/plugins/plugin_registry.h"
#include "shell/binding.h"
#include "plugin/entry_points.h"
#include "shell/platform.h"
#include "support/export_harness.h"
#include "support/test_files.h"

namespace {

class EntryPoints : public ::testing::Test {
protected:
    void SetUp() override
    {
        host_ = std::make_unique<TestHost>(TestConfig("", dir_.path()));
        ASSERT_TRUE(host_->started()) << host_->error();
        ResetHostBinding();
        HostSetInterfaceNumber(112);
    }
    void TearDown() override
    {
        HostSetInterfaceNumber(112);
        HostForgetMenuEntries();
        HostClearWithheldEntries();
        ResetHostBinding();
        unsetenv("TOMIVA_PROMPT_ANSWERS");
    }
    std::string Ini() const { return dir_.file("EksportFKVentalor.ini"); }
    static int hostProcedure;
    TestDir dir_;
    std::unique_ptr<TestHost> host_;
};
int EntryPoints::hostProcedure = 0;

TEST_F(EntryPoints, QueryWithoutHostProcedureReleasesTheCommandAndLeavesTheBufferAlone)
{
    PluginLoad(0);
    ASSERT_EQ(HostMenuEntries().size(), 1u);
    HostSetInterfaceNumber(111);
    char name[32];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(PluginQuery(nullptr, name), 0);
    EXPECT_EQ(name[0], 'x');
    EXPECT_TRUE(HostMenuEntries().empty());
}

TEST_F(EntryPoints, QueryCopiesTheNameAndChecksTheInterfaceNumber)
{
    struct Case {
        int interfaceNumber;
        bool withBuffer;
        int result;
    };
    for (const Case c : {Case{112, true, 0}, Case{111, true, -1}, Case{112, false, 0}, Case{113, false, -1}}) {
        HostSetInterfaceNumber(c.interfaceNumber);
        char name[32];
        std::memset(name, 'x', sizeof name);
        EXPECT_EQ(PluginQuery(&hostProcedure, c.withBuffer ? name : nullptr), c.result) << c.interfaceNumber;
        if (c.withBuffer) {
            EXPECT_EQ(std::memcmp(name, "Eksport Ventalor (txt)", 23), 0); // 22 characters and the NUL
            EXPECT_EQ(name[23], 'x');
        }
    }
}

TEST_F(EntryPoints, RefusedLoadShowsOnlyTheVersionNotice)
{
    EXPECT_EQ(PluginLoad(1), 0);
    EXPECT_TRUE(HostMenuEntries().empty());
    ASSERT_EQ(HostShownMessages().size(), 1u);
    EXPECT_EQ(HostShownMessages()[0].title, "STOP!!!");
    EXPECT_EQ(HostShownMessages()[0].text,
              "Moduł \"Eksport Ventalor (txt)\" i program występują w różnych wersjach!\n\nZostał zakualizowany "
              "tylko program albo tylko moduł,\na nie oba jednocześnie! Aby naprawić tę sytuację\nzainstaluj "
              "aktualizację programu wraz z modułem \"Eksport Ventalor (txt)\".\n\nMODUŁ NIE ZOSTANIE ZAŁADOWANY!!!\n");
    EXPECT_FALSE(FileExists(Ini()));
}

TEST_F(EntryPoints, LoadRegistersTheMenuEntry)
{
    EXPECT_EQ(PluginLoad(0), 0);
    ASSERT_EQ(HostMenuEntries().size(), 1u);
    EXPECT_EQ(HostMenuEntries()[0].name, "Eksport Ventalor (txt)");
    EXPECT_EQ(HostMenuEntries()[0].command, 0x7933u);
}

TEST_F(EntryPoints, InstallNoticeFollowsTheIniKey)
{
    struct Case {
        const char* ini; // null: no file
        bool shown;
        const char* after;
    };
    const Case cases[] = {
        // Absent: shown, and the flag the notice left (0 in batch) is written.
        {nullptr, true, "[EksportFKVentalor]\nPytaj=0\n"},
        {"[EksportFKVentalor]\nPytaj=0\n", true, "[EksportFKVentalor]\nPytaj=0\n"},
        {"[EksportFKVentalor]\nPytaj=1\n", false, "[EksportFKVentalor]\nPytaj=1\n"},
        // Only the low 16 bits count; the flag is written back sign-extended.
        {"[EksportFKVentalor]\nPytaj=65536\n", true, "[EksportFKVentalor]\nPytaj=0\n"},
        {"[EksportFKVentalor]\nPytaj=65537\n", false, "[EksportFKVentalor]\nPytaj=65537\n"},
        {"[Inna]\nPytaj=1\n", true, "[Inna]\nPytaj=1\n[EksportFKVentalor]\nPytaj=0\n"},
    };
    for (const Case& c : cases) {
        std::remove(Ini().c_str());
        if (c.ini != nullptr)
            WriteFileBytes(Ini(), c.ini);
        HostClearShownMessages();
        PluginLoad(0);
        const auto texts = ShownTexts();
        if (c.shown)
            EXPECT_EQ(texts, std::vector<std::string>{"Zainstalowano wtyczkę do programu:\nEksport Ventalor (txt)"})
                << (c.ini ? c.ini : "no file");
        else
            EXPECT_TRUE(texts.empty()) << c.ini;
        EXPECT_EQ(ReadFileBytes(Ini()), c.after) << (c.ini ? c.ini : "no file");
    }
}

// A missing entry answered with Abort in the load or the query: the entry
// point stops where it is and gives its ordinary result; the mark does not
// outlive it.
TEST_F(EntryPoints, AbandonedEntryEndsOnlyItsEntryPoint)
{
    setenv("TOMIVA_PROMPT_ANSWERS", "abort,abort,abort", 1);
    PlatformRestartScriptedAnswers();
    testing::internal::CaptureStderr();

    HostWithholdEntry(51594); // HostInterfaceVersion: 0 is no interface the plug-in knows
    char name[32];
    EXPECT_EQ(PluginQuery(&hostProcedure, name), -1);
    EXPECT_STREQ(name, "Eksport Ventalor (txt)");
    EXPECT_FALSE(CommandAbandoned());

    HostWithholdEntry(52081); // HostRegisterPlugin: no entry, and no install notice after it
    EXPECT_EQ(PluginLoad(0), 0);
    EXPECT_TRUE(HostMenuEntries().empty());
    EXPECT_TRUE(HostShownMessages().empty());
    EXPECT_FALSE(FileExists(Ini()));

    HostClearWithheldEntries();
    ResetHostBinding();
    HostWithholdEntry(52023); // HostNotice: the key is not written back
    EXPECT_EQ(PluginLoad(0), 0);
    EXPECT_EQ(HostMenuEntries().size(), 1u);
    EXPECT_FALSE(FileExists(Ini()));
    testing::internal::GetCapturedStderr();
}

} // namespace
