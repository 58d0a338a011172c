// Message boxes and error notices.  This host has no windows: a message is
// recorded for tests, printed to stderr as a small box, and answered with its
// first button; only an interactive session waits for Enter.
#include "host/services/host_messages.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "contract/host_protocol.h"
#include "host/app/host_runtime.h"
#include "host/common/entry_guard.h"
#include "host/common/host_format.h"
#include "host/module/host_entry_impl.h"
#include "host/services/host_progress.h"
#include "host/services/host_session.h"
#include "host/services/mazovia.h"

namespace {

std::vector<HostShownMessage>& Shown()
{
    static std::vector<HostShownMessage> shown;
    return shown;
}

// Host text to readable UTF-8: the emphasis and display-attribute bytes
// 0x01-0x05 only change how the host draws the text, so they go.
std::string Readable(const char* mazovia)
{
    std::string kept;
    if (mazovia != nullptr)
        for (const char* p = mazovia; *p != '\0'; ++p)
            if (static_cast<unsigned char>(*p) > kTextLastDisplayByte)
                kept.push_back(*p);
    return MazoviaToUtf8(kept);
}

void PrintBox(const std::string& heading, std::string text)
{
    HostProgressClearLine();
    // Line ends that close the text would only draw empty rows.
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    std::string box = "+-- " + heading + "\n";
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::size_t stop = end == std::string::npos ? text.size() : end;
        box += "| " + text.substr(start, stop - start) + "\n";
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    box += "+--\n";
    std::fputs(box.c_str(), stderr);
    std::fflush(stderr);
}

void WaitForEnter()
{
    std::fputs("[Enter] ", stderr);
    std::fflush(stderr);
    int c;
    do
        c = std::getchar();
    while (c != '\n' && c != EOF);
}

} // namespace

const std::vector<HostShownMessage>& HostShownMessages() { return Shown(); }
void HostClearShownMessages() { Shown().clear(); }

namespace {

void ShowAndRecord(const char* kind, const char* title, const char* text)
{
    HostShownMessage message{kind != nullptr ? kind : "box", Readable(title), Readable(text)};
    std::string heading = message.title;
    if (heading.empty())
        heading = message.kind == "error" ? "Błąd" : "Komunikat";
    PrintBox(heading, message.text);
    Shown().push_back(std::move(message));
}

} // namespace

int HostShowMessage(const char* kind, const char* title, const char* text)
{
    ShowAndRecord(kind, title, text);
    if (!HostState().batch && isatty(STDIN_FILENO) != 0)
        WaitForEnter();
    return 1;
}

int HostShowMessageAndGoOn(const char* kind, const char* title, const char* text)
{
    ShowAndRecord(kind, title, text);
    return 1;
}

namespace tomiva {

// A message that cannot be shown is answered as if shown: with the first button.

int HOST_CONV_STDCALL HostMessageBox(const char* title, const char* text, int /*flags*/)
{
    return HostEntryGuard(1, [&] { return HostShowMessage("box", title, text); });
}

int HOST_CONV_STDCALL HostMessageBoxV(int /*owner*/, const char* title, const char* format, int /*flags*/,
                                      va_list args)
{
    return HostEntryGuard(1, [&] { return HostShowMessage("box", title, HostFormatV(format, args).c_str()); });
}

int HOST_CONV_CDECL HostMessageBoxF(const char* title, const char* format, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const int result =
        HostEntryGuard(1, [&] { return HostShowMessage("box", title, HostFormatV(format, args).c_str()); });
    va_end(args);
    return result;
}

int HOST_CONV_STDCALL HostErrorMessage(const char* text)
{
    return HostEntryGuard(1, [&] { return HostShowMessage("error", "", text); });
}

} // namespace tomiva
