// The host mode word: bits set and cleared by mask, 16 of them.
#include <gtest/gtest.h>

#include <string>

#include "host/host_entry_impl.h"

namespace {

TEST(HostModeFlags, BitsAreSetAndClearedByMask)
{
    const int before = tomiva::HostGetModeFlags();
    tomiva::HostSetModeFlags(0xFFFF, 0);
    struct Step {
        int mask, set, after;
    };
    const Step steps[] = {
        {0x8000, 1, 0x8000}, {0x0003, 1, 0x8003}, {0x8000, 1, 0x8003}, {0x8001, 0, 0x0002},
        {0x0004, 0, 0x0002}, {0x12345, 1, 0x2347}, // only the 16 bits of the word
        {0x2345, 7, 0x2347},                       // any non-zero "set" sets
        {0xFFFF, 0, 0x0000},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::to_string(s.mask) + "/" + std::to_string(s.set));
        EXPECT_EQ(tomiva::HostSetModeFlags(s.mask, s.set), s.after);
        EXPECT_EQ(tomiva::HostGetModeFlags(), s.after);
    }
    tomiva::HostSetModeFlags(before, 1);
}

} // namespace
