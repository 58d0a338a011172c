// The decision of platform_identity.h, the same on both builds.
#include "shell/platform_identity.h"

PlatformIdentityBasis PlatformLearnIdentity(const PlatformFileFacts& held, const PlatformFileFacts& named)
{
    PlatformIdentityBasis basis{};
    basis.stable = held.index != 0 && named.index == held.index && named.volume == held.volume;
    basis.links = held.links;
    return basis;
}

bool PlatformSameFile(const PlatformIdentityBasis& basis, const PlatformFileFacts& held,
                      const PlatformFileFacts& named)
{
    // A link or junction, a folder or a device at the name is never moved.
    if (!named.plain)
        return false;
    // A second name given to the file, or another file's count.
    if (named.links != basis.links)
        return false;
    if (basis.stable)
        return named.volume == held.volume && named.index == held.index;
    // No identity to go by: the two must show the same contents.
    return named.size == held.size && named.tail == held.tail;
}

uint64_t PlatformTailDigest(const unsigned char* bytes, int n)
{
    uint64_t hash = 0xCBF29CE484222325ULL;
    for (int i = 0; i < n; ++i)
        hash = (hash ^ bytes[i]) * 0x100000001B3ULL;
    return hash;
}
