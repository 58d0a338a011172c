// What the host does when one of its entries failed inside itself (see
// host/common/entry_guard.h): the session records it as the host's failure,
// the files the plug-in is writing are withdrawn (what the entry should have
// delivered is missing from them), and the user is told, naming memory
// where that was the cause.
#include "host/services/host_failures.h"

#include <cstdio>

#include "host/common/entry_guard.h"
#include "host/services/host_files.h"
#include "host/services/host_messages.h"
#include "host/services/host_session.h"

namespace {

bool g_told = false; // the user heard of a failure in this session

void ReportToSession(EntryFailure failure) noexcept
{
    const bool memory = failure == EntryFailure::Memory;
    HostRecordFailure(HostFailureKind::HostFailed,
                      memory ? "memory ran short inside the host" : "a host entry failed inside");
    // Told at the first failure, and again only when it withdraws more files.
    const int withdrawn = HostWithdrawFilesBeingWritten();
    if (g_told && withdrawn == 0)
        return;
    g_told = true;
    const char* text =
        memory ? (withdrawn > 0 ? "The host ran short of memory: what the command asked of it is incomplete.\n"
                                  "The files it is writing are removed when they are closed."
                                : "The host ran short of memory: what the command asked of it is incomplete.")
               : (withdrawn > 0 ? "An entry of the host failed inside: what the command asked of it is incomplete.\n"
                                  "The files it is writing are removed when they are closed."
                                : "An entry of the host failed inside: what the command asked of it is incomplete.");
    // Showing the message needs memory of its own; the line on the standard
    // error needs none.
    if (!HostEntryGuard(false, [text] { return HostShowMessageAndGoOn("error", "", text) != 0; })) {
        std::fputs(text, stderr);
        std::fputc('\n', stderr);
    }
}

} // namespace

void HostReportFailuresToSession(bool on) noexcept
{
    g_told = false;
    SetEntryFailureReporter(on ? &ReportToSession : nullptr);
}
