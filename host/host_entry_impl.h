// The host's implementations of the numbered entries, declared from the one
// list so that every definition must have the entry's exact type.  The
// declarations are weak: an entry the host does not define has a null
// address and is reported missing by the export table.
#pragma once

#include "contract/host_api.h"

namespace tomiva {
#ifdef _WIN32
// The Windows host defines every entry and exports it by number from its
// .def (host/TOMIVA.def.in), which names each one by a plain label.
#define HOST_ENTRY(number, name, conv, argc, result, params) \
    result HOST_CONV_##conv name params __asm__("_TomivaEntry_" #number);
#else
#define HOST_ENTRY(number, name, conv, argc, result, params) \
    __attribute__((weak)) result HOST_CONV_##conv name params;
#endif
#include "contract/host_entries.h"
#undef HOST_ENTRY
} // namespace tomiva
