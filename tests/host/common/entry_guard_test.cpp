// The boundary of a host entry: an exception inside becomes the entry's
// failure result, nothing escapes, and what was caught is reported.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/common/entry_guard.h"

namespace {

static_assert(noexcept(HostEntryGuard(0, [] { return 1; })), "the guard must never throw itself");

TEST(EntryGuard, GivesTheBodysResultOrTheFailureForAnyException)
{
    EXPECT_EQ(HostEntryGuard(0, [] { return 7; }), 7);
    EXPECT_EQ(HostEntryGuard(0, []() -> int { throw std::bad_alloc(); }), 0);
    EXPECT_EQ(HostEntryGuard(1, []() -> int { throw std::length_error("too long"); }), 1);
    EXPECT_EQ(HostEntryGuard(-1, []() -> int { throw 42; }), -1); // not even a std::exception

    int value = 0;
    EXPECT_EQ(HostEntryGuard<int*>(nullptr, [&] { return &value; }), &value);
    EXPECT_EQ(HostEntryGuard<int*>(nullptr, []() -> int* { throw std::bad_alloc(); }), nullptr);
}

TEST(EntryGuard, ReportsWhatItCaughtNamingMemory)
{
    static std::vector<EntryFailure> reported;
    reported.clear();
    SetEntryFailureReporter([](EntryFailure failure) noexcept { reported.push_back(failure); });
    HostEntryGuard(0, [] { return 7; });
    HostEntryGuard(0, []() -> int { throw std::bad_alloc(); });
    HostEntryGuard(0, []() -> int { throw std::length_error("too long"); });
    SetEntryFailureReporter(nullptr);
    EXPECT_EQ(reported, (std::vector<EntryFailure>{EntryFailure::Memory, EntryFailure::Other}));

    // Without a reporter of the host's, a line on the standard error says it.
    testing::internal::CaptureStderr();
    HostEntryGuard(0, []() -> int { throw std::bad_alloc(); });
    EXPECT_NE(testing::internal::GetCapturedStderr().find("memory ran short"), std::string::npos);
}

} // namespace
