// The options dialog's own check when OK is pressed: the period must be
// given at both ends and in order, or the export would gather nothing (an
// inverted range) or everything up to "Do daty" under a month and year of
// zeros (an empty "Od daty").
#include <cstdio>

#include "options/dialog_template.h"
#include "options/export_dialog.h"
#include "shell/host_calls.h"
#include "shell/plugin_messages.h"

namespace {

// A date control's text: the host's 8-character date, or empty.
inline constexpr int kDateTextSize = 9;

int Refuse(void* self, int control, const char* text)
{
    DlgSetFocus(self, control);
    HostMessageBox(kTitleNotice, text, kNoticeFlags);
    return 0;
}

// "YYYY-MM-DD" of a host date text, for a message.
void ShownDate(const char* date, char* shown, int size)
{
    int16_t year = 0, month = 0, day = 0;
    HostUnpackDate(date, &year, &month, &day, 0);
    std::snprintf(shown, static_cast<std::size_t>(size), "%04d-%02d-%02d", year, month, day);
}

} // namespace

int HOST_CONV_THISCALL ValidateExportDialog(void* self)
{
    // Real dates and numbers within their ranges: the base checks them.
    if (DlgValidate(self) == 0)
        return 0;
    char from[kDateTextSize] = {};
    char to[kDateTextSize] = {};
    DlgGetText(self, kControlDateFrom, from, sizeof from);
    DlgGetText(self, kControlDateTo, to, sizeof to);
    if (from[0] == '\0')
        return Refuse(self, kControlDateFrom, kMsgPeriodFromEmpty);
    if (to[0] == '\0')
        return Refuse(self, kControlDateTo, kMsgPeriodToEmpty);
    if (HostCompareDates(from, to) > 0) {
        char fromShown[24], toShown[24], text[256];
        ShownDate(from, fromShown, sizeof fromShown);
        ShownDate(to, toShown, sizeof toShown);
        std::snprintf(text, sizeof text, kMsgPeriodInverted.c_str(), fromShown, toShown);
        return Refuse(self, kControlDateFrom, text);
    }
    return 1;
}
