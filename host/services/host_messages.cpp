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
#include "host/common/entry_guard.h"
#include "host/common/host_format.h"
#include "host/host_entry_impl.h"
#include "host/services/host_latitude.h"
#include "host/services/host_progress.h"
#include "host/services/host_session.h"
#include "host/common/mazovia.h"

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

std::vector<std::string>& Notes()
{
    static std::vector<std::string> notes;
    return notes;
}

} // namespace

const std::vector<HostShownMessage>& HostShownMessages() { return Shown(); }
void HostClearShownMessages()
{
    Shown().clear();
    Notes().clear();
}
const std::vector<std::string>& HostShownNotes() { return Notes(); }

namespace {

// A dialog at the terminal owns the screen: what the host would print goes
// to the dialog's line of keys instead, one text after another.
bool ToDialogLine(const std::string& text)
{
    std::string* line = HostState().dialogMessageLine;
    if (line == nullptr)
        return false;
    if (!line->empty())
        *line += "  ";
    for (char c : text)
        *line += c == '\n' ? ' ' : c;
    return true;
}

// True when the message went to a dialog's line rather than the terminal.
bool ShowAndRecord(const char* kind, const char* title, const char* text)
{
    HostShownMessage message{kind != nullptr ? kind : "box", Readable(title), Readable(text)};
    std::string heading = message.title;
    if (heading.empty())
        heading = message.kind == "error" ? "Błąd" : "Komunikat";
    const bool inDialog = ToDialogLine(message.text);
    if (!inDialog)
        PrintBox(heading, message.text);
    Shown().push_back(std::move(message));
    return inDialog;
}

} // namespace

int HostShowMessage(const char* kind, const char* title, const char* text)
{
    if (!ShowAndRecord(kind, title, text) && !HostState().batch && isatty(STDIN_FILENO) != 0)
        WaitForEnter();
    return 1;
}

void HostNote(const std::string& text)
{
    Notes().push_back(text);
    if (ToDialogLine(text))
        return;
    HostProgressClearLine();
    std::fprintf(stderr, "tomiva: %s\n", text.c_str());
    std::fflush(stderr);
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
    LatitudeEntered();
    return LatitudeUnused(HostEntryGuard(1, [&] { return HostShowMessage("box", title, text); }));
}

int HOST_CONV_STDCALL HostMessageBoxV(int /*owner*/, const char* title, const char* format, int /*flags*/,
                                      va_list args)
{
    LatitudeEntered();
    return LatitudeUnused(
        HostEntryGuard(1, [&] { return HostShowMessage("box", title, HostFormatV(format, args).c_str()); }));
}

int HOST_CONV_CDECL HostMessageBoxF(const char* title, const char* format, int flags, ...)
{
    LatitudeEntered();
    va_list args;
    va_start(args, flags);
    const int result =
        HostEntryGuard(1, [&] { return HostShowMessage("box", title, HostFormatV(format, args).c_str()); });
    va_end(args);
    return LatitudeUnused(result);
}

// The plug-in's error notice tells of a failure: the command is marked with
// it, so that tomiva does not end as if all went well.
int HOST_CONV_STDCALL HostErrorMessage(const char* text)
{
    LatitudeEntered();
    return LatitudeUnused(HostEntryGuard(1, [&] {
        HostRecordFailure(HostFailureKind::PluginReported, "the plug-in reported: " + Readable(text));
        return HostShowMessage("error", "", text);
    }));
}

} // namespace tomiva
