// The boundary of a host entry: nothing thrown inside the host (memory
// shortage in the standard library, above all) may leave an entry, since the
// plug-in that called it knows nothing of C++ exceptions.  Each entry whose
// body can throw runs it through HostEntryGuard, which turns an exception
// into the entry's failure result and reports what it caught: the entry's
// caller only sees a failure, so the host itself must say that memory ran
// short (or that something else failed inside it), never fail in silence.
#pragma once

#include <new>
#include <utility>

enum class EntryFailure { Memory, Other };

// What the host does with a failure an entry caught: tell the user and the
// session (host/services installs it).  Until one is installed, a line on
// the standard error says it.  A reporter must not throw.
using EntryFailureReporter = void (*)(EntryFailure failure) noexcept;
void SetEntryFailureReporter(EntryFailureReporter reporter) noexcept;
void ReportEntryFailure(EntryFailure failure) noexcept;

template <typename Result, typename Body>
Result HostEntryGuard(Result failure, Body&& body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (const std::bad_alloc&) {
        ReportEntryFailure(EntryFailure::Memory);
    } catch (...) {
        ReportEntryFailure(EntryFailure::Other);
    }
    return failure;
}
