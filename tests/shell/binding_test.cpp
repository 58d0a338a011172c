// Binding of host entries on first use, and what happens when the host does
// not have one: the prompt, its answers, the fallbacks, abandoned calls.
#include <gtest/gtest.h>

#include <csetjmp>
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

    // Calls the work under a guard; returns the entry whose call was
    // abandoned, or 0.
    template <typename Work>
    static int Abandoned(Work work)
    {
        HostCallGuard guard{};
        guard.outer = g_hostCallGuard;
        g_hostCallGuard = &guard;
        volatile int abandoned = 0;
        if (setjmp(guard.where) == 0)
            work();
        else
            abandoned = guard.abandonedEntry;
        g_hostCallGuard = guard.outer;
        return abandoned;
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

TEST_F(Binding, AbortAbandonsTheCallAndTheNextCallAsksAgain)
{
    HostWithholdEntry(52028);
    Answers("abort,ignore");
    testing::internal::CaptureStderr();
    EXPECT_EQ(Abandoned([] { HostMessageBox("t", "x", 1); }), 52028);
    // The slot went back to binding: the next call asks again (Ignore now).
    EXPECT_EQ(Abandoned([] { EXPECT_EQ(HostMessageBox("t", "x", 1), 0); }), 0);
    EXPECT_EQ(Count(testing::internal::GetCapturedStderr(), "POWAŻNY"), 2);
}

TEST_F(Binding, EntryWithoutFallbackIsNeverCalledThroughAnEmptySlot)
{
    HostWithholdEntry(21287); // HostFree: 87 gives no fallback, even after Ignore
    Answers("ignore");
    testing::internal::CaptureStderr();
    void* block = HostAlloc(16);
    EXPECT_EQ(Abandoned([&] { HostFree(block); }), 21287);
    testing::internal::GetCapturedStderr();
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
