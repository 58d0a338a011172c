// The platform layer: the only place where the native and the Windows build
// of the plug-in differ (module handles, look-up by number, the system's
// message box, the plug-in's own file name, replacing and removing a file).
#pragma once

using PlatformModule = void*;

// The module with that name if it is loaded, else null (GetModuleHandleA).
PlatformModule PlatformFindModule(const char* name);

// The entry with that number in the module, else null (GetProcAddress by ordinal).
void* PlatformLookupByNumber(PlatformModule module, int number);

// The path of the module that holds the plug-in, cut to the buffer when it
// is longer; false when there is none to give (GetModuleFileNameA).
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

// Puts the file `from` in the place of `to` in one step: `to` is either its
// old self or the whole new file, never anything between (rename natively,
// MoveFileExA with MOVEFILE_REPLACE_EXISTING on Windows).  Both paths lie in
// one directory.  False, with both files as they were, when it cannot be done.
bool PlatformReplaceFile(const char* from, const char* to);

// Removes the file; true when it is gone (removed now, or not there at
// all), false when it stays.
bool PlatformRemoveFile(const char* path);

// Starts the scripted answers of the native message box from the first one
// again (they come from the host's command line).
void PlatformRestartScriptedAnswers();
