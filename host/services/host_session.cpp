#include "host/services/host_session.h"

HostSession& HostState()
{
    static HostSession session;
    return session;
}
