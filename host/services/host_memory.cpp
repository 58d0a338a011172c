// The host's allocation entries, with a count of calls and live blocks and a
// way for tests to make one chosen allocation fail.
//
// Blocks come straight from malloc and go back through free, so that the
// sanitizers see every misuse (double release, leak) in plug-in code.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/module/host_entry_impl.h"
#include "host/app/host_runtime.h"
#include "host/services/host_session.h"

namespace {

long g_allocationCalls = 0; // allocation entries called, failed ones included
long g_failAtCall = 0;      // the call number that must fail; 0 = none
long g_liveBlocks = 0;

// Counts the call; false when this is the one that must fail.
bool NextAllocationMayProceed()
{
    ++g_allocationCalls;
    if (g_failAtCall != 0 && g_allocationCalls == g_failAtCall) {
        g_failAtCall = 0;
        return false;
    }
    return true;
}

// Memory the plug-in asked for and did not get: whatever it then leaves out
// (a document, a line) is missing from what the command writes, so the
// command is marked as failed.
void ShortOfMemory(long long bytes)
{
    HostRecordFailure(HostFailureKind::HostFailed,
                      "memory ran short: the plug-in asked for " + std::to_string(bytes) + " bytes and got none");
}

// A request of 0 bytes still gets a block of its own, so that a non-null
// result always means success.
std::size_t BlockSize(long long bytes) { return bytes == 0 ? 1 : static_cast<std::size_t>(bytes); }

} // namespace

void HostFailAllocation(int nth) { g_failAtCall = nth > 0 ? g_allocationCalls + nth : 0; }
long HostAllocationCount() { return g_allocationCalls; }
long HostLiveBlocks() { return g_liveBlocks; }

namespace tomiva {

void* HOST_CONV_CDECL HostAlloc(int size)
{
    const bool mayProceed = NextAllocationMayProceed();
    if (size < 0)
        return nullptr;
    void* block = mayProceed ? std::malloc(BlockSize(size)) : nullptr;
    if (block == nullptr)
        ShortOfMemory(size);
    else
        ++g_liveBlocks;
    return block;
}

void* HOST_CONV_CDECL HostAllocClear(int count, int size)
{
    const bool mayProceed = NextAllocationMayProceed();
    if (count < 0 || size < 0)
        return nullptr;
    // The product must fit the host's 32-bit sizes on every build.
    const long long bytes = static_cast<long long>(count) * size;
    void* block = mayProceed && bytes <= INT_MAX ? std::calloc(BlockSize(bytes), 1) : nullptr;
    if (block == nullptr)
        ShortOfMemory(bytes);
    else
        ++g_liveBlocks;
    return block;
}

int HOST_CONV_CDECL HostRealloc(void** block, int size)
{
    const bool mayProceed = NextAllocationMayProceed();
    if (block == nullptr || size < 0)
        return 0;
    void* resized = mayProceed ? std::realloc(*block, BlockSize(size)) : nullptr;
    if (resized == nullptr) {
        ShortOfMemory(size);
        return 0; // realloc leaves the old block as it was
    }
    if (*block == nullptr)
        ++g_liveBlocks;
    *block = resized;
    return 1;
}

int HOST_CONV_CDECL HostFree(void* block)
{
    if (block == nullptr)
        return 0;
    std::free(block);
    --g_liveBlocks;
    return 1;
}

} // namespace tomiva
