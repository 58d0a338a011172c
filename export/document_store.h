// DocumentStore: the documents of a run between their reading and their
// writing, as one stream of compact records (docs/export-run.md).  The
// stream lives in blocks from the host that double in size up to a cap, so
// a run makes a handful of allocations whatever its size, and no block is
// ever copied.  Records are written and read in order, and may span blocks.
//
// A zero-filled DocumentStore is empty; StoreRelease gives every block back.
#pragma once

#include <cstdint>

// The first block's size and the largest a block grows to.
inline constexpr int32_t kStoreFirstBlock = 64 * 1024;
inline constexpr int32_t kStoreLargestBlock = 16 * 1024 * 1024;

struct DocumentStore {
    unsigned char** blocks; // blockCapacity pointers, blockCount in use
    int32_t blockCount;
    int32_t blockCapacity;
    int32_t used;      // bytes written into the last block
    int32_t readBlock; // where reading stands
    int32_t readOffset;
};

// Appends length bytes; false when the host has no memory for a new block.
bool StorePut(DocumentStore& store, const void* bytes, int32_t length);
// Reads the next length bytes; false when the stream holds fewer.
bool StoreGet(DocumentStore& store, void* bytes, int32_t length);
// Gives the blocks back to the host.
void StoreRelease(DocumentStore& store);
