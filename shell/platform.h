// The platform layer: the only place where the native and the Windows build
// of the plug-in differ (module handles, look-up by number, the system's
// message box, the plug-in's own file name, replacing and removing a file,
// the system's form of a path).
#pragma once

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
