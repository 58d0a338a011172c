// The progress window of the progress entries, as the rest of the host and
// tests see it.
#pragma once

#include <string>

// The window as it stands (texts in UTF-8), for tests of a run.
struct HostProgressView {
    bool open = false;
    std::string heading;
    std::string detail;
    long updates = 0; // HostProgressUpdate calls since the window was opened
};
HostProgressView HostProgressNow();
// Removes the live progress line from the terminal so that other output
// starts on a clean line; the next update draws it again.
void HostProgressClearLine();
// Closes the window if it is still open (at stop).
void HostProgressReset();
