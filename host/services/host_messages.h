// Message boxes, error notices and notices as the host's own parts show
// them (the entries HostMessageBox, HostErrorMessage and HostNotice among
// them).
#pragma once

#include <string>
#include <vector>

// Shows a box, error or notice: records it (HostShownMessages), prints it to
// stderr, and in an interactive session waits for Enter.  Title and text are
// Mazovia; null counts as empty.  Returns 1, the first button.
int HostShowMessage(const char* kind, const char* title, const char* text);
// A line of the host's own (UTF-8): why a file or the firm could not be
// used, printed on stderr as "tomiva: ..." before whatever the plug-in says
// next, and kept for tests (HostShownNotes).
void HostNote(const std::string& text);
// The same without waiting, for a caller that asks its own question next.
int HostShowMessageAndGoOn(const char* kind, const char* title, const char* text);

// A message box, error notice or notice that the host showed; texts in UTF-8
// with the emphasis bytes dropped.
struct HostShownMessage {
    std::string kind; // "box", "error", "notice"
    std::string title;
    std::string text;
};
const std::vector<HostShownMessage>& HostShownMessages();
// The host's own lines about files and the firm (HostNote), in order.
const std::vector<std::string>& HostShownNotes();
// Forgets both.
void HostClearShownMessages();
