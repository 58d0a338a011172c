// The host's text entries: the interface number, conversions, the line
// buffer (the entries themselves are declared from the list); what tests
// change of them.
#pragma once

// The interface number the host reports (112 unless a test says otherwise).
void HostSetInterfaceNumber(int number);
