// The store of a run's documents: how many blocks a stream of a given
// length takes (their sizes double from 64 KiB up to 16 MiB, then stay),
// and every byte read back in order across the blocks' ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "export/document_store.h"
#include "host/app/host_runtime.h"
#include "support/export_harness.h"
#include "support/test_files.h"

namespace {

TEST(DocumentStore, BlocksDoubleUpToTheirCapAndHoldEveryByteInOrder)
{
    TestDir dir;
    TestHost host(TestConfig("", dir.path()));
    ASSERT_TRUE(host.started()) << host.error();
    constexpr int32_t KiB = 1024, MiB = 1024 * 1024;
    struct Case {
        int32_t bytes;
        int32_t blocks;
    };
    const Case cases[] = {
        {1 * KiB, 1},
        {64 * KiB, 1},           // the first block, full
        {64 * KiB + 1, 2},       // one byte into the second, of 128 KiB
        {200 * KiB, 3},          // 64 + 128 + 256
        {20 * MiB, 9},           // 64 KiB .. 16 MiB: 32,704 KiB in nine blocks
        {50 * MiB, 11},          // then 16 MiB each: 49,088 KiB in ten, so eleven
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bytes) + " bytes");
        DocumentStore store;
        std::memset(&store, 0, sizeof store);
        // Records of 1,000 bytes, each byte telling its place, read back in
        // pieces of another length.
        std::vector<unsigned char> record(1000);
        for (int32_t at = 0; at < c.bytes; at += 1000) {
            const int32_t n = std::min<int32_t>(1000, c.bytes - at);
            for (int32_t i = 0; i < n; ++i)
                record[static_cast<std::size_t>(i)] = static_cast<unsigned char>((at + i) % 251);
            ASSERT_TRUE(StorePut(store, record.data(), n));
        }
        EXPECT_EQ(store.blockCount, c.blocks);
        std::vector<unsigned char> piece(777);
        bool same = true;
        int32_t at = 0;
        for (; at + 777 <= c.bytes && same; at += 777) {
            ASSERT_TRUE(StoreGet(store, piece.data(), 777));
            for (int32_t i = 0; i < 777; ++i)
                same = same && piece[static_cast<std::size_t>(i)] == static_cast<unsigned char>((at + i) % 251);
        }
        EXPECT_TRUE(same) << "a byte differs in the piece at " << at - 777;
        EXPECT_TRUE(StoreGet(store, piece.data(), c.bytes - at));
        EXPECT_FALSE(StoreGet(store, piece.data(), 1)) << "more than was put";
        StoreRelease(store);
        EXPECT_EQ(HostLiveBlocks(), 0);
    }
}

} // namespace
