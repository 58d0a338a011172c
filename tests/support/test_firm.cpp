#include "support/test_firm.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>

#include "host/firm/firm_database.h"
#include "host/firm/firm_schema.h"

namespace {

std::string Execute(sqlite3* db, const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return {};
    std::string error = message != nullptr ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return error.empty() ? "SQLite error" : error;
}

} // namespace

std::string PurchaseKindNamesHex(const std::string& afterMarker)
{
    std::string hex = "39383736353433323130" + afterMarker; // "9876543210"
    if (hex.size() < 990 * 2)
        hex += std::string(990 * 2 - hex.size(), '0');
    return hex;
}

std::string PurchaseKindsDefinedSql() { return "INSERT INTO settings_block VALUES (2, X'" + PurchaseKindNamesHex() + "');\n"; }

std::string CreateFirmDatabase(const std::string& path, const std::string& sql)
{
    std::remove(path.c_str());
    sqlite3* db = nullptr;
    std::string error;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
    } else {
        // A test firm need not survive a power cut.
        error = Execute(db, "PRAGMA synchronous = OFF");
        if (error.empty())
            error = Execute(db, kFirmSchemaSql);
        if (error.empty())
            error = Execute(db, "BEGIN");
        if (error.empty())
            error = Execute(db, sql.c_str());
        if (error.empty())
            error = Execute(db, "COMMIT");
    }
    sqlite3_close(db);
    return error;
}

TestFirm::TestFirm(const std::string& sql) : path_(dir_.file("firm.sqlite"))
{
    const std::string created = CreateFirmDatabase(path_, sql);
    if (!created.empty()) {
        ADD_FAILURE() << "cannot create the test firm: " << created;
        error_ = created;
        return;
    }
    opened_ = FirmDatabaseOpen(path_, &error_);
}

TestFirm::~TestFirm() { FirmDatabaseClose(); }

int RootPage(const std::string& path, const char* name)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* find = nullptr;
    sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_master WHERE name = ?1", -1, &find, nullptr);
    sqlite3_bind_text(find, 1, name, -1, SQLITE_STATIC);
    const int page = sqlite3_step(find) == SQLITE_ROW ? sqlite3_column_int(find, 0) : 0;
    sqlite3_finalize(find);
    sqlite3_close(db);
    return page;
}
