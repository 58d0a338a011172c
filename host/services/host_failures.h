// Failures that the host's entries catch inside themselves, reported to the
// running session (counted there, told to the user, and the files being
// written withdrawn) instead of only on the standard error.
#pragma once

// Installs (true) or removes (false) the session's reporter; HostStart and
// HostStop do.
void HostReportFailuresToSession(bool on) noexcept;
