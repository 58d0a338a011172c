// Whether a name still names the file the plug-in created: what the file
// system gives is learnt at the creation, and a file system without stable
// identities (a share) is met by the file's size and last bytes, while a
// file replaced under the name or a link there is refused on every kind.
#include <gtest/gtest.h>

#include "shell/platform_identity.h"

namespace {

// A plain file of one name with an identity, 4000 bytes long.
PlatformFileFacts File(uint64_t volume, uint64_t index, uint32_t links = 1, uint64_t size = 4000, uint64_t tail = 77)
{
    return PlatformFileFacts{true, volume, index, links, size, tail};
}

TEST(PlatformIdentity, SharesWithoutAStableIdentityPassAndReplacedFilesOrLinksAreRefused)
{
    // What the file system shows at the creation (held, a second open of the
    // name), and at the move (held, named).
    const struct {
        const char* what;
        PlatformFileFacts heldAtCreation, namedAtCreation, held, named;
        bool same;
    } cases[] = {
        {"a local disk, the same file", File(7, 42), File(7, 42), File(7, 42), File(7, 42), true},
        {"a local disk, a file replaced under the name", File(7, 42), File(7, 42), File(7, 42, 0, 0), File(7, 43), false},
        {"a local disk, a second name given", File(7, 42), File(7, 42), File(7, 42, 2), File(7, 42, 2), false},
        {"a local disk, a link at the name", File(7, 42), File(7, 42), File(7, 42),
         PlatformFileFacts{false, 7, 99, 1, 20, 0}, false},
        {"a share of no file numbers, the same file", File(0, 0), File(0, 0), File(0, 0), File(0, 0), true},
        {"a share of a zero volume serial, the same file", File(0, 42), File(0, 42), File(0, 42), File(0, 42), true},
        {"a share of numbers that differ between opens", File(7, 42), File(7, 43), File(7, 42), File(7, 44), true},
        {"a share of another link count", File(0, 0, 0), File(0, 0, 0), File(0, 0, 0), File(0, 0, 0), true},
        {"a share of two links to every file", File(7, 42, 2), File(7, 42, 2), File(7, 42, 2), File(7, 42, 2), true},
        {"a share, the file replaced: the held one emptied", File(0, 0), File(0, 0), File(0, 0, 1, 0, 0), File(0, 0),
         false},
        {"a share, the file replaced by one of the same size", File(0, 0), File(0, 0), File(0, 0), File(0, 0, 1, 4000, 78),
         false},
        {"a share, a second name given", File(0, 0, 0), File(0, 0, 0), File(0, 0, 1), File(0, 0, 1), false},
        {"a share, a link at the name", File(0, 0), File(0, 0), File(0, 0), PlatformFileFacts{false, 0, 0, 1, 4000, 77},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PlatformIdentityBasis basis = PlatformLearnIdentity(c.heldAtCreation, c.namedAtCreation);
        EXPECT_EQ(PlatformSameFile(basis, c.held, c.named), c.same);
    }
}

TEST(PlatformIdentity, TheTailDigestSeesEveryByte)
{
    unsigned char bytes[kPlatformTailBytes] = {};
    const uint64_t zeros = PlatformTailDigest(bytes, kPlatformTailBytes);
    EXPECT_NE(PlatformTailDigest(bytes, kPlatformTailBytes - 1), zeros);
    for (int at : {0, 1, 255, kPlatformTailBytes - 1}) {
        bytes[at] = 1;
        EXPECT_NE(PlatformTailDigest(bytes, kPlatformTailBytes), zeros) << "byte " << at;
        bytes[at] = 0;
    }
}

} // namespace
