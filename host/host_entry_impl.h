// The host's implementations of the numbered entries, declared from the one
// list so that every definition must have the entry's exact type.  The
// declarations are weak: an entry the host does not define has a null
// address and is reported missing by the export table.
#pragma once

#include "../shell/host_api.h"

namespace tomiva {
#define HOST_ENTRY(number, name, conv, argc, result, params) \
    __attribute__((weak)) result HOST_CONV_##conv name params;
#include "../shell/host_entries.h"
#undef HOST_ENTRY
} // namespace tomiva
