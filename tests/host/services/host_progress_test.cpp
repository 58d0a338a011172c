// The progress window: texts kept line by line, a null line unchanged.
#include <gtest/gtest.h>

#include "host/host_entry_impl.h"
#include "host/services/host_progress.h"

namespace {

TEST(HostProgress, NullLeavesALineAsItWasAndTextsAreShownInUtf8)
{
    tomiva::HostProgressOpen(856);
    tomiva::HostProgressText(nullptr, "Dokumenty zakupu");
    tomiva::HostProgressUpdate();
    tomiva::HostProgressText("12", nullptr);
    tomiva::HostProgressUpdate();
    tomiva::HostProgressText(nullptr, "Os. fizyczne \x9C\x92");

    HostProgressView now = HostProgressNow();
    EXPECT_TRUE(now.open);
    EXPECT_EQ(now.heading, "Os. fizyczne Łł");
    EXPECT_EQ(now.detail, "12");
    EXPECT_EQ(now.updates, 2);

    tomiva::HostProgressClose();
    EXPECT_FALSE(HostProgressNow().open);

    tomiva::HostProgressOpen(856); // a new window starts empty
    now = HostProgressNow();
    EXPECT_EQ(now.heading, "");
    EXPECT_EQ(now.detail, "");
    EXPECT_EQ(now.updates, 0);
    tomiva::HostProgressClose();
}

} // namespace
