// Whether a name still names the file the plug-in created and holds open,
// from what the file system tells of the two (platform_native.cpp,
// platform_windows.cpp): the same decision on both builds.
//
// It guards the move that puts the export in place against a file replaced
// under the temporary name (the host or another program removed the
// plug-in's file and made another there) and against a link (a symbolic
// link or junction at the name, a second name given to the file).  The
// file's identity (volume and file number) says it best, but not every file
// system gives one: a share may answer no file number, a volume serial of 0,
// or numbers that differ between two opens of one file, and report another
// link count than 1 for a file of one name.  What the file system gives is
// therefore learnt right after the creation, when the name surely names the
// file: whether a second open of the name shows the same identity, and what
// link count a file of one name has there.  Where it gives no stable
// identity, the held file and the named one must agree in what both show of
// their contents: the size and the bytes at the end.  A file made in the
// place of the held one differs in them (the held file keeps what it had
// when it lost its name, most often nothing); one that agrees holds what the
// run wrote, and the reading back has found it whole.
#pragma once

#include <cstdint>

struct PlatformFileFacts {
    bool plain;        // a plain file: no directory, device, link or junction
    uint64_t volume;   // 0: none given
    uint64_t index;    // the file's number on its volume; 0: none given
    uint32_t links;    // the link count as reported
    uint64_t size;
    uint64_t tail;     // a digest of the last bytes (up to kPlatformTailBytes);
                       // read only where the identity is not stable
};
inline constexpr int kPlatformTailBytes = 512;

// What the file system gives, learnt at the creation: `held` is the handle's
// facts, `named` a second open of the name.
struct PlatformIdentityBasis {
    bool stable;    // a nonzero file number, the same through both opens
    uint32_t links; // the link count of a file of one name here
};
PlatformIdentityBasis PlatformLearnIdentity(const PlatformFileFacts& held, const PlatformFileFacts& named);

// True when `named` (the name, opened without following a link) is the file
// whose handle shows `held`, a plain file of one name.
bool PlatformSameFile(const PlatformIdentityBasis& basis, const PlatformFileFacts& held,
                      const PlatformFileFacts& named);

// The digest of a file's last bytes (FNV-1a), for `tail`.
uint64_t PlatformTailDigest(const unsigned char* bytes, int n);
