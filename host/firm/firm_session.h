// The open firm database as the host's entries use it: the connection, the
// look-up statements prepared once, and the host's table objects with their
// record buffers.  Internal to the host's firm files.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "contract/host_records.h"
#include "host/common/sqlite_statement.h"

// The statement reset and its bindings cleared, ready for a new use.  Every
// user resets it again when done, so no read stays open between entries.
sqlite3_stmt* Fresh(const Statement& statement);
// sqlite3_step, with a step that neither gave a row nor reached the end
// reported as a failure inside the host (memory named where it ran short):
// the entry's caller only sees "no row", which must not be all there is.
int Step(sqlite3_stmt* statement);

// A host table object as the plug-in sees it: the pointer at byte offset 8
// is the table's record buffer.
struct HostTableObject {
    int32_t number;
    int32_t reserved;
    unsigned char* record;
};
static_assert(offsetof(HostTableObject, record) == kTableRecordPointerOffset);

struct FirmTable {
    HostTableObject object{};
    std::vector<unsigned char> record;
};

struct FirmSession {
    sqlite3* db = nullptr;
    Statement contractorByNumber;
    Statement nextInvoice;
    Statement nextCorrection;
    Statement linesOfDocument;
    Statement rateOfCode;
    Statement settingsBlock;
    // Tables 35, 52 and 54; their addresses stay put while the firm is open.
    FirmTable contractors;
    FirmTable invoices;
    FirmTable corrections;

    FirmSession() = default;
    FirmSession(const FirmSession&) = delete;
    FirmSession& operator=(const FirmSession&) = delete;
    ~FirmSession();
};

// The open firm, or null when none is open.
FirmSession* CurrentFirm();
