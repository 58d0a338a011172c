// The options survive from one export to the next in "a_mas.cfg": exactly
// the 258 bytes of the options record, no header.
#include <cstdio>
#include <cstring>

#include "contract/host_protocol.h"
#include "options/export_dialog.h"
#include "shell/binding.h"
#include "shell/host_calls.h"
#include "shell/platform.h"
#include "shell/plugin_messages.h"

namespace {

// A settings file's path: the host's data directory and the name.
inline constexpr std::size_t kSettingsPathSize = 256;

// False when there is no data directory to name, or the path would not fit.
// Without the directory the file could not be moved where the host reads it.
bool SettingsPath(const char* name, char* path, std::size_t size)
{
    const char* directory = HostDataDirectory();
    if (directory == nullptr || directory[0] == '\0' || std::strlen(directory) + 1 + std::strlen(name) >= size)
        return false;
    std::snprintf(path, size, "%s", directory);
    HostAppendPath(path, name);
    return true;
}

// The file holds exactly the record: what was written is read back, so that
// a write that never reached the disk is caught here whatever the host's
// write and close entries answered.
bool HoldsExactly(const char* path, const ExportOptions& options)
{
    void* file = HostOpenFile(path, "rb", kOpenShareDenyNone, 0, kOpenAccessDefault);
    if (file == nullptr)
        return false;
    unsigned char back[kExportOptionsSize + 1];
    const int read = HostReadFile(back, 1, sizeof back, file);
    HostCloseFile(file);
    return read == kExportOptionsSize && std::memcmp(back, &options, kExportOptionsSize) == 0;
}

} // namespace

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

// Written under a name of its own, read back, then moved over the settings
// file in one step: a save that fails (a full disk, a folder that cannot be
// written) leaves the earlier settings file as it was, and no other file.
bool CExportVentalorTxt::SaveOptions()
{
    char temporary[kSettingsPathSize];
    char settings[kSettingsPathSize];
    void* file = nullptr;
    if (SettingsPath(kSettingsTempFileName, temporary, sizeof temporary) &&
        SettingsPath(kSettingsFileName, settings, sizeof settings))
        file = HostOpenFile(temporary, "wb", kOpenShareDenyNone, 0, kOpenAccessDefault);
    if (file == nullptr) {
        HostMessageBox(kTitleNotice, kMsgSettingsCannotWrite, kNoticeFlags);
        return false;
    }
    // What the write and close entries answer is not the host's promise;
    // the reading back is.
    HostWriteFile(&options, kExportOptionsSize, 1, file);
    HostCloseFile(file);
    if (!HoldsExactly(temporary, options) || !PlatformReplaceFile(temporary, settings)) {
        PlatformRemoveFile(temporary);
        HostMessageBox(kTitleNotice, kMsgSettingsWriteError, kNoticeFlags);
        return false;
    }
    return true;
}
