// What the host does when one of its entries failed inside itself (see
// host/common/entry_guard.h): the session counts it, the files the plug-in
// is writing are withdrawn (what the entry should have delivered is missing
// from them), and the user is told once, naming memory where that was the
// cause.
#include "host/services/host_failures.h"

#include <cstdio>

#include "host/common/entry_guard.h"
#include "host/services/host_files.h"
#include "host/services/host_messages.h"
#include "host/services/host_session.h"

namespace {

void ReportToSession(EntryFailure failure) noexcept
{
    HostSession& session = HostState();
    const bool first = session.memoryShortages + session.internalFailures == 0;
    ++(failure == EntryFailure::Memory ? session.memoryShortages : session.internalFailures);
    // Told at the first failure, and again only when it withdraws more files.
    const int withdrawn = HostWithdrawFilesBeingWritten();
    if (!first && withdrawn == 0)
        return;
    const char* text =
        failure == EntryFailure::Memory
            ? (withdrawn > 0 ? "The host ran short of memory: what the command asked of it is incomplete.\n"
                               "The files it is writing are removed when they are closed."
                             : "The host ran short of memory: what the command asked of it is incomplete.")
            : (withdrawn > 0 ? "An entry of the host failed inside: what the command asked of it is incomplete.\n"
                               "The files it is writing are removed when they are closed."
                             : "An entry of the host failed inside: what the command asked of it is incomplete.");
    // Showing the message needs memory of its own; the line on the standard
    // error needs none.
    try {
        HostShowMessageAndGoOn("error", "", text);
    } catch (...) {
        std::fputs(text, stderr);
        std::fputc('\n', stderr);
    }
}

} // namespace

void HostReportFailuresToSession(bool on) noexcept { SetEntryFailureReporter(on ? &ReportToSession : nullptr); }
