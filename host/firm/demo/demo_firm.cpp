// The demo firm's one entry: the file claimed, the rows written, and no file
// left behind when the writing fails.
#include "host/firm/demo/demo_firm.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>
#ifdef _WIN32
#define O_CLOEXEC O_NOINHERIT // the same promise on Windows: no child inherits it
#endif

#include <cerrno>
#include <cstring>

#include "host/common/error_text.h"
#include "host/common/host_format.h"
#include "host/common/system_path.h"
#include "host/firm/demo/demo_database.h"

bool WriteDemoFirm(const std::string& path, const DemoFirmOptions& options, std::string* error)
{
    if (options.documents < 0 || options.documents > kDemoFirmMaxDocuments) {
        SetError(error,
                 HostFormat("a demo firm holds 0 to %d documents, not %d", kDemoFirmMaxDocuments, options.documents));
        return false;
    }
    if (options.year < kDemoFirmMinYear || options.year > kDemoFirmMaxYear) {
        SetError(
            error,
            HostFormat("the demo firm's year must be %d to %d, not %d", kDemoFirmMinYear, kDemoFirmMaxYear, options.year));
        return false;
    }
    if (path.empty()) {
        SetError(error, "no file name given for the demo firm");
        return false;
    }

    // Claim the name first: the file is created here or not at all, so an
    // existing firm is never touched, not even by a race.  SQLite takes an
    // empty file as an empty database.
#ifdef _WIN32
    const int fd = _wopen(WideText(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#else
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
    if (fd < 0) {
        const int code = errno;
        SetError(error,
                 code == EEXIST ? "the file " + path + " exists already; a demo firm is only written to a new file"
                                : "cannot create " + path + ": " + std::strerror(code));
        return false;
    }
    close(fd);

    // A bare name such as ":memory:" would mean something else to SQLite.
    const std::string sqlitePath = path.find('/') == std::string::npos ? "./" + path : path;
    sqlite3* db = nullptr;
    bool written = false;
    std::string failure;
    if (sqlite3_open_v2(sqlitePath.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        failure = "cannot open " + path + ": " + sqlite3_errmsg(db);
    } else {
        written = demo_firm::WriteFirmRows(db, options, &failure);
    }
    // Every statement is finalised by now, so the close cannot be refused.
    sqlite3_close(db);
    if (!written) {
        RemoveSystemFile(path);
        SetError(error, failure.empty() ? "cannot write " + path : failure);
    }
    return written;
}
