// The replacement host's own interface: start it over a firm database, stop
// it, and the hooks that tests use.  The plug-in never sees this header; it
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

// Makes the n-th allocation from now fail (1 = the next one); 0 clears.
// Counts every allocation entry (HostAlloc, HostAllocClear, HostRealloc).
void HostFailAllocation(int nth);
// Number of allocation entries called so far, and blocks not yet freed.
long HostAllocationCount();
long HostLiveBlocks();
// Releases every block a plug-in left (HostStop does); returns how many.
int HostReclaimBlocks();

// True when a dialog refused its scripted answers or values (the message
// said which control and why), or could not be shown; the command then ran
// nothing.  Cleared by HostStart.
bool HostDialogRefused();

// How often the plug-in looked the entry up by number.
long HostLookupCount(int number);

// The interface number the host reports (112 unless a test says otherwise).
void HostSetInterfaceNumber(int number);

// Withholds an entry from the export table (tests of missing entries).
void HostWithholdEntry(int number);
void HostClearWithheldEntries();
// Marks the command as failed for entries the plug-in may have missed
// unseen.  Natively the host sees every look-up and marks one that finds
// nothing when it happens, so this does nothing; the Windows host cannot see
// look-ups (the system answers them), so each withheld entry counts.
void HostMarkWithheldEntries();
