// The options survive from one export to the next in "a_mas.cfg": exactly
// the 258 bytes of the options record, no header.
#include <cstring>

#include "shell/host_calls.h"
#include "shell/plugin_messages.h"
#include "options/export_dialog.h"

namespace {
inline constexpr int kOpenShare = 0x40;
inline constexpr int kOpenAccess = -1;
} // namespace

int CExportVentalorTxt::LoadOptions()
{
    std::memset(&options, 0, sizeof options);
    void* file = HostOpenFile(kSettingsFileName, "rb", kOpenShare, 0, kOpenAccess);
    if (file == nullptr) {
        HostMessageBox(kTitleNotice, kMsgSettingsCannotRead, kNoticeFlags);
        return 0;
    }
    if (HostReadFile(&options, 1, kExportOptionsSize, file) == kExportOptionsSize) {
        HostCloseFile(file);
        return 1;
    }
    HostMessageBox(kTitleNotice, kMsgSettingsReadError, kNoticeFlags);
    std::memset(&options, 0, sizeof options);
    HostCloseFile(file);
    return 0;
}

int CExportVentalorTxt::SaveOptions()
{
    void* file = HostOpenFile(kSettingsFileName, "wb", kOpenShare, 0, kOpenAccess);
    if (file == nullptr) {
        HostMessageBox(kTitleNotice, kMsgSettingsCannotWrite, kNoticeFlags);
        return 0;
    }
    // A write that does not take the whole record (or whose flush at close
    // fails) would lose the user's answers without a word: say so.
    const int written = HostWriteFile(&options, kExportOptionsSize, 1, file);
    const int closed = HostCloseFile(file);
    if (written != 1 || closed == 0) {
        HostMessageBox(kTitleNotice, kMsgSettingsWriteError, kNoticeFlags);
        return 0;
    }
    return 1;
}
