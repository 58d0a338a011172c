// The options survive from one export to the next in "a_mas.cfg": exactly
// the 258 bytes of the options record, no header.
#include <cstring>

#include "contract/host_protocol.h"
#include "options/export_dialog.h"
#include "shell/binding.h"
#include "shell/host_calls.h"
#include "shell/plugin_messages.h"

bool CExportVentalorTxt::LoadOptions()
{
    std::memset(&options, 0, sizeof options);
    void* file = HostOpenFile(kSettingsFileName, "rb", kOpenShareDenyNone, 0, kOpenAccessDefault);
    // A missing entry is told by the command's own notice, not as a file fault.
    if (file == nullptr) {
        if (!CommandAbandoned())
            HostMessageBox(kTitleNotice, kMsgSettingsCannotRead, kNoticeFlags);
        return false;
    }
    const bool whole = HostReadFile(&options, 1, kExportOptionsSize, file) == kExportOptionsSize;
    if (!whole) {
        if (!CommandAbandoned())
            HostMessageBox(kTitleNotice, kMsgSettingsReadError, kNoticeFlags);
        std::memset(&options, 0, sizeof options);
    }
    HostCloseFile(file);
    return whole;
}

bool CExportVentalorTxt::SaveOptions()
{
    void* file = HostOpenFile(kSettingsFileName, "wb", kOpenShareDenyNone, 0, kOpenAccessDefault);
    if (file == nullptr) {
        HostMessageBox(kTitleNotice, kMsgSettingsCannotWrite, kNoticeFlags);
        return false;
    }
    // A write that does not take the whole record (or whose flush at close
    // fails) would lose the user's answers without a word: say so.
    const int written = HostWriteFile(&options, kExportOptionsSize, 1, file);
    const int closed = HostCloseFile(file);
    if (written != 1 || closed == 0) {
        HostMessageBox(kTitleNotice, kMsgSettingsWriteError, kNoticeFlags);
        return false;
    }
    return true;
}
