// The host with latitude (--host-latitude N): its checks catch the broken
// promises they name (a write past a buffer of the host's, a dialog slot that
// is not the base's own operation) and nothing else, and its variations do
// what they say while keeping each entry's promise.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "contract/dialog_base.h"
#include "contract/host_protocol.h"
#include "contract/host_records.h"
#include "host/app/host_runtime.h"
#include "host/dialog/dialog_host.h"
#include "host/host_entry_impl.h"
#include "host/services/host_latitude.h"
#include "host/services/host_session.h"
#include "options/options_dialog_block.h"
#include "support/export_harness.h"
#include "support/test_files.h"
#include "support/test_firm.h"

const void* const* ExportDialogVirtualTable(); // options/export_command.cpp

namespace {

constexpr int kInvoiceKind = 713;
constexpr int32_t kDocumentWithALineNotInUse = 439041101; // 9 lines, one not in use
constexpr int32_t kDocumentWithoutLines = 1007;
constexpr int kInvoicesOfTheGoldenFirm = 11; // rows of purchase_invoice, period or not

// A host over the golden firm with the latitude N, for one test.
class Latitude {
public:
    explicit Latitude(unsigned long long n, bool cancel = false)
    {
        const std::string firm = dir_.file("firm.db");
        EXPECT_EQ(CreateFirmDatabase(firm, ReadFileBytes(std::string(VENTALOR_TEST_DATA) + "/golden_firm.sql")), "");
        HostConfig config = TestConfig(firm, dir_.path());
        config.latitude = n;
        config.dialogCancel = cancel;
        host_ = std::make_unique<TestHost>(config);
        EXPECT_TRUE(host_->started()) << host_->error();
    }
    const TestDir& dir() const { return dir_; }

private:
    TestDir dir_;
    std::unique_ptr<TestHost> host_;
};


bool Names(const std::string& text, std::initializer_list<const char*> parts)
{
    for (const char* part : parts)
        if (text.find(part) == std::string::npos)
            return false;
    return true;
}

TEST(LatitudeChecks, AWriteJustPastAHostBufferIsNamedWhereItIsFound)
{
    struct Case {
        const char* buffer;
        std::function<unsigned char*()> end;     // the buffer's end: the first byte past it
        std::function<void(char* line)> use;     // where the guard is checked (line: the line buffer)
        std::initializer_list<const char*> named; // what the message names
    };
    const Case cases[] = {
        {"line buffer", [] { return reinterpret_cast<unsigned char*>(tomiva::HostLineBuffer()) + kHostLineBufferSize; },
         [](char* line) { tomiva::HostCopyField(line, "<ROOT>", kHostLineBufferSize - 1); },
         {"past the end of the line buffer (5002 bytes", "after HostCopyField (52161)"}},
        {"line buffer, read", [] { return reinterpret_cast<unsigned char*>(tomiva::HostLineBuffer()) + kHostLineBufferSize; },
         [](char* line) {
             char converted[16];
             tomiva::HostConvertText(converted, sizeof converted, line, -1, kCharsetHost, kCharsetUtf8);
         },
         {"the line buffer", "after HostConvertText (35387)"}},
        {"data directory",
         [] {
             return reinterpret_cast<unsigned char*>(const_cast<char*>(tomiva::HostDataDirectory())) +
                    kLatitudeDirectoryTextSize;
         },
         [](char*) { HostFinishCommand(); }, {"the data directory's text", "at the command's end"}},
        {"invoice record",
         [] { return TableRecordBuffer(tomiva::HostOpenTable(kTablePurchaseInvoices)) + kInvoiceLayout.size; },
         [](char*) {
             unsigned char scan[kHostScanStateSize] = {};
             tomiva::HostScanOpen(scan, 0, kInvoiceKind, 0, 0, 0);
             tomiva::HostScanNext(scan);
             tomiva::HostScanClose(scan);
         },
         {"the record buffer of table 52", "after HostScanNext (52279)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.buffer);
        {
            // The last byte of the buffer is the plug-in's to write.
            Latitude host(16);
            char* line = tomiva::HostLineBuffer();
            line[0] = '\0';
            c.end()[-1] = 0x41;
            c.use(line);
            EXPECT_TRUE(ContractBreaches().empty()) << ContractBreaches()[0];
        }
        Latitude host(16);
        char* line = tomiva::HostLineBuffer();
        line[0] = '\0';
        c.end()[0] = 0x41;
        c.use(line);
        ASSERT_EQ(ContractBreaches().size(), 1u);
        EXPECT_TRUE(Names(ContractBreaches()[0], c.named)) << ContractBreaches()[0];
        // Told once, however often it is found again.
        c.use(line);
        EXPECT_EQ(ContractBreaches().size(), 1u);
    }
}

int HOST_CONV_THISCALL ValidateOfItsOwn(void* /*self*/) { return 1; }

TEST(LatitudeChecks, ADialogSlotThatIsNotTheBasesOwnOperationIsNamedWhenTheDialogRuns)
{
    using Table = std::vector<const void*>;
    const Table own(HostDialogBaseVtable(), HostDialogBaseVtable() + kDialogSlotCount);
    auto with = [&own](int slot, const void* function) {
        Table t = own;
        t[static_cast<std::size_t>(slot)] = function;
        return t;
    };
    const struct {
        const char* what;
        Table table;
        const char* named; // null: no breach
    } cases[] = {
        {"the host's own table", own, nullptr},
        {"the plug-in's dialog object",
         Table(ExportDialogVirtualTable(), ExportDialogVirtualTable() + kDialogSlotCount), nullptr},
        {"Validate overridden", with(kDialogSlot_DlgValidate, reinterpret_cast<const void*>(&ValidateOfItsOwn)),
         "virtual-table slot 10 (entry 20966) is overridden"},
        {"Validate's slot holding Transfer", with(kDialogSlot_DlgValidate, own[kDialogSlot_DlgTransfer]),
         "slot 10 (entry 20966) holds the base's operation of slot 11 (entry 20957)"},
        {"OnInit's slot empty", with(kDialogSlot_DlgOnInit, nullptr), "slot 1 (entry 20967) is empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Latitude host(3, /*cancel=*/true); // checks only; the dialog is cancelled
        WDialogBase object{c.table.data(), {}};
        unsigned char record[258] = {};
        tomiva::HostRunDialog(&object, ExportDialogTemplate(), 20021, record, 0);
        if (c.named == nullptr) {
            EXPECT_TRUE(ContractBreaches().empty()) << ContractBreaches()[0];
        } else {
            ASSERT_EQ(ContractBreaches().size(), 1u);
            EXPECT_NE(ContractBreaches()[0].find(c.named), std::string::npos) << ContractBreaches()[0];
        }
    }
}

TEST(LatitudeVariations, MemoryFromTheAllocationEntriesHoldsThePatternAndZerosOnlyWherePromised)
{
    Latitude host(8);
    auto* block = static_cast<unsigned char*>(tomiva::HostAlloc(64));
    ASSERT_NE(block, nullptr);
    const unsigned char pattern = block[0];
    EXPECT_NE(pattern, 0);
    EXPECT_EQ(std::vector<unsigned char>(block, block + 64), std::vector<unsigned char>(64, pattern));
    std::memset(block, 7, 64);
    void* grown = block;
    ASSERT_NE(tomiva::HostRealloc(&grown, 4096), 0);
    const auto* g = static_cast<unsigned char*>(grown);
    EXPECT_EQ(std::vector<unsigned char>(g, g + 64), std::vector<unsigned char>(64, 7)) << "the old part is kept";
    EXPECT_EQ(std::vector<unsigned char>(g + 64, g + 4096), std::vector<unsigned char>(4096 - 64, pattern));
    tomiva::HostFree(grown);
    auto* clear = static_cast<unsigned char*>(tomiva::HostAllocClear(100, 3));
    ASSERT_NE(clear, nullptr);
    EXPECT_EQ(std::vector<unsigned char>(clear, clear + 300), std::vector<unsigned char>(300, 0));
    tomiva::HostFree(clear);
    EXPECT_TRUE(ContractBreaches().empty());
}

// The count of lines HostLoadLines leaves for the document, and whether each
// left is in use.
int LinesLoaded(bool* allInUse)
{
    const int table = static_cast<int16_t>(tomiva::HostLineTable(kInvoiceKind));
    unsigned char key[kHostLineKeySize] = {};
    unsigned char status[kHostLineStatusSize] = {};
    tomiva::HostLineKey(table, key, status, kDocumentWithALineNotInUse);
    int count = 0;
    void* list = tomiva::HostFindLines(table, status, key, &count);
    unsigned char** lines = nullptr;
    void* aux = nullptr;
    tomiva::HostLoadLines(&lines, &aux, &count, count, key, list);
    tomiva::HostFreeList(&list);
    *allInUse = true;
    for (int i = 0; i < count; ++i)
        *allInUse = *allInUse && kInvoiceLineLayout.inUse.Read(lines[i]) != 0;
    const int loaded = count;
    tomiva::HostReleaseLines(&lines, &aux, &count, count, key, 0);
    return loaded;
}

TEST(LatitudeVariations, LinesNotInUseAreLeftOutAndTheCountSaysSo)
{
    bool allInUse = false;
    {
        Latitude plain(0);
        EXPECT_EQ(LinesLoaded(&allInUse), 9);
        EXPECT_FALSE(allInUse);
    }
    Latitude host(2);
    EXPECT_EQ(LinesLoaded(&allInUse), 8);
    EXPECT_TRUE(allInUse);
}

TEST(LatitudeVariations, BareNamesLiveInAFolderOfTheirOwnAndTheCommandsFilesFollow)
{
    Latitude host(1);
    void* file = tomiva::HostOpenFile("a_mas.cfg", "wb", kOpenShareDenyNone, 0, kOpenAccessDefault);
    ASSERT_NE(file, nullptr);
    tomiva::HostWriteFile("x", 1, 1, file);
    tomiva::HostCloseFile(file);
    tomiva::HostIniAccess("EksportFKVentalor.ini", kIniWrite, "EksportFKVentalor", "Pytaj", "%d", 1);
    const std::string folder = host.dir().file(kLatitudeBareNameFolder);
    EXPECT_TRUE(FileExists(folder + "/a_mas.cfg"));
    EXPECT_TRUE(FileExists(folder + "/EksportFKVentalor.ini"));
    EXPECT_FALSE(FileExists(host.dir().file("a_mas.cfg")));
    EXPECT_STREQ(tomiva::HostDataDirectory(), host.dir().path().c_str()) << "the data directory stays";
    int value = 0;
    EXPECT_EQ(static_cast<int16_t>(
                  tomiva::HostIniAccess("EksportFKVentalor.ini", kIniRead, "EksportFKVentalor", "Pytaj", "%d", &value)),
              0);
    EXPECT_EQ(value, 1);
    const std::vector<std::string> written = HostFinishCommand();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_NE(written[0].find(std::string(kLatitudeBareNameFolder) + "/EksportFKVentalor.ini"), std::string::npos);
    EXPECT_NE(written[1].find(std::string(kLatitudeBareNameFolder) + "/a_mas.cfg"), std::string::npos);
}

TEST(LatitudeVariations, ResultsTakeOtherValuesButKeepWhatIsPromised)
{
    Latitude host(4);
    bool magnitudes = false, upperHalves = false;
    for (int i = 0; i < 64; ++i) {
        const int earlier = tomiva::HostCompareDates("20210101", "20210102");
        EXPECT_LT(earlier, 0);
        EXPECT_GT(tomiva::HostCompareDates("20210102", "20210101"), 0);
        EXPECT_EQ(tomiva::HostCompareDates("20210102", "20210102"), 0);
        magnitudes = magnitudes || earlier != -1;
        const int table = tomiva::HostLineTable(kInvoiceKind);
        EXPECT_EQ(static_cast<int16_t>(table), 53);
        upperHalves = upperHalves || (table >> 16) != 0;
        unsigned char status[kHostLineStatusSize] = {};
        EXPECT_NE(tomiva::HostStatusFailed(status), 0) << "a status block never prepared is a failure";
    }
    EXPECT_TRUE(magnitudes) << "comparisons of other magnitudes";
    EXPECT_TRUE(upperHalves) << "16-bit results with garbage above them";
}

// The ends of a scan: 0 from the plain host; under variation 16 another
// value each time (-1, 2 or a large one), never 1, and the documents read
// before the end are the same.
TEST(LatitudeVariations, AScanEndsWithAnotherValueThanZero)
{
    auto scan = [](std::vector<int>* ends) {
        unsigned char block[kHostScanStateSize] = {};
        int read = 0, result = 0;
        EXPECT_NE(tomiva::HostScanOpen(block, 0, kInvoiceKind, 0, 0, 0), 0);
        while ((result = tomiva::HostScanNext(block)) == 1)
            ++read;
        ends->push_back(result);
        ends->push_back(tomiva::HostScanNext(block)); // asked again after its end
        tomiva::HostScanClose(block);
        return read;
    };
    std::vector<int> ends;
    {
        Latitude plain(0);
        EXPECT_EQ(scan(&ends), kInvoicesOfTheGoldenFirm);
        EXPECT_EQ(ends, (std::vector<int>{0, 0}));
    }
    ends.clear();
    Latitude host(16);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(scan(&ends), kInvoicesOfTheGoldenFirm);
    bool minusOne = false, two = false, large = false;
    for (const int end : ends) {
        EXPECT_NE(end, 0);
        EXPECT_NE(end, 1);
        minusOne = minusOne || end == -1;
        two = two || end == 2;
        large = large || end >= 65536;
    }
    EXPECT_TRUE(minusOne && two && large) << "each of -1, 2 and a large value ends some scan";
    EXPECT_TRUE(ContractBreaches().empty());
}

// Whether the status of a document's look-up reads failed, and the lines
// its list then counts.
bool LookUpFailed(int32_t documentKey, int* count)
{
    const int table = static_cast<int16_t>(tomiva::HostLineTable(kInvoiceKind));
    unsigned char key[kHostLineKeySize] = {};
    unsigned char status[kHostLineStatusSize] = {};
    tomiva::HostLineKey(table, key, status, documentKey);
    const bool failed = tomiva::HostStatusFailed(status) != 0;
    *count = -1;
    void* list = tomiva::HostFindLines(table, status, key, count);
    tomiva::HostFreeList(&list);
    return failed;
}

// Variation 32: a document without lines has a look-up that reads failed;
// one with lines is looked up as before.
TEST(LatitudeVariations, TheLookUpOfADocumentWithoutLinesReadsFailed)
{
    int count = 0;
    {
        Latitude plain(0);
        EXPECT_FALSE(LookUpFailed(kDocumentWithoutLines, &count));
        EXPECT_EQ(count, 0);
    }
    Latitude host(32);
    EXPECT_TRUE(LookUpFailed(kDocumentWithoutLines, &count));
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(LookUpFailed(kDocumentWithALineNotInUse, &count));
    EXPECT_EQ(count, 9);
    EXPECT_FALSE(HostFailedWith(HostFailureKind::HostFailed));
}

// Variation 64: the directory's text holds until the next call of any entry,
// which writes other text into its buffer; asked again, it is the directory.
TEST(LatitudeVariations, TheDataDirectorysBufferIsReusedByTheNextCallOfAnyEntry)
{
    const std::function<void()> calls[] = {
        [] { tomiva::HostAppendPath(nullptr, nullptr); },
        [] { tomiva::HostGetModeFlags(); },
        [] { tomiva::HostCompareDates("20210101", "20210102"); },
        [] { tomiva::HostFree(tomiva::HostAlloc(8)); },
        [] { *tomiva::HostContractorKey() = 5; },
        [] { tomiva::HostLineBuffer(); },
    };
    {
        Latitude plain(0);
        const char* text = tomiva::HostDataDirectory();
        tomiva::HostGetModeFlags();
        EXPECT_EQ(std::string(text), plain.dir().path());
    }
    Latitude host(64);
    for (const auto& call : calls) {
        const char* text = tomiva::HostDataDirectory();
        EXPECT_EQ(std::string(text), host.dir().path());
        EXPECT_EQ(std::string(tomiva::HostDataDirectory()), host.dir().path()) << "asked again: the directory";
        call();
        EXPECT_STREQ(text, kLatitudeReusedDirectory);
    }
    EXPECT_TRUE(ContractBreaches().empty());
}

// Variation 128: each HostContractorKey, and each look-up, moves the slot;
// the one left holds a number no contractor has.  Asked before each look-up
// the slot finds every contractor; the slot of an earlier call finds none.
TEST(LatitudeVariations, TheContractorSlotMovesBetweenCalls)
{
    Latitude host(128);
    for (const int32_t number : {12, 5, -5, 65999, -3}) {
        int32_t* slot = tomiva::HostContractorKey();
        *slot = number;
        EXPECT_NE(tomiva::HostFindContractor(kFindByKeySlot), 0) << number;
        EXPECT_NE(*slot, number) << "the slot of a look-up done is filled";
    }
    int32_t* first = tomiva::HostContractorKey();
    int32_t* second = tomiva::HostContractorKey();
    EXPECT_NE(first, second);
    *first = 12; // the slot handed out before the last one
    EXPECT_EQ(tomiva::HostFindContractor(kFindByKeySlot), 0);
    int32_t* kept = tomiva::HostContractorKey();
    *kept = 12;
    tomiva::HostFindContractor(kFindByKeySlot);
    *kept = 12; // the slot of a look-up done, used again
    EXPECT_EQ(tomiva::HostFindContractor(kFindByKeySlot), 0);
    EXPECT_FALSE(HostFailedWith(HostFailureKind::HostFailed));
}

// Variation 1024: while a command runs the C run-time writes a comma for
// the decimal point; before and after it, a point.
TEST(LatitudeVariations, ACommandRunsUnderThePolishNumericLocale)
{
    auto half = [] {
        char text[16];
        std::snprintf(text, sizeof text, "%0.1f", 0.5);
        return std::string(text);
    };
    for (const unsigned long long n : {1024ull, 1023ull}) {
        SCOPED_TRACE(n);
        Latitude host(n);
        {
            const LatitudeCommandLocale locale;
            EXPECT_EQ(half(), n == 1024 ? "0,5" : "0.5");
        }
        EXPECT_EQ(half(), "0.5");
        EXPECT_FALSE(HostFailedWith(HostFailureKind::HostFailed))
            << "the system has the Polish locale (scripts/setup.sh generates it)";
    }
}

TEST(LatitudeChecks, AConversionOrPrintBeyondTheContractsSizesIsNamedOnce)
{
    const std::string line(kHostLineBufferSize - 1, 'a'), longer(kHostLineBufferSize, 'a');
    const std::string text(kHostConversionSize - 1, 'b'), longerText(kHostConversionSize, 'b');
    const struct {
        const char* what;
        std::function<void(void* file)> call;
        const char* named; // null: within the sizes
    } cases[] = {
        {"a line into the contract's buffer",
         [&](void*) {
             std::vector<char> d(kHostConversionSize);
             tomiva::HostConvertText(d.data(), kHostConversionSize, line.c_str(), -1, kCharsetHost, kCharsetUtf8);
         },
         nullptr},
        {"a destination one byte larger",
         [&](void*) {
             std::vector<char> d(kHostConversionSize + 1);
             tomiva::HostConvertText(d.data(), kHostConversionSize + 1, "x", -1, kCharsetHost, kCharsetUtf8);
         },
         "HostConvertText (35387) was given a destination of 10006 bytes, beyond the 10005 of the contract"},
        {"a source one character longer",
         [&](void*) {
             std::vector<char> d(kHostConversionSize);
             tomiva::HostConvertText(d.data(), kHostConversionSize, longer.c_str(), -1, kCharsetHost, kCharsetUtf8);
         },
         "a source of more than 5001 characters"},
        {"a source length beyond a line",
         [&](void*) {
             std::vector<char> d(kHostConversionSize);
             tomiva::HostConvertText(d.data(), kHostConversionSize, longer.c_str(), kHostLineBufferSize, kCharsetHost,
                                     kCharsetUtf8);
         },
         "a source of more than 5001 characters"},
        {"one converted line printed", [&](void* file) { tomiva::HostFilePrintf(file, "%s\n", text.c_str()); }, nullptr},
        {"a text one byte longer printed", [&](void* file) { tomiva::HostFilePrintf(file, "%s\n", longerText.c_str()); },
         "HostFilePrintf (52541) was given a text of 10005 bytes, beyond the 10004"},
        {"a longer text through another format",
         [&](void* file) { tomiva::HostFilePrintf(file, "%s%s\n", text.c_str(), "c"); },
         "HostFilePrintf (52541) was given a text of 10005 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Latitude host(4096); // every variation: the sizes hold whatever else varies
        const std::string path = host.dir().file("out.txt");
        void* file = tomiva::HostOpenFile(path.c_str(), "wt", kOpenShareDenyNone, 0, kOpenAccessDefault);
        ASSERT_NE(file, nullptr);
        c.call(file);
        c.call(file);
        tomiva::HostCloseFile(file);
        if (c.named == nullptr) {
            EXPECT_TRUE(ContractBreaches().empty()) << ContractBreaches()[0];
        } else {
            ASSERT_EQ(ContractBreaches().size(), 1u) << "told once";
            EXPECT_NE(ContractBreaches()[0].find(c.named), std::string::npos) << ContractBreaches()[0];
        }
    }
}

TEST(LatitudeVariations, LargerBlocksAreTakenWholeAndAByteOfThePlugInsThereIsNamed)
{
    // Each block: how the host fills it, and an entry that hands it back.
    struct Block {
        const char* what;
        std::size_t reservation;
        std::function<void(unsigned char* block)> fill;
        std::function<void(unsigned char* block)> handBack;
        const char* named;
    };
    const int table = static_cast<int16_t>(tomiva::HostLineTable(kInvoiceKind));
    static unsigned char key[kHostLineKeySize], status[kHostLineStatusSize];
    const Block blocks[] = {
        {"the scan state", kHostScanStateSize,
         [](unsigned char* b) { tomiva::HostScanOpen(b, 0, kInvoiceKind, 0, 0, 0); },
         [](unsigned char* b) { tomiva::HostScanNext(b); }, "the host's scan state (HostScanOpen) (1024 bytes"},
        {"the line key", kHostLineKeySize,
         [table](unsigned char* b) { tomiva::HostLineKey(table, b, status, kDocumentWithALineNotInUse); },
         [table](unsigned char* b) {
             int count = 0;
             void* list = tomiva::HostFindLines(table, status, b, &count);
             tomiva::HostFreeList(&list);
         },
         "the host's line key (HostLineKey) (256 bytes"},
        {"the status block", kHostLineStatusSize,
         [table](unsigned char* b) { tomiva::HostLineKey(table, key, b, kDocumentWithALineNotInUse); },
         [](unsigned char* b) { tomiva::HostStatusFailed(b); }, "the host's status block (HostLineKey) (256 bytes"},
        {"the dialog's base part", sizeof(WDialogBase),
         [](unsigned char* b) { tomiva::WDialogBaseConstruct(b); },
         [](unsigned char* b) { tomiva::WDialogBaseDestroy(b); },
         "the host's dialog base part (WDialogBase) (4096 bytes"},
    };
    constexpr unsigned char kUnwritten = 0x5A;
    for (const Block& b : blocks) {
        SCOPED_TRACE(b.what);
        std::vector<unsigned char> bytes(b.reservation + 64, kUnwritten);
        {
            // The plain host writes only what it needs, far from the end.
            Latitude plain(0);
            b.fill(bytes.data());
            EXPECT_EQ(bytes[b.reservation - 1], kUnwritten);
        }
        {
            // A larger host writes the whole reservation, and nothing behind it.
            Latitude host(256);
            bytes.assign(bytes.size(), kUnwritten);
            b.fill(bytes.data());
            EXPECT_NE(bytes[b.reservation - 1], kUnwritten);
            EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + static_cast<std::ptrdiff_t>(b.reservation), bytes.end()),
                      std::vector<unsigned char>(64, kUnwritten));
            b.handBack(bytes.data());
            EXPECT_TRUE(ContractBreaches().empty()) << ContractBreaches()[0];
        }
        // A byte of the plug-in's where the host's block lies, even its last.
        Latitude host(256);
        b.fill(bytes.data());
        bytes[b.reservation - 1] ^= 0xFF;
        b.handBack(bytes.data());
        ASSERT_EQ(ContractBreaches().size(), 1u);
        EXPECT_TRUE(Names(ContractBreaches()[0], {b.named, "changed at byte", "reserved less than the contract shows"}))
            << ContractBreaches()[0];
    }
}

TEST(LatitudeVariations, TextModeFilesEndLinesWithCrLfAndTheFileWithAControlZ)
{
    auto write = [](unsigned long long n, const char* mode) {
        Latitude host(n);
        const std::string path = host.dir().file("out.txt");
        void* file = tomiva::HostOpenFile(path.c_str(), mode, kOpenShareDenyNone, 0, kOpenAccessDefault);
        EXPECT_NE(file, nullptr);
        tomiva::HostFilePrintf(file, "%c%c%c", 0xEF, 0xBB, 0xBF);
        tomiva::HostFilePrintf(file, "%s\n", "a\nb");
        tomiva::HostFilePrintf(file, "%d\n", 7);
        tomiva::HostWriteFile("c\n\n", 1, 3, file);
        tomiva::HostCloseFile(file);
        EXPECT_TRUE(ContractBreaches().empty());
        return ReadFileBytes(path);
    };
    EXPECT_EQ(write(512, "wt"), "\xEF\xBB\xBF" "a\r\nb\r\n7\r\nc\r\n\r\n\x1A");
    EXPECT_EQ(write(512, "wb"), "\xEF\xBB\xBF" "a\nb\n7\nc\n\n") << "a binary file as it is";
#ifndef _WIN32
    EXPECT_EQ(write(0, "wt"), "\xEF\xBB\xBF" "a\nb\n7\nc\n\n") << "the plain host";
#endif
}

} // namespace
