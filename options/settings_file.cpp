// The options survive from one export to the next in "a_mas.cfg": exactly
// the 258 bytes of the options record, no header.  The bare name goes to
// the host's file service, which decides where the file lives; loading and
// saving reach it the same way.
#include <cstring>

#include "contract/host_protocol.h"
#include "contract/settings_record.h"
#include "options/export_dialog.h"
#include "shell/binding.h"
#include "shell/host_calls.h"
#include "shell/plugin_messages.h"

namespace {

// What the settings file holds, read through the host: up to one byte more
// than a record, so that a longer file is told from a whole one.  The number
// of bytes read; -1 when the file cannot be opened.
int ReadSettings(unsigned char* buffer, int size)
{
    void* file = HostOpenFile(kSettingsFileName, "rb", kOpenShareDenyNone, 0, kOpenAccessDefault);
    if (file == nullptr)
        return -1;
    const int read = HostReadFile(buffer, 1, size, file);
    HostCloseFile(file);
    return read;
}

// What became of a record written over the settings file.
enum class Written { NotOpened, NotHeld, Held };

// Writes one record over the settings file and reads it back: Held only when
// the file then holds exactly that record, whatever the host's write and
// close entries answered (their results are not the host's promise).
Written WriteSettings(const unsigned char* record)
{
    void* file = HostOpenFile(kSettingsFileName, "wb", kOpenShareDenyNone, 0, kOpenAccessDefault);
    if (file == nullptr)
        return Written::NotOpened;
    HostWriteFile(record, kExportOptionsSize, 1, file);
    HostCloseFile(file);
    unsigned char back[kExportOptionsSize + 1];
    const bool held =
        ReadSettings(back, sizeof back) == kExportOptionsSize && std::memcmp(back, record, kExportOptionsSize) == 0;
    return held ? Written::Held : Written::NotHeld;
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

// The host's file service can only create or empty the file and write it:
// there is no second name to write under and move into place.  So the
// earlier record is read first; the new one is written and read back, and
// when it does not hold (a full disk, a write that never arrived) the
// earlier record is written back and checked the same way.  The user is
// told which of the two the file now holds when it is not the new one.
bool CExportVentalorTxt::SaveOptions()
{
    unsigned char earlier[kExportOptionsSize + 1];
    // Only a whole record is worth putting back; a longer file's first
    // record is what a load would take from it.
    const bool hadEarlier = ReadSettings(earlier, sizeof earlier) >= kExportOptionsSize;

    unsigned char record[kExportOptionsSize];
    std::memcpy(record, &options, sizeof record);
    const Written written = WriteSettings(record);
    // A missing entry is told by the command's own notice, not as a file fault.
    if (written == Written::Held || CommandAbandoned())
        return written == Written::Held;
    if (written == Written::NotOpened) {
        HostMessageBox(kTitleNotice, kMsgSettingsCannotWrite, kNoticeFlags);
        return false;
    }
    const bool restored = hadEarlier && WriteSettings(earlier) == Written::Held;
    HostMessageBox(kTitleNotice, restored || !hadEarlier ? kMsgSettingsWriteError : kMsgSettingsRestoreError,
                   kNoticeFlags);
    return false;
}
