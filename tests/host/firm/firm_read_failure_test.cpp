// A firm that fails while it is read, after it passed its checks: every
// entry that reads it gives a failure result the plug-in can tell from "no
// more rows" or "not found", the user is told in the host's error notice
// (table, row, SQLite's message), and the command is marked as failed.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "contract/host_protocol.h"
#include "contract/host_records.h"
#include "host/firm/firm_session.h"
#include "host/host_entry_impl.h"
#include "host/services/host_messages.h"
#include "host/services/host_session.h"
#include "support/test_firm.h"

namespace {

const char kFirm[] = R"sql(
    INSERT INTO contractor(number, short_name) VALUES (5, 'Firma');
    INSERT INTO purchase_invoice(document_key, contractor) VALUES (1, 5), (2, 5);
    INSERT INTO vat_line(document_kind, document_key, line_no, amount, rate_code) VALUES
      ('invoice', 1, 1, 100, 23), ('invoice', 2, 1, 200, 23);
    INSERT INTO vat_rate VALUES (23, 23);
    INSERT INTO settings_block VALUES (2, X'39383736353433323130');
)sql";

// Damages the page's header in the file while the host holds the firm
// open, and has the host forget the pages it keeps in memory, so that its
// next read of the page meets the damage.
void DamagePage(const std::string& path, int page)
{
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    std::fseek(file, static_cast<long>(page - 1) * 4096, SEEK_SET);
    std::fputc(0x00, file); // no b-tree page has type 0
    std::fclose(file);
    sqlite3_db_release_memory(CurrentFirm()->db);
}

// A session without failures, as after HostStart.
void ForgetFailures()
{
    HostState().failures.clear();
    for (bool& kind : HostState().failed)
        kind = false;
    HostClearShownMessages();
}

std::vector<unsigned char> Zeros(std::size_t n) { return std::vector<unsigned char>(n, 0); }

struct Read {
    const char* damaged;     // the table or index whose page is damaged
    const char* what;        // how the notice names what was read
    std::function<void()> read; // reads it and checks the entry's failure result
};

TEST(FirmReadFailure, EveryReadingEntryFailsVisiblyInsteadOfReadingOn)
{
    const Read reads[] = {
        {"purchase_invoice", "table purchase_invoice, the first row",
         [] {
             unsigned char scan[kHostScanStateSize] = {};
             ASSERT_EQ(tomiva::HostScanOpen(scan, 0, 713, 0, 0, 0), 1);
             const int result = tomiva::HostScanNext(scan);
             EXPECT_NE(result, 1);
             EXPECT_NE(result, 0) << "0 would read as the end of the documents";
             tomiva::HostScanClose(scan);
         }},
        {"contractor", "table contractor, number 5",
         [] {
             *tomiva::HostContractorKey() = 5;
             EXPECT_EQ(tomiva::HostFindContractor(kFindByKeySlot), 0);
             const unsigned char* record = TableRecordBuffer(tomiva::HostOpenTable(kTableContractors));
             EXPECT_EQ(std::vector<unsigned char>(record, record + kContractorLayout.size),
                       Zeros(kContractorLayout.size));
         }},
        {"sqlite_autoindex_vat_line_1", "table vat_line, the lines of the invoice with key 1",
         [] {
             const int table = tomiva::HostLineTable(713);
             unsigned char key[kHostLineKeySize] = {};
             unsigned char status[kHostLineStatusSize] = {};
             tomiva::HostLineKey(table, key, status, 1);
             ASSERT_EQ(tomiva::HostStatusFailed(status), 0);
             int count = -1;
             EXPECT_EQ(tomiva::HostFindLines(table, status, key, &count), nullptr);
             EXPECT_EQ(count, 0);
             EXPECT_NE(tomiva::HostStatusFailed(status), 0) << "a failed read is no document without lines";
         }},
        {"vat_rate", "table vat_rate, code 23", [] { EXPECT_TRUE(std::isnan(tomiva::HostVatRate(23))); }},
        {"settings_block", "table settings_block, number 2",
         [] {
             std::vector<unsigned char> block(16, 0xCC);
             EXPECT_EQ(tomiva::HostReadSettings(-1, 2, block.data(), 16), 0);
             EXPECT_EQ(block, Zeros(16));
         }},
    };
    for (const Read& r : reads) {
        SCOPED_TRACE(r.damaged);
        ForgetFailures();
        TestFirm firm(kFirm);
        ASSERT_TRUE(firm.opened()) << firm.error();
        DamagePage(firm.path(), RootPage(firm.path(), r.damaged));

        r.read();
        EXPECT_TRUE(HostFailedWith(HostFailureKind::HostFailed));
        ASSERT_EQ(HostShownMessages().size(), 1u);
        const HostShownMessage& notice = HostShownMessages()[0];
        EXPECT_EQ(notice.kind, "error");
        EXPECT_NE(notice.text.find(std::string(r.what) + ": database disk image is malformed (the file is damaged)"),
                  std::string::npos)
            << notice.text;

        // A second failed read is recorded, not shown again.
        r.read();
        EXPECT_EQ(HostShownMessages().size(), 1u);
        EXPECT_EQ(HostState().failures.size(), 2u);
    }
}

// SQLite out of memory while it reads: the same failure, named as such.
TEST(FirmReadFailure, MemoryRefusedToSqliteIsAFailedRead)
{
    ForgetFailures();
    TestFirm firm(kFirm);
    ASSERT_TRUE(firm.opened()) << firm.error();
    sqlite3_db_release_memory(CurrentFirm()->db);
    const sqlite3_int64 limit = sqlite3_hard_heap_limit64(-1);
    sqlite3_hard_heap_limit64(sqlite3_memory_used());
    unsigned char scan[kHostScanStateSize] = {};
    tomiva::HostScanOpen(scan, 0, 713, 0, 0, 0);
    const int result = tomiva::HostScanNext(scan);
    sqlite3_hard_heap_limit64(limit);
    EXPECT_EQ(result, -1);
    ASSERT_EQ(HostShownMessages().size(), 1u);
    EXPECT_NE(HostShownMessages()[0].text.find("table purchase_invoice, the first row: out of memory"),
              std::string::npos)
        << HostShownMessages()[0].text;
}

} // namespace
