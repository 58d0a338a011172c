// What the host's own sources share: the running session's settings and
// small services that several entries (and the host's other parts, such as
// its INI files and notices) use.  The plug-in never sees this header.
#pragma once

#include <cstdarg>
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
};

// The one session of this process.
HostSession& HostState();

// Longest data directory the host accepts.  The plug-in builds its output
// path in a 256-byte buffer: the directory, a separator, "qPX_YYYY-MM-DD.xml"
// and the NUL must fit there, with room to spare.
inline constexpr std::size_t kHostMaxDataDirectory = 200;

// Host date text: 8 digits YYYYMMDD of a real calendar date (years 1-9999).
// Reads only up to the 9th byte, so an unterminated field is refused, not
// overrun.
bool HostParseDate(const char* text, int* year, int* month, int* day);
// Writes YYYYMMDD and its NUL (9 bytes).
void HostFormatDate(char* slot, int year, int month, int day);
// The system's date as host date text.
std::string HostSystemDate();

// A bare file name (no directory part) in the data directory; a path as given.
std::string HostResolvePath(const char* path);

// printf formatting into a string of the length needed.
#if defined(__MINGW32__)
// The host formats with the C library of its own build, which on Windows
// follows the C99 conversions (%zu): check against those.
#define HOST_PRINTF_CHECK(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define HOST_PRINTF_CHECK(f, a) __attribute__((format(printf, f, a)))
#endif
std::string HostFormat(const char* format, ...) HOST_PRINTF_CHECK(1, 2);
std::string HostFormatV(const char* format, va_list args);

// Shows a box, error or notice: records it (HostShownMessages), prints it to
// stderr, and in an interactive session waits for Enter.  Title and text are
// Mazovia; null counts as empty.  Returns 1, the first button.
int HostShowMessage(const char* kind, const char* title, const char* text);
// The same without waiting, for a caller that asks its own question next.
int HostShowMessageAndGoOn(const char* kind, const char* title, const char* text);

// Closes every file the plug-in left open; returns how many there were.
int HostCloseAllFiles();
// Files opened through HostOpenFile and not yet closed.
int HostOpenFileCount();

// The progress window as it stands (texts in UTF-8), for tests of a run.
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
