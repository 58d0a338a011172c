// The host's notice with a "show it again" flag: in batch mode it is shown
// and the flag is left as it is; at a terminal the person decides.
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "host/host_entry_impl.h"
#include "host/services/host_latitude.h"
#include "host/services/host_messages.h"
#include "host/services/host_session.h"

namespace tomiva {

int HOST_CONV_CDECL HostNotice(int /*kind*/, int16_t* flag, int /*reserved*/, const char* text)
{
    LatitudeEntered();
    HostShowMessageAndGoOn("notice", "", text);
    // The notice may change its flag: the host with latitude leaves another
    // value there.
    if (flag != nullptr && LatitudeHas(LatitudeVariation::OtherResults))
        *flag = static_cast<int16_t>(LatitudeRandom());
    if (flag == nullptr || HostState().batch || isatty(STDIN_FILENO) == 0)
        return LatitudeUnused(1);
    std::fprintf(stderr, "Nie pokazywać więcej tego komunikatu? [t/N] ");
    char answer[16];
    if (std::fgets(answer, sizeof answer, stdin) != nullptr && (answer[0] == 't' || answer[0] == 'T'))
        *flag = 1;
    return LatitudeUnused(1);
}

} // namespace tomiva
