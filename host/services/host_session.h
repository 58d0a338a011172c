// The running session of the host: the settings it was started with and
// what its entries record for the program and for tests.  The plug-in never
// sees this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/common/durable_file.h"

// What can go wrong during a command, as the host sees it; tomiva's exit
// status tells which (the first kind in this order that happened).
enum class HostFailureKind {
    ContractBroken, // the plug-in broke a promise of the contract (--host-latitude checks)
    EntryMissing,   // the plug-in asked for a host entry that this host lacks
    HostFailed,     // a read of the firm database failed, or memory ran short
    PluginReported, // the plug-in showed the host's error notice
    FileIncomplete, // a file could not be created, written or closed, or is not complete
};
inline constexpr int kHostFailureKinds = 5;

struct HostFailure {
    HostFailureKind kind;
    std::string text; // UTF-8, one line
};

struct HostSession {
    bool running = false;
    std::string dataDirectory = "."; // the data directory (UTF-8, the system's path)
    std::string dataDirectoryText = "."; // the same as host text (Mazovia), for the plug-in
    std::string bareNameDirectory = "."; // where bare file names resolve (UTF-8): the data directory,
                                         // or a folder of its own (--host-latitude)
    std::string today;               // host date text YYYYMMDD; empty = the system's date
    bool batch = true;               // no person at the terminal
    std::vector<std::string> dialogAnswers; // scripted answers for the next dialog (batch)
    bool dialogCancel = false;              // batch: the dialog is closed with Cancel
    bool dialogRefused = false;             // a dialog refused its answers or values, or could not be shown
    // Batch: the dialogs confirmed with OK, by id and data record; a dialog
    // opened again over the same record has nobody to change its answers.
    std::vector<std::pair<int, const void*>> dialogsConfirmed;
    // The files opened for writing, in order: the path each gets when it is
    // closed, and the file itself, to be found again whatever its name then.
    struct WrittenFile {
        std::string path;
        FileIdentity identity;
        std::intptr_t hold = -1; // HoldFile's, released when the command ends
    };
    std::vector<WrittenFile> filesWritten;
    // The firm database, which no command may write.
    FileIdentity firm;
    // Failures of the session, in order; `failed` keeps each kind even when
    // memory was too short to keep its text.
    std::vector<HostFailure> failures;
    bool failed[kHostFailureKinds] = {};
    // While a dialog is showing at the terminal, messages go to its line of
    // keys instead of the terminal (UTF-8, appended); null otherwise.
    std::string* dialogMessageLine = nullptr;
};

// The one session of this process.
HostSession& HostState();

// Records a failure of the command (never throws: a text that cannot be kept
// for want of memory is dropped, the kind is kept).  The second form takes a
// text that needs no memory before the call.
void HostRecordFailure(HostFailureKind kind, const std::string& text) noexcept;
void HostRecordFailure(HostFailureKind kind, const char* text) noexcept;
// Whether a failure of that kind was recorded since the host started.
bool HostFailedWith(HostFailureKind kind);

// Longest data directory the host accepts, in characters of host text.  The
// plug-in builds its output path in a 256-byte buffer: the directory, a separator, "qPX_YYYY-MM-DD.xml"
// and the NUL must fit there, with room to spare.
inline constexpr std::size_t kHostMaxDataDirectory = 200;
