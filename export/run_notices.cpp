// What a run tells the user (run_notices.h).
#include "export/run_notices.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "shell/binding.h"
#include "shell/host_calls.h"
#include "shell/plugin_messages.h"

bool Fail(RunFailure& failure, const char* reason, ...)
{
    if (!failure.failed) {
        va_list args;
        va_start(args, reason);
        std::vsnprintf(failure.reason, sizeof failure.reason, reason, args);
        va_end(args);
        failure.failed = true;
    }
    return false;
}

void AddNoticeCase(NoticeCases& cases, const char* text)
{
    if (cases.count < kNoticeCasesNamed) {
        const std::size_t used = std::strlen(cases.named);
        std::snprintf(cases.named + used, sizeof cases.named - used, "%s\n", text);
    }
    ++cases.count;
}

void ShowNoticeCases(const NoticeCases& cases, const char* format)
{
    if (cases.count == 0)
        return;
    char count[24], more[24];
    CountText(count, sizeof count, cases.count);
    char list[kNoticeCasesSize + 64];
    std::snprintf(list, sizeof list, "%s", cases.named);
    if (cases.count > kNoticeCasesNamed) {
        CountText(more, sizeof more, cases.count - kNoticeCasesNamed);
        const std::size_t used = std::strlen(list);
        std::snprintf(list + used, sizeof list - used, kCasesMore.c_str(), more);
    }
    ShowMessage(kTitleNotice, format, kNoticeFlags, count, list);
}

void CountText(char* destination, std::size_t size, long long count)
{
    std::snprintf(destination, size, "%lld", count);
}

void ShowProgressHeading(const char* heading)
{
    HostProgressText(nullptr, heading);
    HostProgressUpdate();
}

void ShowMessage(const char* title, const char* format, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    HostMessageBoxV(0, title, format, flags, args);
    va_end(args);
}
