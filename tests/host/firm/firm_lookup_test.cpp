// The host's table entries over an open firm: table objects, scans, the
// contractor look-up, VAT lines, settings blocks and rates, and the query
// plans that keep every look-up off a table walk.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "contract/host_records.h"
#include "host/firm/firm_database.h"
#include "host/firm/firm_queries.h"
#include "host/host_entry_impl.h"
#include "host/services/host_memory.h"
#include "support/test_firm.h"

namespace {

int32_t KeyOf(const unsigned char* record, const DocumentLayout& layout)
{
    return layout.documentKey.Read(record);
}

// Every document key of a scan of one kind, in the order the scan gives them.
std::vector<int32_t> ScanKeys(int kind, const DocumentLayout& layout, int table)
{
    std::vector<int32_t> keys;
    unsigned char scan[kHostScanStateSize] = {};
    if (tomiva::HostScanOpen(scan, 0, kind, 0, 0, 0) != 0)
        while (tomiva::HostScanNext(scan) == 1)
            keys.push_back(KeyOf(TableRecordBuffer(tomiva::HostOpenTable(table)), layout));
    tomiva::HostScanClose(scan);
    return keys;
}

struct LineRead {
    bool statusFailed = false;
    bool listFound = false;
    std::vector<std::vector<unsigned char>> records;
};

// A document's lines read the way the plug-in reads them.
LineRead ReadLines(int kind, int documentKey)
{
    LineRead read;
    const int table = tomiva::HostLineTable(kind);
    unsigned char key[kHostLineKeySize] = {};
    unsigned char status[kHostLineStatusSize] = {};
    tomiva::HostLineKey(table, key, status, documentKey);
    read.statusFailed = tomiva::HostStatusFailed(status) != 0;
    if (read.statusFailed)
        return read;
    int count = -1;
    void* list = tomiva::HostFindLines(table, status, key, &count);
    read.listFound = list != nullptr;
    if (list == nullptr) {
        EXPECT_EQ(count, 0);
        return read;
    }
    unsigned char** lines = nullptr;
    void* aux = nullptr;
    if (count != 0)
        tomiva::HostLoadLines(&lines, &aux, &count, count, key, list);
    tomiva::HostFreeList(&list);
    EXPECT_EQ(list, nullptr);
    for (int i = 0; i < count; ++i)
        read.records.emplace_back(lines[i], lines[i] + kInvoiceLineLayout.size);
    tomiva::HostReleaseLines(&lines, &aux, &count, count, key, 0);
    EXPECT_EQ(lines, nullptr);
    EXPECT_EQ(aux, nullptr);
    EXPECT_EQ(count, 0);
    return read;
}

double LineAmount(const std::vector<unsigned char>& record)
{
    return kInvoiceLineLayout.amount.Read(record.data());
}

TEST(FirmTables, OneStableObjectPerTableWhileTheFirmIsOpen)
{
    EXPECT_EQ(tomiva::HostOpenTable(35), nullptr);
    {
        TestFirm firm("");
        ASSERT_TRUE(firm.opened()) << firm.error();
        void* const tables[] = {tomiva::HostOpenTable(35), tomiva::HostOpenTable(52), tomiva::HostOpenTable(54)};
        for (void* table : tables) {
            ASSERT_NE(table, nullptr);
            EXPECT_NE(TableRecordBuffer(table), nullptr);
            EXPECT_EQ(tomiva::HostPrepareTable(table, 255), 1);
        }
        EXPECT_NE(tables[0], tables[1]);
        EXPECT_NE(tables[1], tables[2]);
        EXPECT_NE(TableRecordBuffer(tables[0]), TableRecordBuffer(tables[1]));
        EXPECT_NE(TableRecordBuffer(tables[1]), TableRecordBuffer(tables[2]));
        EXPECT_EQ(tomiva::HostOpenTable(35), tables[0]);
        EXPECT_EQ(tomiva::HostOpenTable(52), tables[1]);
        EXPECT_EQ(tomiva::HostOpenTable(54), tables[2]);

        for (int other : {0, -1, 53, 36})
            EXPECT_EQ(tomiva::HostOpenTable(other), nullptr) << other;
        int notATable[8] = {};
        EXPECT_EQ(tomiva::HostPrepareTable(nullptr, 255), 0);
        EXPECT_EQ(tomiva::HostPrepareTable(notATable, 255), 0);
    }
    EXPECT_EQ(tomiva::HostOpenTable(52), nullptr);
}

TEST(FirmScans, VisitRowsInRowidOrderWhateverTheirKeys)
{
    TestFirm firm(R"sql(
        INSERT INTO purchase_invoice(rowid, document_key) VALUES (30, 1), (10, 3), (20, 2), (11, 0);
        INSERT INTO purchase_correction(rowid, document_key) VALUES (7, 70), (5, 50);
    )sql");
    ASSERT_TRUE(firm.opened()) << firm.error();
    EXPECT_EQ(ScanKeys(713, kInvoiceLayout, 52), (std::vector<int32_t>{3, 0, 2, 1}));
    EXPECT_EQ(ScanKeys(109, kCorrectionLayout, 54), (std::vector<int32_t>{50, 70}));
}

// Every row is a document, whatever its rowid: SQLite's whole range, 0 and
// negative ones included, and those beyond 32 bits.  Each set of rowids is
// inserted out of order, the key of each row its place in rowid order; a
// scan alone, and two scans of one kind taking turns (they share one
// statement), each read every row once in that order, then stay at the end.
TEST(FirmScans, VisitEveryRowWhateverItsRowid)
{
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    const std::vector<std::vector<int64_t>> sets = {
        {kMin, -5, -1, 0, 1, 2147483647, 2147483648, 4294967296, kMax},
        {0, 1, 2}, // a scan that has read rowid 0 and one that has read nothing are not alike
        {-3, -2, -1},
        {kMin},
        {kMax},
        {kMax - 1, kMax},
    };
    for (const std::vector<int64_t>& rowids : sets) {
        std::string sql;
        std::vector<int32_t> keys;
        for (std::size_t i = rowids.size(); i-- > 0;) { // last first: the rowids set the order
            const std::string key = std::to_string(i + 1);
            sql += "INSERT INTO purchase_invoice(rowid, document_key) VALUES (" + std::to_string(rowids[i]) + ", " +
                   key + ");\nINSERT INTO purchase_correction(rowid, document_key) VALUES (" +
                   std::to_string(rowids[i]) + ", " + key + ");\n";
        }
        for (std::size_t i = 0; i < rowids.size(); ++i)
            keys.push_back(static_cast<int32_t>(i + 1));
        SCOPED_TRACE(sql);
        TestFirm firm(sql);
        ASSERT_TRUE(firm.opened()) << firm.error();
        EXPECT_EQ(ScanKeys(713, kInvoiceLayout, 52), keys);
        EXPECT_EQ(ScanKeys(109, kCorrectionLayout, 54), keys);

        unsigned char first[kHostScanStateSize] = {};
        unsigned char second[kHostScanStateSize] = {};
        const unsigned char* record = TableRecordBuffer(tomiva::HostOpenTable(52));
        ASSERT_EQ(tomiva::HostScanOpen(first, 0, 713, 0, 0, 0), 1);
        ASSERT_EQ(tomiva::HostScanOpen(second, 0, 713, 0, 0, 0), 1);
        std::vector<int32_t> firstKeys, secondKeys;
        for (std::size_t i = 0; i < rowids.size(); ++i) {
            ASSERT_EQ(tomiva::HostScanNext(first), 1);
            firstKeys.push_back(KeyOf(record, kInvoiceLayout));
            ASSERT_EQ(tomiva::HostScanNext(second), 1);
            secondKeys.push_back(KeyOf(record, kInvoiceLayout));
        }
        EXPECT_EQ(firstKeys, keys);
        EXPECT_EQ(secondKeys, keys);
        for (unsigned char* scan : {first, second, first, second})
            EXPECT_EQ(tomiva::HostScanNext(scan), 0);
        tomiva::HostScanClose(first);
        tomiva::HostScanClose(second);
    }
}

// Scans of both kinds may run side by side; each block carries its own place.
TEST(FirmScans, InterleavedScansKeepTheirOwnPlace)
{
    TestFirm firm(R"sql(
        INSERT INTO purchase_invoice(document_key) VALUES (1), (2);
        INSERT INTO purchase_correction(document_key) VALUES (8), (9);
    )sql");
    ASSERT_TRUE(firm.opened()) << firm.error();
    unsigned char invoices[kHostScanStateSize] = {};
    unsigned char corrections[kHostScanStateSize] = {};
    unsigned char* invoice = TableRecordBuffer(tomiva::HostOpenTable(52));
    unsigned char* correction = TableRecordBuffer(tomiva::HostOpenTable(54));
    ASSERT_EQ(tomiva::HostScanOpen(invoices, 0, 713, 0, 0, 0), 1);
    ASSERT_EQ(tomiva::HostScanOpen(corrections, 0, 109, 0, 0, 0), 1);
    ASSERT_EQ(tomiva::HostScanNext(invoices), 1);
    ASSERT_EQ(tomiva::HostScanNext(corrections), 1);
    ASSERT_EQ(tomiva::HostScanNext(invoices), 1);
    EXPECT_EQ(KeyOf(invoice, kInvoiceLayout), 2);
    EXPECT_EQ(KeyOf(correction, kCorrectionLayout), 8);
    EXPECT_EQ(tomiva::HostScanNext(invoices), 0);
    EXPECT_EQ(tomiva::HostScanNext(invoices), 0); // stays at its end
    ASSERT_EQ(tomiva::HostScanNext(corrections), 1);
    EXPECT_EQ(KeyOf(correction, kCorrectionLayout), 9);
    tomiva::HostScanClose(invoices);
    tomiva::HostScanClose(corrections);
    EXPECT_EQ(tomiva::HostScanNext(corrections), 0); // a closed block reads nothing
}

// Two scans of one kind share a statement: each still goes on from its
// own place.
TEST(FirmScans, TwoScansOfOneKindKeepTheirOwnPlace)
{
    TestFirm firm("INSERT INTO purchase_invoice(document_key) VALUES (1), (2), (3);");
    ASSERT_TRUE(firm.opened()) << firm.error();
    unsigned char first[kHostScanStateSize] = {};
    unsigned char second[kHostScanStateSize] = {};
    unsigned char* record = TableRecordBuffer(tomiva::HostOpenTable(52));
    ASSERT_EQ(tomiva::HostScanOpen(first, 0, 713, 0, 0, 0), 1);
    ASSERT_EQ(tomiva::HostScanOpen(second, 0, 713, 0, 0, 0), 1);
    std::vector<int32_t> keys;
    for (unsigned char* scan : {first, first, second, first, second, second}) {
        ASSERT_EQ(tomiva::HostScanNext(scan), 1);
        keys.push_back(KeyOf(record, kInvoiceLayout));
    }
    EXPECT_EQ(keys, (std::vector<int32_t>{1, 2, 1, 3, 2, 3}));
    EXPECT_EQ(tomiva::HostScanNext(first), 0);
    EXPECT_EQ(tomiva::HostScanNext(second), 0);
    tomiva::HostScanClose(first);
    tomiva::HostScanClose(second);
}

TEST(FirmScans, AScanThatCannotStartReadsNothingAndClosesSafely)
{
    unsigned char scan[kHostScanStateSize] = {};
    EXPECT_EQ(tomiva::HostScanOpen(scan, 0, 713, 0, 0, 0), 0); // no firm open
    EXPECT_EQ(tomiva::HostScanNext(scan), 0);
    tomiva::HostScanClose(scan);

    TestFirm firm("INSERT INTO purchase_invoice(document_key) VALUES (1);");
    ASSERT_TRUE(firm.opened()) << firm.error();
    for (int kind : {0, 52, 714}) {
        unsigned char other[kHostScanStateSize] = {};
        EXPECT_EQ(tomiva::HostScanOpen(other, 0, kind, 0, 0, 0), 0) << kind;
        EXPECT_EQ(tomiva::HostScanNext(other), 0) << kind;
        tomiva::HostScanClose(other);
    }
    EXPECT_EQ(ScanKeys(109, kCorrectionLayout, 54), std::vector<int32_t>{}); // empty table
}

TEST(FirmContractors, FindsTheNumberInTheKeySlotOrClearsTheRecord)
{
    TestFirm firm("INSERT INTO contractor(number, short_name) VALUES (5, 'Firma'), (-5, 'Osoba');");
    ASSERT_TRUE(firm.opened()) << firm.error();
    const unsigned char* record = TableRecordBuffer(tomiva::HostOpenTable(35));
    int32_t* key = tomiva::HostContractorKey();
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(tomiva::HostContractorKey(), key);

    *key = 5;
    EXPECT_NE(tomiva::HostFindContractor(-1), 0);
    EXPECT_STREQ(kContractorLayout.shortName.Read(record), "Firma");
    *key = -5;
    EXPECT_NE(tomiva::HostFindContractor(-1), 0);
    EXPECT_STREQ(kContractorLayout.shortName.Read(record), "Osoba");

    for (int32_t missing : {0, 6, -6, 2147483647}) {
        *key = missing;
        EXPECT_EQ(tomiva::HostFindContractor(-1), 0) << missing;
        EXPECT_EQ(std::vector<unsigned char>(record, record + kContractorLayout.size),
                  std::vector<unsigned char>(kContractorLayout.size, 0))
            << missing;
    }
}

TEST(FirmLines, ADocumentsLinesComeInLineOrderWithUnusedOnesIncluded)
{
    TestFirm firm(R"sql(
        INSERT INTO vat_line(document_kind, document_key, line_no, in_use, amount, rate_code) VALUES
          ('invoice', 7, 30, 1, 3, 1), ('invoice', 7, -2, 1, 1, 1), ('invoice', 7, 5, 0, 2, 1),
          ('correction', 7, 1, 1, 99, 1), ('invoice', 8, 1, 1, 88, 1), ('invoice', -7, 1, 1, 77, 1),
          ('correction', 9, 2, 1, 20, 1), ('correction', 9, 1, 1, 10, 1);
    )sql");
    ASSERT_TRUE(firm.opened()) << firm.error();

    const LineRead invoice = ReadLines(713, 7);
    ASSERT_EQ(invoice.records.size(), 3u);
    EXPECT_EQ(LineAmount(invoice.records[0]), 10000.0);
    EXPECT_EQ(LineAmount(invoice.records[1]), 20000.0);
    EXPECT_EQ(kInvoiceLineLayout.inUse.Read(invoice.records[1].data()), 0);
    EXPECT_EQ(LineAmount(invoice.records[2]), 30000.0);

    const LineRead correction = ReadLines(109, 9);
    ASSERT_EQ(correction.records.size(), 2u);
    EXPECT_EQ(LineAmount(correction.records[0]), 100000.0);
    EXPECT_EQ(LineAmount(correction.records[1]), 200000.0);

    // Lines exist only for the other kind's document with that key: none.
    const LineRead none = ReadLines(713, 9);
    EXPECT_FALSE(none.statusFailed);
    EXPECT_FALSE(none.listFound);
}

// The lines statement reads on from one look-up to the next; whatever the
// order of the look-ups, each finds its own document's lines and no other's.
TEST(FirmLines, LookUpsInAnyOrderFindEachDocumentsOwnLines)
{
    // Invoice k has k % 4 lines of amount k (and none for k = 0 mod 4);
    // correction k has one line of amount -k.
    std::string sql;
    for (int k = 1; k <= 60; ++k) {
        for (int n = 0; n < k % 4; ++n)
            sql += "INSERT INTO vat_line(document_kind, document_key, line_no, amount, rate_code) VALUES ('invoice', " +
                   std::to_string(k) + ", " + std::to_string(n) + ", " + std::to_string(k) + ", 1);\n";
        sql += "INSERT INTO vat_line(document_kind, document_key, line_no, amount, rate_code) VALUES ('correction', " +
               std::to_string(k) + ", 0, " + std::to_string(-k) + ", 1);\n";
    }
    TestFirm firm(sql);
    ASSERT_TRUE(firm.opened()) << firm.error();
    struct LookUp {
        int kind;
        int key;
    };
    const LookUp lookUps[] = {
        {713, 1},  {713, 2},  {713, 3},  {713, 4},  {713, 5},   // one after the other, 4 without lines
        {713, 5},  {713, 3},                                    // the same again, and back
        {713, 7},  {713, 40}, {713, 41},                        // a small gap, then one past the steps
        {109, 41}, {713, 42}, {109, 42}, {713, 43},             // the kinds in turn
        {713, 61}, {713, 62}, {713, 59}, {713, 0}, {713, -3},   // past the end, and back before the start
        {109, 60}, {109, 1},
    };
    for (const LookUp& l : lookUps) {
        SCOPED_TRACE(std::to_string(l.kind) + "/" + std::to_string(l.key));
        const bool invoice = l.kind == 713;
        const int expected = l.key < 1 || l.key > 60 ? 0 : invoice ? l.key % 4 : 1;
        const LineRead read = ReadLines(l.kind, l.key);
        ASSERT_EQ(read.records.size(), static_cast<std::size_t>(expected));
        for (const auto& record : read.records)
            EXPECT_EQ(LineAmount(record), (invoice ? l.key : -l.key) * 10000.0);
    }
}

TEST(FirmLines, LoadingFewerThanListedLoadsThoseFirst)
{
    TestFirm firm("INSERT INTO vat_line(document_kind, document_key, line_no, amount, rate_code) VALUES"
                  " ('invoice', 1, 2, 2, 1), ('invoice', 1, 1, 1, 1), ('invoice', 1, 3, 3, 1);");
    ASSERT_TRUE(firm.opened()) << firm.error();
    const int table = tomiva::HostLineTable(713);
    unsigned char key[kHostLineKeySize] = {};
    unsigned char status[kHostLineStatusSize] = {};
    tomiva::HostLineKey(table, key, status, 1);
    int count = 0;
    void* list = tomiva::HostFindLines(table, status, key, &count);
    ASSERT_EQ(count, 3);
    unsigned char** lines = nullptr;
    void* aux = nullptr;
    EXPECT_NE(tomiva::HostLoadLines(&lines, &aux, &count, 2, key, list), 0);
    tomiva::HostFreeList(&list);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(kInvoiceLineLayout.amount.Read(lines[0]), 10000.0);
    EXPECT_EQ(kInvoiceLineLayout.amount.Read(lines[1]), 20000.0);
    tomiva::HostReleaseLines(&lines, &aux, &count, count, key, 0);
}

TEST(FirmLines, LineTablesAndFailedPreparations)
{
    const int invoices = tomiva::HostLineTable(713);
    const int corrections = tomiva::HostLineTable(109);
    EXPECT_NE(invoices, 0);
    EXPECT_NE(corrections, 0);
    EXPECT_NE(invoices, corrections);
    for (int kind : {0, 52, 54, 712})
        EXPECT_EQ(tomiva::HostLineTable(kind), 0) << kind;

    unsigned char key[kHostLineKeySize] = {};
    unsigned char status[kHostLineStatusSize] = {};
    tomiva::HostLineKey(invoices, key, status, 1);
    EXPECT_NE(tomiva::HostStatusFailed(status), 0) << "no firm is open";

    TestFirm firm("INSERT INTO vat_line(document_kind, document_key, line_no, rate_code) VALUES ('invoice', 1, 1, 1);");
    ASSERT_TRUE(firm.opened()) << firm.error();
    int count = -1;
    EXPECT_EQ(tomiva::HostFindLines(invoices, status, key, &count), nullptr) << "a failed status finds nothing";
    EXPECT_EQ(count, 0);
    tomiva::HostLineKey(0, key, status, 1);
    EXPECT_NE(tomiva::HostStatusFailed(status), 0) << "unknown line table";
    tomiva::HostLineKey(invoices, key, status, 1);
    EXPECT_EQ(tomiva::HostStatusFailed(status), 0);
    EXPECT_NE(tomiva::HostStatusFailed(nullptr), 0);
}

// The host's own memory serves the line look-ups; the allocation entries,
// which tests of the plug-in count, see nothing of them.
TEST(FirmLines, UseNoneOfTheHostsAllocationEntries)
{
    TestFirm firm("INSERT INTO vat_line(document_kind, document_key, line_no, rate_code) VALUES ('invoice', 1, 1, 1);");
    ASSERT_TRUE(firm.opened()) << firm.error();
    const long calls = HostAllocationCount();
    const long live = HostLiveBlocks();
    EXPECT_EQ(ReadLines(713, 1).records.size(), 1u);
    EXPECT_EQ(HostAllocationCount(), calls);
    EXPECT_EQ(HostLiveBlocks(), live);
}

TEST(FirmSettings, ReadsTheBlocksFirstBytesZeroPadded)
{
    TestFirm firm("INSERT INTO settings_block VALUES (2, X'414243'), (13, X'0102030405060708090A'), (4, X'');");
    ASSERT_TRUE(firm.opened()) << firm.error();
    struct Case {
        int block;
        int size;
        std::vector<unsigned char> expected; // the whole 8-byte buffer after the read
    };
    const Case cases[] = {
        {2, 8, {0x41, 0x42, 0x43, 0, 0, 0, 0, 0}},                    // shorter block: zero-padded
        {13, 4, {1, 2, 3, 4, 0xCC, 0xCC, 0xCC, 0xCC}},                // longer block: its first bytes, no more
        {13, 8, {1, 2, 3, 4, 5, 6, 7, 8}},
        {4, 8, {0, 0, 0, 0, 0, 0, 0, 0}},                             // empty block
        {99, 6, {0, 0, 0, 0, 0, 0, 0xCC, 0xCC}},                      // missing block
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> buffer(8, 0xCC);
        EXPECT_EQ(tomiva::HostReadSettings(-1, c.block, buffer.data(), c.size), 1) << c.block;
        EXPECT_EQ(buffer, c.expected) << c.block << "/" << c.size;
    }
}

TEST(FirmRates, PercentOfTheCodeOrZero)
{
    EXPECT_EQ(tomiva::HostVatRate(1), 0.0); // no firm open
    TestFirm firm("INSERT INTO vat_rate VALUES (1, 23), (2, 7.5), (-3, 0.5);");
    ASSERT_TRUE(firm.opened()) << firm.error();
    EXPECT_EQ(tomiva::HostVatRate(1), 23.0);
    EXPECT_EQ(tomiva::HostVatRate(2), 7.5);
    EXPECT_EQ(tomiva::HostVatRate(-3), 0.5);
    EXPECT_EQ(tomiva::HostVatRate(3), 0.0);
    EXPECT_EQ(tomiva::HostVatRate(65537), 0.0); // code 1 in 16 bits, but no such code
}

// Every statement behind a look-up or a scan step seeks its rows through a
// key; none walks a table or sorts.
TEST(FirmQueries, EveryLookupSearchesAnIndex)
{
    TestDir dir;
    const std::string path = dir.file("plans.sqlite");
    ASSERT_EQ(CreateFirmDatabase(path, ""), "");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    for (const char* sql : firm_sql::kAllLookups) {
        sqlite3_stmt* plan = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, (std::string("EXPLAIN QUERY PLAN ") + sql).c_str(), -1, &plan, nullptr),
                  SQLITE_OK)
            << sqlite3_errmsg(db) << "\n" << sql;
        int steps = 0;
        while (sqlite3_step(plan) == SQLITE_ROW) {
            ++steps;
            const std::string detail = reinterpret_cast<const char*>(sqlite3_column_text(plan, 3));
            const bool keyed = detail.find(" USING INTEGER PRIMARY KEY ") != std::string::npos ||
                               detail.find(" USING INDEX ") != std::string::npos ||
                               detail.find(" USING COVERING INDEX ") != std::string::npos ||
                               detail.find(" USING PRIMARY KEY ") != std::string::npos;
            EXPECT_TRUE(detail.rfind("SEARCH ", 0) == 0 && keyed) << detail << "\n" << sql;
        }
        EXPECT_EQ(steps, 1) << sql; // one search, no temporary b-tree for the order
        sqlite3_finalize(plan);
    }
    sqlite3_close(db);
}

// Lists and line arrays a plug-in never gave back are released when the
// firm closes (the sanitizer build sees a leak otherwise).
TEST(FirmLines, WhatThePlugInLeftIsReleasedWithTheFirm)
{
    TestFirm firm("INSERT INTO vat_line(document_kind, document_key, line_no, amount, rate_code) VALUES"
                  " ('invoice', 1, 1, 1, 1), ('invoice', 1, 2, 2, 1);");
    ASSERT_TRUE(firm.opened()) << firm.error();
    const int table = tomiva::HostLineTable(713);
    unsigned char key[kHostLineKeySize] = {};
    unsigned char status[kHostLineStatusSize] = {};
    tomiva::HostLineKey(table, key, status, 1);
    int count = 0;
    void* list = tomiva::HostFindLines(table, status, key, &count);
    unsigned char** lines = nullptr;
    void* aux = nullptr;
    ASSERT_NE(tomiva::HostLoadLines(&lines, &aux, &count, count, key, list), 0);
    void* second = tomiva::HostFindLines(table, status, key, &count);
    tomiva::HostFreeList(&second);
    EXPECT_EQ(FirmReleaseLeftLines(), 2); // the first list and the lines
    EXPECT_EQ(FirmReleaseLeftLines(), 0);
    // A release of what the host already took back is refused, not repeated.
    EXPECT_EQ(tomiva::HostFreeList(&list), 1);
    EXPECT_EQ(list, nullptr);
}

} // namespace
