// The platform layer: the only place where the native and the Windows build
// of the plug-in differ (module handles, look-up by number, the system's
// message box, the plug-in's own file name, moving a file into place).
#pragma once

using PlatformModule = void*;

// The module with that name if it is loaded, else null (GetModuleHandleA).
PlatformModule PlatformFindModule(const char* name);

// The entry with that number in the module, else null (GetProcAddress by ordinal).
void* PlatformLookupByNumber(PlatformModule module, int number);

// The path of the module that holds the plug-in, cut to the buffer when it
// is longer; false when there is none to give (GetModuleFileNameA).
bool PlatformModuleFileName(PlatformModule module, char* buffer, int size);

// Moves the file `from` over `to` in one step: `to` is either the old file
// or the new one, never missing or half written (rename; MoveFileExA with
// MOVEFILE_REPLACE_EXISTING).  False when it could not be moved; both files
// are then as they were.
bool PlatformReplaceFile(const char* from, const char* to);

// The system's message box; returns the button pressed (kPlatformIdAbort ...).
inline constexpr unsigned kPlatformStyleOk = 0x2000;             // OK, task-modal
inline constexpr unsigned kPlatformStyleAbortRetryIgnore = 0x2012; // Abort/Retry/Ignore, error icon, task-modal
inline constexpr int kPlatformIdOk = 1;
inline constexpr int kPlatformIdAbort = 3;
inline constexpr int kPlatformIdRetry = 4;
inline constexpr int kPlatformIdIgnore = 5;
// Texts are the system's text (Windows-1250).
int PlatformMessageBox(const char* text, const char* title, unsigned style);

// Starts the scripted answers of the native message box from the first one
// again (they come from the host's command line).
void PlatformRestartScriptedAnswers();
