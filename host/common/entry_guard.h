// The boundary of a host entry: nothing thrown inside the host (memory
// shortage in the standard library, above all) may leave an entry, since the
// plug-in that called it knows nothing of C++ exceptions.  Each entry whose
// body can throw runs it through HostEntryGuard, which turns an exception
// into the entry's failure result.
#pragma once

#include <exception>
#include <utility>

template <typename Result, typename Body>
Result HostEntryGuard(Result failure, Body&& body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return failure;
    }
}
