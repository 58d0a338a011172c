// Platform layer of the native build: modules are found by an exported
// NativeModule symbol, the system's message box is the terminal, files are
// replaced and removed by the C library under their UTF-8 names.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "contract/host_protocol.h"
#include "contract/native_module.h"
#include "shell/platform.h"
#include "shell/platform_prompt.h"

PlatformModule PlatformFindModule(const char* name)
{
    char symbol[128];
    std::snprintf(symbol, sizeof symbol, "%s%s", NATIVE_MODULE_SYMBOL_PREFIX, name);
    return dlsym(RTLD_DEFAULT, symbol);
}

void* PlatformLookupByNumber(PlatformModule module, int number)
{
    if (module == nullptr)
        return nullptr;
    return static_cast<const NativeModule*>(module)->lookupByNumber(number);
}

bool PlatformModuleFileName(PlatformModule, char* buffer, int size)
{
    Dl_info info{};
    if (size <= 0 || dladdr(reinterpret_cast<void*>(&PlatformModuleFileName), &info) == 0 ||
        info.dli_fname == nullptr)
        return false;
    // A path longer than the buffer is given cut short.
    PlatformHostText(info.dli_fname, buffer, size);
    return info.dli_fname[0] != '\0';
}

bool PlatformReplaceFile(const char* from, const char* to)
{
    char systemFrom[kPlatformPathSize], systemTo[kPlatformPathSize];
    if (!PlatformSystemPath(from, systemFrom, sizeof systemFrom) || !PlatformSystemPath(to, systemTo, sizeof systemTo))
        return false;
    // rename(2) replaces an existing target atomically within one file system.
    return std::rename(systemFrom, systemTo) == 0;
}

bool PlatformRemoveFile(const char* path)
{
    char systemPath[kPlatformPathSize];
    if (!PlatformSystemPath(path, systemPath, sizeof systemPath))
        return false;
    return std::remove(systemPath) == 0 || errno == ENOENT;
}

// Answers of the Abort/Retry/Ignore box: the environment variable
// TOMIVA_PROMPT_ANSWERS (set by the host's command line: a comma list such as
// "retry,ignore", one word per box shown), else the terminal, else Abort.
int PlatformMessageBox(const char* text, const char* title, unsigned style)
{
    PlatformPrintBox(title, text);
    if ((style & 0xF) != (kPlatformStyleAbortRetryIgnore & 0xF))
        return kPlatformIdOk;

    const char* answers = std::getenv(kPromptAnswersVariable);
    if (answers != nullptr && *answers != '\0') {
        const int scripted = PlatformScriptedAnswer(answers);
        PlatformPrintAnswer(scripted);
        return scripted;
    }
    if (!isatty(STDIN_FILENO)) {
        PlatformPrintAnswer(kPlatformIdAbort);
        return kPlatformIdAbort;
    }
    for (;;) {
        std::fprintf(stderr, "(A)bort, (R)etry, (I)gnore? ");
        char line[16];
        if (std::fgets(line, sizeof line, stdin) == nullptr)
            return kPlatformIdAbort;
        switch (line[0]) {
        case 'a': case 'A': return kPlatformIdAbort;
        case 'r': case 'R': return kPlatformIdRetry;
        case 'i': case 'I': return kPlatformIdIgnore;
        default: break;
        }
    }
}
