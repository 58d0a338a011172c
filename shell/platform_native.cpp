// Platform layer of the native build: modules are found by an exported
// NativeModule symbol, the system's message box is the terminal.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "native_module.h"
#include "platform.h"

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

int PlatformModuleFileName(PlatformModule, char* buffer, int size)
{
    Dl_info info{};
    if (size <= 0 || dladdr(reinterpret_cast<void*>(&PlatformModuleFileName), &info) == 0 ||
        info.dli_fname == nullptr)
        return 0;
    const int written = std::snprintf(buffer, static_cast<size_t>(size), "%s", info.dli_fname);
    return written < 0 ? 0 : (written < size ? written : size - 1);
}

// Answers of the Abort/Retry/Ignore box: the environment variable
// TOMIVA_PROMPT_ANSWERS (set by the host's command line: a comma list such as
// "retry,ignore", one word per box shown), else the terminal, else Abort.
static int g_answersUsed = 0;

void PlatformRestartScriptedAnswers() { g_answersUsed = 0; }

static int NextScriptedAnswer()
{
    int& used = g_answersUsed;
    const char* answers = std::getenv("TOMIVA_PROMPT_ANSWERS");
    if (answers == nullptr || *answers == '\0')
        return 0;
    const char* p = answers;
    for (int i = 0; i < used && p != nullptr; ++i) {
        p = std::strchr(p, ',');
        if (p != nullptr)
            ++p;
    }
    if (p == nullptr)
        return kPlatformIdAbort; // more boxes than answers: stop
    ++used;
    if (std::strncmp(p, "retry", 5) == 0)
        return kPlatformIdRetry;
    if (std::strncmp(p, "ignore", 6) == 0)
        return kPlatformIdIgnore;
    return kPlatformIdAbort;
}

// The system's text is Windows-1250; the terminal's is UTF-8.  The message
// boxes of the plug-in hold ASCII and Polish letters; anything else shows as "?".
static void PrintSystemText(const char* text)
{
    struct Letter {
        unsigned char byte;
        const char* utf8;
    };
    static const Letter kLetters[] = {
        {0xB9, "ą"}, {0xE6, "ć"}, {0xEA, "ę"}, {0xB3, "ł"}, {0xF1, "ń"}, {0xF3, "ó"}, {0x9C, "ś"}, {0x9F, "ź"}, {0xBF, "ż"},
        {0xA5, "Ą"}, {0xC6, "Ć"}, {0xCA, "Ę"}, {0xA3, "Ł"}, {0xD1, "Ń"}, {0xD3, "Ó"}, {0x8C, "Ś"}, {0x8F, "Ź"}, {0xAF, "Ż"},
    };
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        if (*p < 0x80) {
            std::fputc(*p, stderr);
            continue;
        }
        const char* shown = "?";
        for (const Letter& l : kLetters)
            if (l.byte == *p)
                shown = l.utf8;
        std::fputs(shown, stderr);
    }
}

int PlatformMessageBox(const char* text, const char* title, unsigned style)
{
    std::fputs("\n== ", stderr);
    PrintSystemText(title);
    std::fputs(" ==\n", stderr);
    PrintSystemText(text);
    std::fputs("\n", stderr);
    if ((style & 0xF) != (kPlatformStyleAbortRetryIgnore & 0xF))
        return kPlatformIdOk;

    if (const int scripted = NextScriptedAnswer(); scripted != 0) {
        std::fprintf(stderr, "[%s]\n",
                     scripted == kPlatformIdRetry ? "Retry" : scripted == kPlatformIdIgnore ? "Ignore" : "Abort");
        return scripted;
    }
    if (!isatty(STDIN_FILENO)) {
        std::fprintf(stderr, "[Abort]\n");
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
