// The progress window.  On a terminal it is one live line, "heading: detail",
// redrawn in place and wiped at close; when stderr is a file or a pipe it
// stays quiet, so that logs hold only the messages.  A new heading is drawn
// at once; a new detail at most every kRedrawInterval: a run updates it at
// every document, and a terminal (a console under Wine above all) costs
// more per line than the document itself.
#include "host/services/host_progress.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "host/common/entry_guard.h"
#include "host/host_entry_impl.h"
#include "host/services/host_latitude.h"
#include "host/common/mazovia.h"

namespace {

struct Progress {
    bool open = false;
    std::string heading; // UTF-8
    std::string detail;  // UTF-8
    long updates = 0;
    bool lineShown = false; // a progress line stands on the terminal now
    // Whether stderr is a terminal, asked when the window opens: the
    // question is a system call, and a run updates at every document.
    bool live = false;
    std::string shownHeading;
    std::chrono::steady_clock::time_point shownAt{};
};

inline constexpr std::chrono::milliseconds kRedrawInterval{100};

Progress& State()
{
    static Progress progress;
    return progress;
}

// "\r" goes to the start of the line and ESC [K clears it.
void ClearLine()
{
    Progress& p = State();
    if (!p.lineShown)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    p.lineShown = false;
}

void Draw()
{
    Progress& p = State();
    if (!p.open || !p.live)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (p.lineShown && p.heading == p.shownHeading && now - p.shownAt < kRedrawInterval)
        return;
    p.shownHeading = p.heading;
    p.shownAt = now;
    std::string line = "\r\033[K" + p.heading;
    if (!p.heading.empty() && !p.detail.empty())
        line += ": ";
    line += p.detail;
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    p.lineShown = true;
}

} // namespace

HostProgressView HostProgressNow()
{
    const Progress& p = State();
    return {p.open, p.heading, p.detail, p.updates};
}

void HostProgressClearLine() { ClearLine(); }

void HostProgressReset()
{
    ClearLine();
    State() = Progress{};
}

namespace tomiva {

// The kind (856 for the export run) picks the host's window design; this
// host has one.
int HOST_CONV_STDCALL HostProgressOpen(int /*kind*/)
{
    LatitudeEntered();
    return HostEntryGuard(0, [] {
        ClearLine();
        State() = Progress{};
        State().open = true;
        State().live = isatty(STDERR_FILENO) != 0;
        return LatitudeUnused(1);
    });
}

int HOST_CONV_STDCALL HostProgressText(const char* detail, const char* heading)
{
    LatitudeEntered();
    return HostEntryGuard(0, [&] {
        Progress& p = State();
        if (detail != nullptr)
            p.detail = MazoviaToUtf8(detail);
        if (heading != nullptr)
            p.heading = MazoviaToUtf8(heading);
        return LatitudeUnused(1);
    });
}

int HOST_CONV_STDCALL HostProgressUpdate(void)
{
    LatitudeEntered();
    return HostEntryGuard(0, [] {
        ++State().updates;
        Draw();
        return LatitudeUnused(1);
    });
}

int HOST_CONV_STDCALL HostProgressClose(void)
{
    LatitudeEntered();
    return HostEntryGuard(0, [] {
        ClearLine();
        State().open = false;
        return LatitudeUnused(1);
    });
}

} // namespace tomiva
