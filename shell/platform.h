// The platform layer: the only place where the native and the Windows build
// of the plug-in differ (module handles, look-up by number, the system's
// message box, the plug-in's own file name, replacing and removing a file,
// the system's form of a path).
#pragma once

#include "shell/platform_identity.h"

using PlatformModule = void*;

// The module with that name if it is loaded, else null (GetModuleHandleA).
PlatformModule PlatformFindModule(const char* name);

// The entry with that number in the module, else null (GetProcAddress by ordinal).
void* PlatformLookupByNumber(PlatformModule module, int number);

// The path of the module that holds the plug-in as host text (Mazovia,
// PlatformHostText), cut to the buffer when it is longer; false when there
// is none to give (GetModuleFileNameW).
bool PlatformModuleFileName(PlatformModule module, char* buffer, int size);

// The system's message box; returns the button pressed (kPlatformIdAbort ...).
inline constexpr unsigned kPlatformStyleOk = 0x2000;             // OK, task-modal
inline constexpr unsigned kPlatformStyleAbortRetryIgnore = 0x2012; // Abort/Retry/Ignore, error icon, task-modal
inline constexpr int kPlatformIdOk = 1;
inline constexpr int kPlatformIdAbort = 3;
inline constexpr int kPlatformIdRetry = 4;
inline constexpr int kPlatformIdIgnore = 5;
// Texts are the system's text (Windows-1250).
int PlatformMessageBox(const char* text, const char* title, unsigned style);

// Every path the plug-in hands the system itself comes from the host, as
// host text (Mazovia).  PlatformSystemPath is the one place where such a
// path becomes the system's: UTF-8 natively, UTF-16 for the wide functions
// on Windows (whose ANSI functions would read the bytes in the system's
// code page).  Every file call of the platform layer goes through it.
#ifdef _WIN32
using PlatformPathChar = wchar_t;
#else
using PlatformPathChar = char;
#endif
// Room for the system's form of a host path of up to 511 characters: a
// character takes at most three UTF-8 bytes or one UTF-16 unit.
inline constexpr int kPlatformPathSize = 3 * 511 + 1;
// False, with an empty text, when the path is null or its whole form does
// not fit into `size` units (with the NUL); never a path cut short.
bool PlatformSystemPath(const char* hostPath, PlatformPathChar* out, int size);
// The way back, for a path the system gives (the plug-in's own file, to be
// shown in a message): host text, a character that Mazovia lacks (or what is
// not UTF-8) as '?', cut to `size` bytes with the NUL.
void PlatformHostText(const PlatformPathChar* systemPath, char* out, int size);

// A file the plug-in created itself, new, before it has the host write it:
// held open until it is put in place or removed, so that the plug-in knows
// it by identity whatever happens to its name meanwhile.
struct PlatformNewFile {
#ifdef _WIN32
    void* handle; // INVALID_HANDLE_VALUE when none
#else
    int descriptor; // -1 when none
#endif
    bool open;
    // What the file system tells of a file's identity there, learnt when the
    // file was created (platform_identity.h).
    PlatformIdentityBasis basis;
};
// A file that holds nothing.
void PlatformNoFile(PlatformNewFile* file);

enum class PlatformCreated { New, Taken, Failed };
// Creates the file new and exclusively (O_CREAT | O_EXCL | O_NOFOLLOW
// natively, CREATE_NEW on Windows): never through an existing name.  Taken
// when anything is at the name already (a file, a folder, a link, dangling or
// not), which is left as it is; Failed when nothing can be created there.
PlatformCreated PlatformCreateNewFile(const char* path, PlatformNewFile* file);

// A number for a unique name: differs between processes and between calls.
unsigned PlatformUniqueNumber();

enum class PlatformCommit { Done, NotOurs, NotFlushed, NotMoved };
// Puts the created file, under its name `from`, in the place of `to`:
// `from` must still name that very file and be a plain file of one name
// (NotOurs otherwise: nothing is touched; where the file system gives no
// stable identity, by the file's size and last bytes: platform_identity.h), its data is flushed to the disk
// (fsync, FlushFileBuffers: NotFlushed when that fails, nothing moved), then
// it is moved over `to` in one step (NotMoved: both as they were), and the
// folder's entry is flushed (natively; MOVEFILE_WRITE_THROUGH on Windows).
// Done closes the file; otherwise it stays open, to be discarded.
PlatformCommit PlatformCommitFile(PlatformNewFile* file, const char* from, const char* to);

// Removes `path` when it still names the created file, and closes the file;
// true when nothing of it is left under that name (a name that holds
// something else now is left alone).  False, the file kept open to be tried
// again, when it cannot be removed.
bool PlatformDiscardNewFile(PlatformNewFile* file, const char* path);
// Closes the created file, wherever its name is.
void PlatformCloseNewFile(PlatformNewFile* file);

// Puts the file `from` in the place of `to` in one step: `to` is either its
// old self or the whole new file, never anything between (rename natively,
// MoveFileExW with MOVEFILE_REPLACE_EXISTING on Windows).  Both paths lie in
// one directory.  False, with both files as they were, when it cannot be done.
bool PlatformReplaceFile(const char* from, const char* to);

// Removes the file; true when it is gone (removed now, or not there at
// all), false when it stays.
bool PlatformRemoveFile(const char* path);
// Both take host paths (Mazovia), as HostDataDirectory gives them.

// Starts the scripted answers of the native message box from the first one
// again (they come from the host's command line).
void PlatformRestartScriptedAnswers();
