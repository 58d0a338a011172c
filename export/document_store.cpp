// The stream of compact document records, in blocks from the host.
#include "export/document_store.h"

#include <climits>
#include <cstring>

#include "shell/host_calls.h"

namespace {

inline constexpr int32_t kFirstBlockSlots = 16;

// Block n holds kStoreFirstBlock << n bytes, up to the largest.
inline constexpr int32_t kDoublings = 8;
static_assert(kStoreFirstBlock << kDoublings == kStoreLargestBlock);

int32_t BlockSize(int32_t index) { return index < kDoublings ? kStoreFirstBlock << index : kStoreLargestBlock; }

// A new last block; its pointer array doubles when it is full.
bool AddBlock(DocumentStore& store)
{
    if (store.blockCount == store.blockCapacity) {
        const int32_t capacity = store.blockCapacity == 0 ? kFirstBlockSlots : 2 * store.blockCapacity;
        if (capacity > INT_MAX / static_cast<int32_t>(sizeof(unsigned char*)))
            return false;
        void* slots = store.blocks;
        if (HostRealloc(&slots, capacity * static_cast<int32_t>(sizeof(unsigned char*))) == 0)
            return false;
        store.blocks = static_cast<unsigned char**>(slots);
        store.blockCapacity = capacity;
    }
    unsigned char* block = static_cast<unsigned char*>(HostAlloc(BlockSize(store.blockCount)));
    if (block == nullptr)
        return false;
    store.blocks[store.blockCount++] = block;
    store.used = 0;
    return true;
}

} // namespace

bool StorePut(DocumentStore& store, const void* bytes, int32_t length)
{
    const unsigned char* from = static_cast<const unsigned char*>(bytes);
    while (length > 0) {
        if (store.blockCount == 0 || store.used == BlockSize(store.blockCount - 1))
            if (!AddBlock(store))
                return false;
        const int32_t room = BlockSize(store.blockCount - 1) - store.used;
        const int32_t part = length < room ? length : room;
        std::memcpy(store.blocks[store.blockCount - 1] + store.used, from, static_cast<std::size_t>(part));
        store.used += part;
        from += part;
        length -= part;
    }
    return true;
}

bool StoreGet(DocumentStore& store, void* bytes, int32_t length)
{
    unsigned char* to = static_cast<unsigned char*>(bytes);
    while (length > 0) {
        if (store.readBlock >= store.blockCount)
            return false;
        const bool last = store.readBlock == store.blockCount - 1;
        const int32_t end = last ? store.used : BlockSize(store.readBlock);
        if (store.readOffset == end) {
            if (last)
                return false;
            ++store.readBlock;
            store.readOffset = 0;
            continue;
        }
        const int32_t available = end - store.readOffset;
        const int32_t part = length < available ? length : available;
        std::memcpy(to, store.blocks[store.readBlock] + store.readOffset, static_cast<std::size_t>(part));
        store.readOffset += part;
        to += part;
        length -= part;
    }
    return true;
}

void StoreRelease(DocumentStore& store)
{
    for (int32_t i = 0; i < store.blockCount; ++i)
        HostFree(store.blocks[i]);
    if (store.blocks != nullptr)
        HostFree(store.blocks);
    std::memset(&store, 0, sizeof store);
}
