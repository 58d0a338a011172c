// The host's allocation entries as tests see them: a chosen allocation made
// to fail, the calls counted, the blocks a plug-in left.
#pragma once

// Makes the n-th allocation from now fail (1 = the next one); 0 clears.
// Counts every allocation entry (HostAlloc, HostAllocClear, HostRealloc).
void HostFailAllocation(int nth);
// Number of allocation entries called so far, and blocks not yet freed.
long HostAllocationCount();
long HostLiveBlocks();
// Releases every block a plug-in left (HostStop does); returns how many.
int HostReclaimBlocks();
