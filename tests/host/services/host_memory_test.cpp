// The host's allocation entries and the failure injection that tests of the
// plug-in's out-of-memory paths rely on.
#include <gtest/gtest.h>

#include <cstring>

#include "host/host_entry_impl.h"
#include "host/services/host_memory.h"

namespace {

class HostMemory : public ::testing::Test {
protected:
    void TearDown() override { HostFailAllocation(0); }
};

TEST_F(HostMemory, FailureHitsExactlyTheNthCallOfAnyAllocationEntry)
{
    HostFailAllocation(3);
    void* first = tomiva::HostAlloc(8);
    void* second = tomiva::HostAllocClear(2, 4);
    void* block = nullptr;
    const int third = tomiva::HostRealloc(&block, 16); // the 3rd call: fails
    void* fourth = tomiva::HostAlloc(8);               // and only that one

    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(third, 0);
    EXPECT_EQ(block, nullptr);
    EXPECT_NE(fourth, nullptr);
    tomiva::HostFree(first);
    tomiva::HostFree(second);
    tomiva::HostFree(fourth);
}

TEST_F(HostMemory, CountsCallsAndLiveBlocks)
{
    const long calls = HostAllocationCount();
    const long live = HostLiveBlocks();

    void* a = tomiva::HostAlloc(10);
    void* b = nullptr;
    ASSERT_EQ(tomiva::HostRealloc(&b, 10), 1); // a null block becomes a new one
    ASSERT_EQ(tomiva::HostRealloc(&b, 1000), 1); // growing keeps the count
    EXPECT_EQ(HostLiveBlocks(), live + 2);
    tomiva::HostFree(a);
    tomiva::HostFree(b);
    tomiva::HostFree(nullptr);
    EXPECT_EQ(HostLiveBlocks(), live);
    EXPECT_EQ(HostAllocationCount(), calls + 3);
}

TEST_F(HostMemory, FailedReallocLeavesTheOldBlock)
{
    void* block = nullptr;
    ASSERT_EQ(tomiva::HostRealloc(&block, 4), 1);
    std::memcpy(block, "abc", 4);
    void* const before = block;

    HostFailAllocation(1);
    EXPECT_EQ(tomiva::HostRealloc(&block, 400), 0);
    EXPECT_EQ(block, before);
    EXPECT_STREQ(static_cast<char*>(block), "abc");

    ASSERT_EQ(tomiva::HostRealloc(&block, 400), 1); // contents move along
    EXPECT_STREQ(static_cast<char*>(block), "abc");
    tomiva::HostFree(block);
}

TEST_F(HostMemory, AllocClearZeroFillsAndRefusesOverflow)
{
    // Two flag tables of the export run.
    unsigned char* flags = static_cast<unsigned char*>(tomiva::HostAllocClear(66000, 1));
    ASSERT_NE(flags, nullptr);
    for (int i = 0; i < 66000; ++i)
        ASSERT_EQ(flags[i], 0) << i;
    tomiva::HostFree(flags);

    const long live = HostLiveBlocks();
    EXPECT_EQ(tomiva::HostAllocClear(65536, 65536), nullptr); // 2^32 wraps to 0 in 32 bits
    EXPECT_EQ(tomiva::HostAllocClear(0x10000, 0x8000), nullptr);
    EXPECT_EQ(tomiva::HostAllocClear(-1, 8), nullptr);
    EXPECT_EQ(tomiva::HostAlloc(-1), nullptr);
    EXPECT_EQ(HostLiveBlocks(), live);
}

// The host knows every block it handed out, also across moves of HostRealloc,
// and releases what a plug-in left when it stops.
TEST_F(HostMemory, BlocksLeftBehindAreReclaimed)
{
    HostReclaimBlocks();
    void* a = tomiva::HostAlloc(8);
    void* b = nullptr;
    ASSERT_EQ(tomiva::HostRealloc(&b, 16), 1);
    for (int size = 32; size < 1 << 20; size *= 4)
        ASSERT_EQ(tomiva::HostRealloc(&b, size), 1); // moves it, sooner or later
    void* c = tomiva::HostAllocClear(4, 4);
    tomiva::HostFree(c);
    EXPECT_EQ(HostLiveBlocks(), 2);
    EXPECT_EQ(HostReclaimBlocks(), 2); // a and b; the sanitizers see a leak or a double release
    EXPECT_EQ(HostLiveBlocks(), 0);
    (void)a;
}

} // namespace
