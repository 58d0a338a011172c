#include "shell/platform_prompt.h"

#include <cstdio>
#include <cstring>

#include "shell/platform.h"

static int g_answersUsed = 0;

void PlatformRestartScriptedAnswers() { g_answersUsed = 0; }

int PlatformScriptedAnswer(const char* answers)
{
    const char* p = answers;
    for (int i = 0; i < g_answersUsed && p != nullptr; ++i) {
        p = std::strchr(p, ',');
        if (p != nullptr)
            ++p;
    }
    if (p == nullptr)
        return kPlatformIdAbort;
    ++g_answersUsed;
    if (std::strncmp(p, "retry", 5) == 0)
        return kPlatformIdRetry;
    if (std::strncmp(p, "ignore", 6) == 0)
        return kPlatformIdIgnore;
    return kPlatformIdAbort;
}

// The plug-in's boxes hold ASCII and Polish letters; anything else shows as "?".
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

void PlatformPrintBox(const char* title, const char* text)
{
    std::fputs("\n== ", stderr);
    PrintSystemText(title);
    std::fputs(" ==\n", stderr);
    PrintSystemText(text);
    std::fputs("\n", stderr);
}

void PlatformPrintAnswer(int answer)
{
    std::fprintf(stderr, "[%s]\n",
                 answer == kPlatformIdRetry ? "Retry" : answer == kPlatformIdIgnore ? "Ignore" : "Abort");
    std::fflush(stderr);
}
