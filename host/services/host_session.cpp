#include "host/services/host_session.h"

HostSession& HostState()
{
    static HostSession session;
    return session;
}

void HostRecordFailure(HostFailureKind kind, const std::string& text) noexcept
{
    HostSession& state = HostState();
    state.failed[static_cast<int>(kind)] = true;
    try {
        state.failures.push_back({kind, text});
    } catch (...) {
    }
}

void HostRecordFailure(HostFailureKind kind, const char* text) noexcept
{
    HostState().failed[static_cast<int>(kind)] = true;
    try {
        HostState().failures.push_back({kind, text});
    } catch (...) {
    }
}

bool HostFailedWith(HostFailureKind kind) { return HostState().failed[static_cast<int>(kind)]; }
