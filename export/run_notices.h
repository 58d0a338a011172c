// What a run tells the user: the first failure's reason, the notices of
// cases gathered over the run, the progress window's heading and the
// plug-in's formatted notice.
#pragma once

#include <cstddef>

// The paths of the run: the host's directory, a separator and a file name.
inline constexpr int kPathSize = 256;

// The first failure of a run that created its file: the reason, in host
// text, with its arguments filled in (a reason names up to three paths).
struct RunFailure {
    bool failed;
    char reason[kPathSize * 3];
};
// Records the reason (a printf format of host text and its arguments) unless
// a failure was recorded before; always false.
bool Fail(RunFailure& failure, const char* reason, ...);

// Cases of one kind of notice, gathered over a run and shown once: the
// first few named, the rest counted.
inline constexpr int kNoticeCasesNamed = 5;
inline constexpr int kNoticeCasesSize = 1024;
struct NoticeCases {
    long count;
    char named[kNoticeCasesSize]; // the first cases, one per line
};
// Counts a case and names it when it is one of the first.
void AddNoticeCase(NoticeCases& cases, const char* text);
// The one notice of the cases, if there were any: the format takes the
// count and the list of those named (with "... i N innych" after them).
void ShowNoticeCases(const NoticeCases& cases, const char* format);

// A count in decimal, for messages: byte counts pass 32 bits.
void CountText(char* destination, std::size_t size, long long count);

// The heading of the progress window, shown at once.
void ShowProgressHeading(const char* heading);

// The plug-in's formatted notice (title "Uwaga", flags 1 at every call site).
void ShowMessage(const char* title, const char* format, int flags, ...);
