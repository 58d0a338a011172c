// Message boxes, error notices and notices as the host's own parts show
// them (the entries HostMessageBox, HostErrorMessage and HostNotice among
// them).
#pragma once

// Shows a box, error or notice: records it (HostShownMessages), prints it to
// stderr, and in an interactive session waits for Enter.  Title and text are
// Mazovia; null counts as empty.  Returns 1, the first button.
int HostShowMessage(const char* kind, const char* title, const char* text);
// The same without waiting, for a caller that asks its own question next.
int HostShowMessageAndGoOn(const char* kind, const char* title, const char* text);
