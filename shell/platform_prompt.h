// What both platform layers share about showing a message box on the
// standard error and answering it from a scripted list.
#pragma once

// The next answer of a comma list such as "retry,ignore" (one word per box
// shown since the list started): kPlatformIdAbort, ...Retry or ...Ignore;
// more boxes than answers: Abort.
int PlatformScriptedAnswer(const char* answers);

// Prints the box's title and text (the system's text, Windows-1250) on the
// standard error in UTF-8.
void PlatformPrintBox(const char* title, const char* text);

// Prints the answer that closed the box.
void PlatformPrintAnswer(int answer);

// A module's file name that the system wrote into a buffer of `size`
// characters, `written` characters long (as GetModuleFileNameW counts them:
// `size` when the name did not fit): false when there is none; a name that
// did not fit is cut to the buffer, ending in a NUL, as on every platform.
template <typename Char>
bool PlatformCutModuleName(Char* buffer, int size, unsigned long written)
{
    if (size <= 0 || written == 0) {
        if (size > 0)
            buffer[0] = 0;
        return false;
    }
    // A name that did not fit may come without its NUL (older systems).
    if (written >= static_cast<unsigned long>(size))
        buffer[size - 1] = 0;
    return true;
}
