// Binding of host entries on first use, and what happens when the host does
// not have one: the prompt, its answers, the fallbacks, abandoned calls and
// the command's mark.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "shell/binding.h"
#include "shell/host_calls.h"
#include "shell/platform.h"
#include "support/export_harness.h"
#include "support/test_files.h"

namespace {

class Binding : public ::testing::Test {
protected:
    void SetUp() override
    {
        host_ = std::make_unique<TestHost>(TestConfig("", dir_.path()));
        ASSERT_TRUE(host_->started()) << host_->error();
        ResetHostBinding();
        HostClearWithheldEntries();
    }
    void TearDown() override
    {
        HostClearWithheldEntries();
        ResetHostBinding();
        unsetenv("TOMIVA_PROMPT_ANSWERS");
    }
    static void Answers(const char* list)
    {
        setenv("TOMIVA_PROMPT_ANSWERS", list, 1);
        PlatformRestartScriptedAnswers();
    }
    static int Count(const std::string& text, const std::string& what)
    {
        int n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

    TestDir dir_;
    std::unique_ptr<TestHost> host_;
};

TEST_F(Binding, BoundEntryIsLookedUpOnceAndCalledStraightAfterwards)
{
    const long before = HostLookupCount(52161);
    char text[8];
    HostCopyField(text, "abc", 7);
    HostCopyField(text, "xyz", 7);
    EXPECT_STREQ(text, "xyz");
    EXPECT_EQ(HostLookupCount(52161), before + 1);
}

TEST_F(Binding, RetryShowsTheSameTextAgainAndIgnoreGivesTheFallback)
{
    HostWithholdEntry(52028); // HostMessageBox: its number ends in 28, a fallback fits
    Answers("retry,retry,ignore");
    testing::internal::CaptureStderr();
    EXPECT_EQ(HostMessageBox("t", "x", 1), 0);
    const std::string shown = testing::internal::GetCapturedStderr();

    EXPECT_EQ(Count(shown, "== POWAŻNY BŁĄD WTYCZKI =="), 3);
    // The emphasis bytes are plain spaces; Polish letters arrive converted.
    EXPECT_NE(shown.find("brak wpisu  52028 \n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Wywołano z wtyczki  Eksport Ventalor (txt) ."), std::string::npos) << shown;
    EXPECT_EQ(shown.find('\x01'), std::string::npos);
    EXPECT_EQ(shown.find('\x02'), std::string::npos);
    EXPECT_TRUE(HostShownMessages().empty());

    // Ignore silences every later prompt: an entry ending in 99 returns 0.
    HostWithholdEntry(41399);
    testing::internal::CaptureStderr();
    int value = 7;
    EXPECT_EQ(HostIniAccess("x.ini", 8, "s", "k", "%d", &value), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(value, 7);
}

TEST_F(Binding, AbortReturnsZeroMarksTheCommandAndAsksNoMoreInIt)
{
    HostWithholdEntry(52028); // HostMessageBox
    HostWithholdEntry(52314); // HostVatRate: a double result, no fallback of its own
    Answers("abort,ignore");
    testing::internal::CaptureStderr();
    {
        CommandSpan command;
        EXPECT_EQ(HostMessageBox("t", "x", 1), 0);
        EXPECT_TRUE(CommandAbandoned());
        EXPECT_EQ(AbandonedEntry(), 52028);
        // Later missing entries of the same command return 0 unasked; the
        // first entry stays the one named.
        EXPECT_EQ(HostVatRate(23), 0.0);
        EXPECT_EQ(AbandonedEntry(), 52028) << "after another entry than the first";
        EXPECT_EQ(HostMessageBox("t", "x", 1), 0);
        EXPECT_EQ(AbandonedEntry(), 52028);
        EXPECT_TRUE(EntryAbandoned(HostSlot_HostVatRate));
        EXPECT_FALSE(EntryAbandoned(HostSlot_HostFree));
        // An entry the host has still answers.
        char text[8];
        HostCopyField(text, "abc", 7);
        EXPECT_STREQ(text, "abc");
    }
    EXPECT_FALSE(CommandAbandoned());
    EXPECT_EQ(Count(testing::internal::GetCapturedStderr(), "POWAŻNY"), 1);

    // The slot stayed at binding: the next command asks again (Ignore now).
    testing::internal::CaptureStderr();
    {
        CommandSpan command;
        EXPECT_EQ(HostMessageBox("t", "x", 1), 0);
        EXPECT_FALSE(CommandAbandoned());
    }
    EXPECT_EQ(Count(testing::internal::GetCapturedStderr(), "POWAŻNY"), 1);
}

TEST_F(Binding, IgnoreOfAnEntryWithoutFallbackAbandonsTheCall)
{
    HostWithholdEntry(21287); // HostFree: 87 gives no fallback, even after Ignore
    HostWithholdEntry(52541); // HostFilePrintf: variadic, 41 gives none either
    Answers("ignore");
    testing::internal::CaptureStderr();
    void* block = HostAlloc(16);
    const long live = HostLiveBlocks();
    {
        CommandSpan command;
        EXPECT_EQ(HostFree(block), 0);
        EXPECT_EQ(AbandonedEntry(), 21287);
        EXPECT_EQ(HostFilePrintf(nullptr, "%d %s %f", 1, "two", 3.0), 0);
        EXPECT_TRUE(EntryAbandoned(HostSlot_HostFilePrintf));
    }
    EXPECT_EQ(HostLiveBlocks(), live); // the block never reached the host
    // After Ignore no prompt is shown again, not even for these.
    EXPECT_EQ(Count(testing::internal::GetCapturedStderr(), "POWAŻNY"), 1);
    HostClearWithheldEntries();
    ResetHostBinding();
    HostFree(block);
}

TEST_F(Binding, PromptDoesNotBindItsOwnConversionAgain)
{
    HostWithholdEntry(52158); // the prompt's own conversion entry
    HostWithholdEntry(52028);
    Answers("ignore");
    testing::internal::CaptureStderr();
    EXPECT_EQ(HostMessageBox("t", "x", 1), 0);
    const std::string shown = testing::internal::GetCapturedStderr();
    // One prompt, its text unconverted (the Mazovia letters show as "?").
    EXPECT_EQ(Count(shown, "brak wpisu"), 1);
    EXPECT_NE(shown.find("Wywo?ano"), std::string::npos) << shown;
}

} // namespace
