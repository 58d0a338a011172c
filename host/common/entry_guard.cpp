#include "host/common/entry_guard.h"

#include <cstdio>

namespace {

// Allocates nothing: memory may be what ran short.
void SayOnStandardError(EntryFailure failure) noexcept
{
    std::fputs(failure == EntryFailure::Memory ? "host: memory ran short inside a host entry\n"
                                               : "host: a host entry failed inside\n",
               stderr);
}

EntryFailureReporter g_reporter = &SayOnStandardError;

} // namespace

void SetEntryFailureReporter(EntryFailureReporter reporter) noexcept
{
    g_reporter = reporter != nullptr ? reporter : &SayOnStandardError;
}

void ReportEntryFailure(EntryFailure failure) noexcept { g_reporter(failure); }
