// A prepared SQLite statement that finalises itself.  Header only: it is
// included by the rooms that link SQLite, and by no other.
#pragma once

#include <sqlite3.h>

#include <memory>

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Prepares sql into *statement, finalising what it held; flags are those of
// sqlite3_prepare_v3 (0 prepares as sqlite3_prepare_v2 does).  False, with
// the reason in sqlite3_errmsg(db), when SQLite refuses it.
inline bool PrepareStatement(sqlite3* db, const char* sql, Statement* statement, unsigned flags = 0)
{
    sqlite3_stmt* raw = nullptr;
    const int status = sqlite3_prepare_v3(db, sql, -1, flags, &raw, nullptr);
    statement->reset(raw);
    return status == SQLITE_OK;
}
