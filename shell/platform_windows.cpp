// Platform layer of the Windows build: modules through the system's loader,
// entries by ordinal, the system's message box, files replaced and removed
// by the system's wide functions under their UTF-16 names.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "contract/host_protocol.h"
#include "shell/platform.h"
#include "shell/platform_prompt.h"

// GetModuleHandleA appends ".dll" to a name without an extension, so "TOMIVA"
// alone finds a host module TOMIVA.dll but never a host program TOMIVA.exe.
// The name as given is tried first, then with ".exe": either kind of host
// module is found, and a DLL of that name wins.
PlatformModule PlatformFindModule(const char* name)
{
    if (HMODULE module = GetModuleHandleA(name); module != nullptr)
        return module;
    if (std::strchr(name, '.') != nullptr)
        return nullptr;
    char withExtension[MAX_PATH];
    const int n = std::snprintf(withExtension, sizeof withExtension, "%s.exe", name);
    if (n < 0 || n >= static_cast<int>(sizeof withExtension))
        return nullptr;
    return GetModuleHandleA(withExtension);
}

void* PlatformLookupByNumber(PlatformModule module, int number)
{
    if (module == nullptr || number <= 0 || number > 0xFFFF)
        return nullptr;
    return reinterpret_cast<void*>(
        GetProcAddress(static_cast<HMODULE>(module), MAKEINTRESOURCEA(static_cast<WORD>(number))));
}

bool PlatformModuleFileName(PlatformModule module, char* buffer, int size)
{
    if (size <= 0)
        return false;
    // One UTF-16 unit gives one byte of host text: cut to the same length.
    wchar_t wide[1024];
    const int room = size < 1024 ? size : 1024;
    const DWORD n = GetModuleFileNameW(static_cast<HMODULE>(module), wide, static_cast<DWORD>(room));
    if (!PlatformCutModuleName(wide, room, n)) {
        buffer[0] = '\0';
        return false;
    }
    PlatformHostText(wide, buffer, size);
    return true;
}

bool PlatformReplaceFile(const char* from, const char* to)
{
    wchar_t systemFrom[kPlatformPathSize], systemTo[kPlatformPathSize];
    if (!PlatformSystemPath(from, systemFrom, kPlatformPathSize) || !PlatformSystemPath(to, systemTo, kPlatformPathSize))
        return false;
    // rename() of the C library refuses an existing target on Windows.
    return MoveFileExW(systemFrom, systemTo, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void PlatformNoFile(PlatformNewFile* file)
{
    file->handle = INVALID_HANDLE_VALUE;
    file->open = false;
    file->basis = PlatformIdentityBasis{};
}

namespace {

constexpr DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;

PlatformFileFacts FactsOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    PlatformFileFacts facts{};
    facts.plain = (info.dwFileAttributes & kNotPlain) == 0;
    facts.volume = info.dwVolumeSerialNumber;
    facts.index = static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    facts.links = info.nNumberOfLinks;
    facts.size = static_cast<uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    return facts;
}

// The name itself, never what a link or junction there points to, opened
// to be looked at (and, with `data`, read).
HANDLE OpenName(const wchar_t* systemPath, bool data)
{
    return CreateFileW(systemPath, FILE_READ_ATTRIBUTES | (data ? FILE_READ_DATA : 0),
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool FactsOfHandle(HANDLE handle, PlatformFileFacts* facts)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info))
        return false;
    *facts = FactsOf(info);
    return true;
}

// The digest of the file's last bytes; false when they cannot be read.
bool ReadTail(HANDLE handle, PlatformFileFacts* facts)
{
    unsigned char bytes[kPlatformTailBytes];
    const uint64_t want = facts->size < kPlatformTailBytes ? facts->size : kPlatformTailBytes;
    const uint64_t at = facts->size - want;
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at);
    where.OffsetHigh = static_cast<DWORD>(at >> 32);
    DWORD got = 0;
    if (want > 0 && (!ReadFile(handle, bytes, static_cast<DWORD>(want), &got, &where) || got != want))
        return false;
    facts->tail = PlatformTailDigest(bytes, static_cast<int>(want));
    return true;
}

} // namespace

PlatformCreated PlatformCreateNewFile(const char* path, PlatformNewFile* file)
{
    PlatformNoFile(file);
    wchar_t systemPath[kPlatformPathSize];
    if (!PlatformSystemPath(path, systemPath, kPlatformPathSize))
        return PlatformCreated::Failed;
    // Shared with the host, which writes it, and with a move while it is open.
    const HANDLE handle = CreateFileW(systemPath, GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED
                   ? PlatformCreated::Taken
                   : PlatformCreated::Failed;
    }
    file->handle = handle;
    file->open = true;
    // What the file system gives: the name surely names the file now.
    PlatformFileFacts held{}, named{};
    const bool heldKnown = FactsOfHandle(handle, &held);
    const HANDLE again = OpenName(systemPath, false);
    if (heldKnown && again != INVALID_HANDLE_VALUE && FactsOfHandle(again, &named))
        file->basis = PlatformLearnIdentity(held, named);
    else
        file->basis = PlatformIdentityBasis{false, heldKnown ? held.links : 1u};
    if (again != INVALID_HANDLE_VALUE)
        CloseHandle(again);
    return PlatformCreated::New;
}

unsigned PlatformUniqueNumber()
{
    static unsigned calls = 0;
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<unsigned>(GetCurrentProcessId()) * 2654435761u ^ static_cast<unsigned>(now.QuadPart) ^
           static_cast<unsigned>(now.QuadPart >> 32) * 40503u ^ ++calls * 97u;
}

namespace {

void CloseNewFile(PlatformNewFile* file)
{
    if (file->open)
        CloseHandle(static_cast<HANDLE>(file->handle));
    PlatformNoFile(file);
}

// The name still names the file held open, a plain file of that one name
// (no link, no junction: the name itself is looked at).  Where the file
// system gives no stable identity (a share without file numbers), the
// contents decide: platform_identity.h.
bool NamesHeldFile(const PlatformNewFile* file, const wchar_t* systemPath)
{
    const HANDLE heldHandle = static_cast<HANDLE>(file->handle);
    PlatformFileFacts held{}, named{};
    if (!file->open || !FactsOfHandle(heldHandle, &held))
        return false;
    const HANDLE handle = OpenName(systemPath, !file->basis.stable);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    bool known = FactsOfHandle(handle, &named);
    if (known && !file->basis.stable && named.plain)
        known = ReadTail(handle, &named) && ReadTail(heldHandle, &held);
    CloseHandle(handle);
    return known && PlatformSameFile(file->basis, held, named);
}

} // namespace

PlatformCommit PlatformCommitFile(PlatformNewFile* file, const char* from, const char* to)
{
    wchar_t systemFrom[kPlatformPathSize], systemTo[kPlatformPathSize];
    PlatformCommit outcome = PlatformCommit::Done;
    if (!PlatformSystemPath(from, systemFrom, kPlatformPathSize) || !PlatformSystemPath(to, systemTo, kPlatformPathSize))
        outcome = PlatformCommit::NotMoved;
    else if (!NamesHeldFile(file, systemFrom))
        outcome = PlatformCommit::NotOurs;
    else if (!FlushFileBuffers(static_cast<HANDLE>(file->handle)))
        outcome = PlatformCommit::NotFlushed;
    // The move is written through to the disk before it returns.
    else if (!MoveFileExW(systemFrom, systemTo, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        outcome = PlatformCommit::NotMoved;
    if (outcome == PlatformCommit::Done)
        CloseNewFile(file);
    return outcome;
}

bool PlatformDiscardNewFile(PlatformNewFile* file, const char* path)
{
    wchar_t systemPath[kPlatformPathSize];
    if (!file->open)
        return true;
    if (PlatformSystemPath(path, systemPath, kPlatformPathSize) && NamesHeldFile(file, systemPath) &&
        !DeleteFileW(systemPath) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;
    CloseNewFile(file);
    return true;
}

void PlatformCloseNewFile(PlatformNewFile* file) { CloseNewFile(file); }

bool PlatformRemoveFile(const char* path)
{
    wchar_t systemPath[kPlatformPathSize];
    if (!PlatformSystemPath(path, systemPath, kPlatformPathSize))
        return false;
    return DeleteFileW(systemPath) != 0 || GetLastError() == ERROR_FILE_NOT_FOUND;
}

#ifdef VENTALOR_PROMPT_ANSWERS_HOOK
// A test hook, in the tests' DLL only (cmake/windows.cmake builds the
// package's DLL without it): scripted answers of the Abort/Retry/Ignore box.
// Under Wine without a display (the tests) no box can be shown or answered,
// so the host passes the answers in the environment variable
// TOMIVA_PROMPT_ANSWERS (a comma list such as "retry,ignore", one word per
// box; the host sets it from its --prompt-answers).  While it is set, every
// box is printed on the standard error and answered from the list (more
// boxes than answers: Abort); otherwise MessageBoxA shows it.
static bool ScriptedAnswers(char* answers, DWORD size)
{
    const DWORD n = GetEnvironmentVariableA(kPromptAnswersVariable, answers, size);
    return n > 0 && n < size;
}

int PlatformMessageBox(const char* text, const char* title, unsigned style)
{
    char answers[256];
    if (!ScriptedAnswers(answers, sizeof answers))
        return MessageBoxA(nullptr, text, title, style);

    PlatformPrintBox(title, text);
    if ((style & 0xF) != (kPlatformStyleAbortRetryIgnore & 0xF))
        return kPlatformIdOk;
    const int answer = PlatformScriptedAnswer(answers);
    PlatformPrintAnswer(answer);
    return answer;
}
#else
// The box is the system's, whatever the process's environment holds.
int PlatformMessageBox(const char* text, const char* title, unsigned style)
{
    return MessageBoxA(nullptr, text, title, style);
}
#endif

static_assert(kPlatformIdOk == IDOK && kPlatformIdAbort == IDABORT && kPlatformIdRetry == IDRETRY &&
              kPlatformIdIgnore == IDIGNORE);
static_assert(kPlatformStyleOk == (MB_OK | MB_TASKMODAL) &&
              kPlatformStyleAbortRetryIgnore == (MB_ABORTRETRYIGNORE | MB_ICONERROR | MB_TASKMODAL));
