// A failure that a host entry catches inside itself, reported to the
// session: recorded as the host's failure, told to the user once naming
// memory, and the files the plug-in is writing withdrawn (removed when
// closed); a file closed before stays.
#include <gtest/gtest.h>

#include <new>

#include "host/app/host_runtime.h"
#include "host/common/entry_guard.h"
#include "host/host_entry_impl.h"
#include "host/services/host_files.h"
#include "host/services/host_messages.h"
#include "host/services/host_session.h"
#include "support/export_harness.h"
#include "support/test_files.h"

namespace {

TEST(HostFailures, MemoryShortageWithdrawsTheFilesBeingWrittenAndIsToldOnce)
{
    TestDir dir;
    TestHost host(TestConfig("", dir.path()));
    ASSERT_TRUE(host.started()) << host.error();

    void* settings = tomiva::HostOpenFile("a_mas.cfg", "wb", 0x40, 0, -1);
    ASSERT_NE(settings, nullptr);
    ASSERT_EQ(tomiva::HostCloseFile(settings), 1); // closed before: stays
    void* reading = tomiva::HostOpenFile("a_mas.cfg", "rb", 0x40, 0, -1);
    void* export1 = tomiva::HostOpenFile("qPX_2021-02-10.xml", "wt", 0x40, 0, -1);
    ASSERT_NE(export1, nullptr);
    tomiva::HostFilePrintf(export1, "%s\n", "<ROOT>");

    HostEntryGuard(0, []() -> int { throw std::bad_alloc(); });
    HostEntryGuard(0, []() -> int { throw std::bad_alloc(); });

    EXPECT_TRUE(HostFailedWith(HostFailureKind::HostFailed));
    const auto& shown = HostShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, "error");
    EXPECT_NE(shown[0].text.find("ran short of memory"), std::string::npos);
    EXPECT_NE(shown[0].text.find("removed"), std::string::npos);

    EXPECT_EQ(tomiva::HostCloseFile(export1), 0); // it does not stand
    EXPECT_FALSE(FileExists(dir.file("qPX_2021-02-10.xml")));
    EXPECT_EQ(tomiva::HostCloseFile(reading), 1);
    EXPECT_TRUE(FileExists(dir.file("a_mas.cfg")));

    // A file opened for writing and left open is removed when the host stops.
    void* left = tomiva::HostOpenFile("left.xml", "wt", 0x40, 0, -1);
    ASSERT_NE(left, nullptr);
    HostEntryGuard(0, []() -> int { throw std::bad_alloc(); });
    HostStop();
    EXPECT_FALSE(FileExists(dir.file("left.xml")));
}

} // namespace
