// The replacement host's own interface: start it over a firm database and
// stop it.  The hooks that tests use live with the rooms that define them
// (host/services/host_messages.h, host_memory.h, host_text.h,
// host/module/host_exports.h).  The plug-in never sees this header; it
// reaches the host only through the numbered entries (see host_exports.cpp).
#pragma once

#include <string>
#include <vector>

struct HostConfig {
    std::string firmPath;      // the firm database (SQLite)
    std::string dataDirectory = "."; // where bare file names resolve
    std::string today;         // YYYY-MM-DD; empty = the system's date
    bool batch = true;         // no person at the terminal
    // Scripted dialog answers, "CONTROL=VALUE" each, applied in order to the
    // next dialog that opens in batch mode; CONTROL is a caption (label before
    // an input, or a check box's own text, without hot-key tildes and a
    // trailing colon) or the control's number in the template (1-based).
    std::vector<std::string> dialogAnswers;
    bool dialogCancel = false; // batch: close the dialog with Cancel, not OK
    // The host with latitude (host/services/host_latitude.h); 0 the plain host.
    unsigned long long latitude = 0;
};

// Opens and validates the firm database and sets up the host's state.
// On failure returns false and puts a message (UTF-8, one offence per line)
// into *error; nothing else is changed.
bool HostStart(const HostConfig& config, std::string* error);
// Closes the firm database and releases every table, file and block.
void HostStop();

// The end of a command: closes what the plug-in left open, then reads back
// every file the command wrote (new or changed in the data directory since
// the host started, and any it opened for writing elsewhere).  An XML file
// must be one whole, well-formed document; one that is not marks the
// command as failed (HostState().failures).  Returns the files written that
// passed, by path.
std::vector<std::string> HostFinishCommand();

// True when a dialog refused its scripted answers or values (the message
// said which control and why), or could not be shown; the command then ran
// nothing.  Cleared by HostStart.
bool HostDialogRefused();
