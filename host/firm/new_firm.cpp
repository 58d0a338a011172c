// tomiva new-firm: the schema written into a new SQLite file.
#include "host/firm/new_firm.h"

#include <filesystem>
#include <system_error>

#include <sqlite3.h>

#include "host/common/system_path.h"
#include "host/firm/firm_schema.h"

bool WriteNewFirm(const std::string& path, std::string* error)
{
    std::error_code ec;
    if (std::filesystem::exists(SystemPath(path), ec)) {
        *error = path + " exists already; a new firm needs a new file";
        return false;
    }
    sqlite3* db = nullptr;
    char* message = nullptr;
    const bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, kFirmSchemaSql, nullptr, nullptr, &message) == SQLITE_OK;
    if (!ok)
        *error = "cannot write " + path + ": " + (message != nullptr ? message : sqlite3_errmsg(db));
    sqlite3_free(message);
    sqlite3_close(db);
    if (!ok)
        std::filesystem::remove(SystemPath(path), ec);
    return ok;
}
