// The host's allocation entries, with a count of calls, the set of live
// blocks and a way for tests to make one chosen allocation fail.
//
// Blocks come straight from malloc and go back through free, so that the
// sanitizers see every misuse (double release) in plug-in code.  The host
// knows every block it handed out: what a plug-in leaves behind (its command
// stopped where HostFree was missing) is released when the host stops, as
// the files it leaves open are closed.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>

#include "host/common/entry_guard.h"
#include "host/host_entry_impl.h"
#include "host/services/host_files.h"
#include "host/services/host_latitude.h"
#include "host/services/host_memory.h"
#include "host/services/host_session.h"

namespace {

long g_allocationCalls = 0; // allocation entries called, failed ones included
long g_failAtCall = 0;      // the call number that must fail; 0 = none

std::unordered_set<void*>& LiveBlocks()
{
    static std::unordered_set<void*> blocks;
    return blocks;
}


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
// command is marked as failed and the files it is writing do not stand
// (removed when they are closed).
void ShortOfMemory(long long bytes) noexcept
{
    HostWithdrawFilesBeingWritten();
    // Should even the text find no memory, the guard records the shortage.
    HostEntryGuard(false, [bytes] {
        HostRecordFailure(HostFailureKind::HostFailed,
                          "memory ran short: the plug-in asked for " + std::to_string(bytes) + " bytes and got none");
        return true;
    });
}

// A request of 0 bytes still gets a block of its own, so that a non-null
// result always means success.
std::size_t BlockSize(long long bytes) { return bytes == 0 ? 1 : static_cast<std::size_t>(bytes); }

// Enters a new block of that many bytes, or gives it back when the set
// cannot take it (the program itself ran short of memory): the allocation
// then fails, and so does one that malloc refused.
void* Keep(void* block, long long bytes)
{
    const bool kept =
        block != nullptr && HostEntryGuard(false, [block] { return LiveBlocks().insert(block).second; });
    if (!kept) {
        std::free(block);
        ShortOfMemory(bytes);
    }
    return kept ? block : nullptr;
}

} // namespace

void HostFailAllocation(int nth) { g_failAtCall = nth > 0 ? g_allocationCalls + nth : 0; }
long HostAllocationCount() { return g_allocationCalls; }
long HostLiveBlocks() { return static_cast<long>(LiveBlocks().size()); }

int HostReclaimBlocks()
{
    const int left = static_cast<int>(LiveBlocks().size());
    for (void* block : LiveBlocks())
        std::free(block);
    LiveBlocks().clear();
    return left;
}

namespace tomiva {

void* HOST_CONV_CDECL HostAlloc(int size)
{
    LatitudeEntered();
    const bool mayProceed = NextAllocationMayProceed();
    if (size < 0)
        return nullptr;
    if (!mayProceed) {
        ShortOfMemory(size);
        return nullptr;
    }
    void* block = Keep(std::malloc(BlockSize(size)), size);
    if (LatitudeHas(LatitudeVariation::PatternFill) && block != nullptr) {
        // Nothing promises zeros: the host with latitude hands out its pattern.
        LatitudeFill(block, BlockSize(size));
        LatitudeBlockKept(block, BlockSize(size));
    }
    return block;
}

void* HOST_CONV_CDECL HostAllocClear(int count, int size)
{
    LatitudeEntered();
    const bool mayProceed = NextAllocationMayProceed();
    if (count < 0 || size < 0)
        return nullptr;
    // The product must fit the host's 32-bit sizes on every build.
    const long long bytes = static_cast<long long>(count) * size;
    if (!mayProceed || bytes > INT_MAX) {
        ShortOfMemory(bytes);
        return nullptr;
    }
    void* block = Keep(std::calloc(BlockSize(bytes), 1), bytes);
    LatitudeBlockKept(block, BlockSize(bytes)); // zero-filled: that is this entry's promise
    return block;
}

int HOST_CONV_CDECL HostRealloc(void** block, int size)
{
    LatitudeEntered();
    const bool mayProceed = NextAllocationMayProceed();
    if (block == nullptr || size < 0)
        return 0;
    if (!mayProceed) {
        ShortOfMemory(size);
        return 0;
    }
    if (*block == nullptr) {
        void* fresh = Keep(std::malloc(BlockSize(size)), size);
        if (fresh == nullptr)
            return 0;
        LatitudeFill(fresh, BlockSize(size));
        LatitudeBlockKept(fresh, BlockSize(size));
        *block = fresh;
        return LatitudeNonzero(1);
    }
    const std::size_t before = LatitudeHas(LatitudeVariation::PatternFill) ? LatitudeBlockSize(*block) : SIZE_MAX;
    // The block's entry in the set moves to its new address as it is:
    // nothing is allocated once realloc has moved the block.
    auto entry = LiveBlocks().extract(*block);
    void* resized = std::realloc(*block, BlockSize(size));
    if (resized != nullptr) {
        if (LatitudeHas(LatitudeVariation::PatternFill)) {
            // The grown part holds the pattern, not what realloc left there.
            LatitudeBlockGone(*block);
            if (before < BlockSize(size))
                LatitudeFill(static_cast<unsigned char*>(resized) + before, BlockSize(size) - before);
            LatitudeBlockKept(resized, BlockSize(size));
        }
        *block = resized;
        if (!entry.empty())
            entry.value() = resized;
    }
    if (!entry.empty())
        LiveBlocks().insert(std::move(entry));
    if (resized == nullptr)
        ShortOfMemory(size); // realloc leaves the old block as it was
    return resized != nullptr ? LatitudeNonzero(1) : 0;
}

int HOST_CONV_CDECL HostFree(void* block)
{
    LatitudeEntered();
    if (block == nullptr)
        return 0;
    // A block the host never handed out is freed all the same, so that the
    // sanitizers report the plug-in's misuse (a double release) where it is.
    LiveBlocks().erase(block);
    LatitudeBlockGone(block);
    std::free(block);
    return LatitudeUnused(1);
}

} // namespace tomiva
