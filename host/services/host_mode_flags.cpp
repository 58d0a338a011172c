// The host mode word (entries 32300, 32408): 16 bits of host mode that a
// plug-in reads, and sets or clears by mask (the export command marks its run
// with one of them).
#include <cstdint>

#include "host/host_entry_impl.h"
#include "host/services/host_latitude.h"

namespace {

uint16_t g_modeFlags = 0;

} // namespace

namespace tomiva {

int HOST_CONV_STDCALL HostGetModeFlags(void)
{
    LatitudeEntered();
    return LatitudeLow16(g_modeFlags);
}

int HOST_CONV_STDCALL HostSetModeFlags(int mask, int set)
{
    LatitudeEntered();
    const uint16_t bits = static_cast<uint16_t>(mask & 0xFFFF);
    g_modeFlags = static_cast<uint16_t>(set != 0 ? g_modeFlags | bits : g_modeFlags & ~bits);
    return LatitudeUnused(g_modeFlags);
}

} // namespace tomiva
