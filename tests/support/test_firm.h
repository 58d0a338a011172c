// Firm databases for tests: the host's schema plus the rows a test needs.
#pragma once

#include <string>

#include "support/test_files.h"

// Creates a new firm database at path (replacing any file there): the firm
// schema with user_version 1, then sql, usually inserts.  sql runs inside one
// transaction and must not begin its own.  Returns "" on success, else the
// SQLite error.
std::string CreateFirmDatabase(const std::string& path, const std::string& sql);

// Settings block 2 (the purchase kinds' names, 990 bytes) as SQL hex: the
// marker "9876543210", then the bytes given in hex, then zeros.
std::string PurchaseKindNamesHex(const std::string& afterMarker = "");
// The insert of that block with nothing after the marker: the firm's
// purchase kinds are defined.
std::string PurchaseKindsDefinedSql();

// The first page of a table or index in the firm file at path (1 for the
// first page of the file), or 0 when it has none of that name.
int RootPage(const std::string& path, const char* name);

// A firm made from sql in a temporary folder and opened as the host's firm
// for the object's life (FirmDatabaseOpen, then FirmDatabaseClose).  A firm
// whose sql fails is reported as a test failure.
class TestFirm {
public:
    explicit TestFirm(const std::string& sql);
    ~TestFirm();
    TestFirm(const TestFirm&) = delete;
    TestFirm& operator=(const TestFirm&) = delete;

    bool opened() const { return opened_; }
    // FirmDatabaseOpen's message when the firm was refused.
    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }

private:
    TestDir dir_;
    std::string path_;
    std::string error_;
    bool opened_ = false;
};
