// The check of a firm file's structure, made before any of its rows is
// read: every page of every table and index, and every entry of the index
// through which the host finds a document's lines against the rows of its
// table.
#pragma once

#include <sqlite3.h>

#include <string>

struct FirmStructureVerdict {
    // SQLITE_OK when the check ran to its end; else the status of the read
    // that failed, which the caller names (a lock, damage, memory).
    int status = SQLITE_OK;
    std::string message; // SQLite's message of that read
    // What is damaged in SQLite's words, each finding on a line of its own
    // after a '\n'; "" when the file is sound.
    std::string damage;
};

// Checks the firm open as db, as SQLite's full integrity check would, at
// most `shown` findings.  A firm whose only index is vat_line's primary key,
// as kFirmSchemaSql makes it, is screened first with SQLite's quick check and
// an ordered pass over that index compared with a pass over its table, and
// only a firm the screen doubts gets the full check.  The passes register an
// SQL function on db for their time.
FirmStructureVerdict CheckFirmStructure(sqlite3* db, int shown);

// Whether the firm open as db is screened: its only index is vat_line's
// primary key on its three key columns, unique, in ascending binary order.
// False as well when the schema cannot be read (the full check says why).
bool FirmStructureScreened(sqlite3* db);
