// The running session of the host: the settings it was started with and
// what its entries record for the program and for tests.  The plug-in never
// sees this header.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct HostSession {
    bool running = false;
    std::string dataDirectory = "."; // where bare file names resolve
    std::string today;               // host date text YYYYMMDD; empty = the system's date
    bool batch = true;               // no person at the terminal
    std::vector<std::string> dialogAnswers; // scripted answers for the next dialog (batch)
    bool dialogCancel = false;              // batch: the dialog is closed with Cancel
    bool dialogRefused = false;             // a dialog refused its scripted answers
    std::vector<std::string> filesWritten;  // paths opened for writing, in order
    // Failures the host's entries caught inside themselves (entry_guard.h):
    // memory that ran short, anything else that failed.
    long memoryShortages = 0;
    long internalFailures = 0;
};

// The one session of this process.
HostSession& HostState();

// Longest data directory the host accepts.  The plug-in builds its output
// path in a 256-byte buffer: the directory, a separator, "qPX_YYYY-MM-DD.xml"
// and the NUL must fit there, with room to spare.
inline constexpr std::size_t kHostMaxDataDirectory = 200;
