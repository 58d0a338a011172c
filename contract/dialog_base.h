// The host's dialog base class as the plug-in embeds it: the object's first
// word is its virtual table; the rest is the host's own state, whose size the
// host fixes here once.  The plug-in never reads or writes the host's part.
#pragma once

inline constexpr int kDialogBaseHostDataSize = 64;

struct WDialogBase {
    const void* const* vtable;
    unsigned char hostData[kDialogBaseHostDataSize];
};
