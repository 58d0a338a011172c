// The export run's paths: the skeleton, the purchase-kind check, runs that
// cannot finish (each leaves the earlier export as it was and no temporary
// file, and shows no summary), lost memory, a full disk, and documents,
// lines, rates and contractors beyond the usual.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "host/firm/demo/demo_firm.h"
#include "host/services/host_memory.h"
#include "host/services/host_messages.h"
#include "host/services/host_progress.h"
#include "host/services/host_session.h"
#include "support/export_harness.h"
#include "support/test_files.h"
#include "support/test_firm.h"

namespace {

const char kSkeletonStart[] = "\xEF\xBB\xBF<ROOT>\n<SYSTEM>QUORVEL</SYSTEM>\n<KONTRAHENCI>\n<WERSJA>1.0</WERSJA>\n";
const char kSkeletonEnd[] = "</REJESTRY_ZAKUPU>\n</ROOT>\n";
const char kSummaryNone[] =
    "Ilość wyeksportowanych faktur zakupu:     0\nIlość wyeksportowanych korekt zakupu:     0\n";


std::string Invoice(int key, const std::string& date, int contractor, const std::string& transaction = "FV")
{
    return "INSERT INTO purchase_invoice (document_key, period_date, issue_date, receipt_date, contractor, "
           "transaction_text, amount) VALUES (" +
           std::to_string(key) + ", '" + date + "', '" + date + "', '" + date + "', " + std::to_string(contractor) +
           ", '" + transaction + "', 10.0);\n";
}

std::string Line(int key, int lineNo, int rateCode, double amount = 123.0, double vat = 23.0)
{
    return "INSERT INTO vat_line (document_kind, document_key, line_no, amount, rate_code, vat) VALUES ('invoice', " +
           std::to_string(key) + ", " + std::to_string(lineNo) + ", " + std::to_string(amount) + ", " +
           std::to_string(rateCode) + ", " + std::to_string(vat) + ");\n";
}

// Many invoices of January, each with one line, contractors 1, 2, ...
std::string ManyInvoices(int count, const std::string& comment = "")
{
    std::string sql = PurchaseKindsDefinedSql();
    for (int key = 1; key <= count; ++key) {
        sql += "INSERT INTO purchase_invoice (document_key, period_date, issue_date, receipt_date, contractor, "
               "transaction_text, amount, comment) VALUES (" +
               std::to_string(key) + ", '2021-01-15', '2021-01-15', '2021-01-15', " + std::to_string(key % 50 + 1) +
               ", 'FV " + std::to_string(key) + "', 12.3, '" + comment + "');\n";
        sql += Line(key, 1, 1, 12.3 * key, 2.3 * key);
    }
    return sql;
}

const char kEarlier[] = "<the export written earlier that day>\n";

class ExportRunPaths : public ::testing::Test {
protected:
    void Start(const std::string& sql) { StartIn(sql, dir_.path()); }
    void StartIn(const std::string& sql, const std::string& dataDirectory)
    {
        firm_ = dir_.file("firm.db");
        data_ = dataDirectory;
        ASSERT_EQ(CreateFirmDatabase(firm_, sql), "");
        host_ = std::make_unique<TestHost>(TestConfig(firm_, data_));
        ASSERT_TRUE(host_->started()) << host_->error();
    }
    std::string OutputPath() const { return data_ + "/qPX_2021-02-10.xml"; }
    std::string TemporaryPath() const { return OutputPath() + ".tmp"; }
    // Every temporary name of the export that is in the folder.
    std::vector<std::string> TemporaryFilesLeft() const
    {
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(OutputPath()).parent_path()))
            if (entry.path().string().rfind(OutputPath() + ".", 0) == 0 && entry.path().extension() == ".tmp")
                left.push_back(entry.path().string());
        std::sort(left.begin(), left.end());
        return left;
    }
    std::string Output() const { return ReadFileBytes(OutputPath()); }
    static int CountLines(const std::string& text, const std::string& line)
    {
        int n = 0;
        for (const auto& l : SplitLines(text))
            n += l == line;
        return n;
    }
    // The run wrote nothing: its last word is why, no summary was shown, the
    // earlier export is as it was and no temporary file is left.
    void ExpectNotWritten(const std::string& reason) const
    {
        const auto texts = ShownTexts();
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts.back(), "Eksport nie został zapisany: " + reason + ".\nPlik " + OutputPath() +
                                    " nie został utworzony ani zmieniony.\nOperacja przerwana.");
        for (const auto& text : texts)
            EXPECT_EQ(text.find("Ilość wyeksportowanych"), std::string::npos) << text;
        EXPECT_EQ(Output(), kEarlier);
        EXPECT_TRUE(TemporaryFilesLeft().empty());
    }

    TestDir dir_;
    std::string firm_;
    std::string data_;
    std::unique_ptr<TestHost> host_;
};

TEST_F(ExportRunPaths, NothingInScopeWritesTheSkeletonWithoutCheckingPurchaseKinds)
{
    Start(Invoice(1, "2021-01-05", 3)); // purchase kinds not defined: the check would refuse
    OptionsInput input;
    input.scope = 0;
    EXPECT_TRUE(RunExportOver(MakeOptions(input)));

    EXPECT_EQ(Output(), std::string(kSkeletonStart) + "</KONTRAHENCI>\n<REJESTRY_ZAKUPU>\n<WERSJA>1.0</WERSJA>\n" +
                            kSkeletonEnd);
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{kSummaryNone});
    EXPECT_FALSE(HostProgressNow().open);
    EXPECT_EQ(XmlLintErrors(OutputPath()), "");
}

// Settings the run cannot use stop it before anything is written: the
// export of that name stays as it was.
TEST_F(ExportRunPaths, PurchaseKindsThatAreNotDefinedLeaveTheEarlierExport)
{
    // After the marker's end an 11-character second entry with no room for its end.
    const std::string longName = PurchaseKindNamesHex("00" + std::string(22, '4'));
    struct Case {
        const char* why;
        std::string settings;
        std::vector<std::string> before; // notices before the last one
    };
    const Case cases[] = {
        {"no marker", "", {"Nie zdefiniowane rodzaje zakupów?\n\nOperacja przerwana."}},
        {"a name without room for its end", "INSERT INTO settings_block VALUES (2, X'" + longName + "');\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        TestDir dir;
        const std::string firm = dir.file("firm.db");
        ASSERT_EQ(CreateFirmDatabase(firm, c.settings + Invoice(1, "2021-01-05", 3)), "");
        TestHost host(TestConfig(firm, dir.path()));
        ASSERT_TRUE(host.started()) << host.error();
        WriteFileBytes(dir.file("qPX_2021-02-10.xml"), kEarlier);
        OptionsInput input;
        input.scope = kScopePurchaseCorrections; // the check is made for corrections alone too
        ExportRun run{};
        ASSERT_TRUE(run.SetUp());
        EXPECT_FALSE(run.RunExport(MakeOptions(input)));
        run.TearDown();

        auto expected = c.before;
        expected.push_back("Eksport nie został zapisany: rodzaje zakupów firmy nie są poprawnie zdefiniowane.\nPlik " +
                           dir.file("qPX_2021-02-10.xml") + " nie został utworzony ani zmieniony.\nOperacja przerwana.");
        EXPECT_EQ(ShownTexts(), expected);
        EXPECT_EQ(ReadFileBytes(dir.file("qPX_2021-02-10.xml")), kEarlier);
        EXPECT_FALSE(FileExists(dir.file("qPX_2021-02-10.xml.tmp")));
        EXPECT_FALSE(HostProgressNow().open);
        EXPECT_EQ(HostLiveBlocks(), 0);
    }
}

// The check on its own: true only with the marker and every name ended in
// its 11 bytes; on true every code outside 1 to 9 has become 1.
TEST(PurchaseKindCheck, SaysWhetherTheRunMayGoOnAndMendsTheCodes)
{
    const std::string names = PurchaseKindNamesHex();
    // Codes 0, 3, 10, -4, 9, then zeros: little-endian 16-bit.
    const std::string codes = "000003000A00FCFF0900" + std::string(544 * 2 - 20, '0');
    struct Case {
        const char* why;
        std::string sql;
        bool defined;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"no settings", "", false, {"Nie zdefiniowane rodzaje zakupów?\n\nOperacja przerwana."}},
        {"marker and codes",
         "INSERT INTO settings_block VALUES (2, X'" + names + "'), (13, X'" + codes + "');", true, {}},
        {"second name without its end",
         "INSERT INTO settings_block VALUES (2, X'" + PurchaseKindNamesHex("00" + std::string(22, '4')) + "');",
         false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        TestDir dir;
        const std::string firm = dir.file("firm.db");
        ASSERT_EQ(CreateFirmDatabase(firm, c.sql), "");
        TestHost host(TestConfig(firm, dir.path()));
        ASSERT_TRUE(host.started()) << host.error();
        ExportRun run{};
        ASSERT_TRUE(run.SetUp());
        EXPECT_EQ(run.CheckPurchaseKinds(), c.defined);
        EXPECT_EQ(ShownTexts(), c.shown);
        if (c.defined) {
            const int16_t expected[] = {1, 3, 1, 1, 9};
            for (int i = 0; i < kPurchaseKindCodeCount; ++i) {
                int16_t code;
                std::memcpy(&code, run.purchaseKindSettings + 2 * i, sizeof code);
                EXPECT_EQ(code, i < 5 ? expected[i] : 1) << "code " << i;
            }
        }
        run.TearDown();
        EXPECT_EQ(HostLiveBlocks(), 0);
    }
}

// Whatever is at the temporary name already (a folder, a link to another
// file, dangling or not, a FIFO, a second name of another file, another run's
// file) is left as it is: the run creates a new name of its own.
TEST_F(ExportRunPaths, WhatIsAtTheTemporaryNameIsLeftAloneAndTheExportWritten)
{
    Start(PurchaseKindsDefinedSql() + Invoice(1, "2021-01-05", 3));
    const std::string other = dir_.file("other file");
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
    };
    const Case cases[] = {
        {"a folder", [](const std::string& p) { ASSERT_EQ(mkdir(p.c_str(), 0700), 0); }},
        {"a link to another file", [&](const std::string& p) { ASSERT_EQ(symlink(other.c_str(), p.c_str()), 0); }},
        {"a dangling link", [&](const std::string& p) { ASSERT_EQ(symlink((other + "-none").c_str(), p.c_str()), 0); }},
        {"a second name of another file", [&](const std::string& p) { ASSERT_EQ(link(other.c_str(), p.c_str()), 0); }},
        {"a FIFO", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(other, kEarlier);
        WriteFileBytes(OutputPath(), kEarlier);
        c.make(TemporaryPath());
        struct stat before {};
        ASSERT_EQ(lstat(TemporaryPath().c_str(), &before), 0);
        ExportRun run{};
        ASSERT_TRUE(run.SetUp());
        EXPECT_TRUE(run.RunExport(MakeOptions(OptionsInput{})));
        run.TearDown();
        struct stat after {};
        ASSERT_EQ(lstat(TemporaryPath().c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(ReadFileBytes(other), kEarlier);
        struct stat exported {};
        ASSERT_EQ(lstat(OutputPath().c_str(), &exported), 0);
        EXPECT_TRUE(S_ISREG(exported.st_mode) && exported.st_nlink == 1);
        EXPECT_NE(Output().find("</ROOT>"), std::string::npos);
        EXPECT_EQ(TemporaryFilesLeft(), std::vector<std::string>{TemporaryPath()});
        std::filesystem::remove_all(TemporaryPath());
    }
    EXPECT_EQ(HostLiveBlocks(), 0);
}

TEST_F(ExportRunPaths, FileThatCannotTakeTheExportsPlaceLeavesItAndNoTemporaryFile)
{
    Start(PurchaseKindsDefinedSql() + Invoice(1, "2021-01-05", 3));
    // A folder in the export file's place: the finished file cannot replace it.
    ASSERT_EQ(mkdir(OutputPath().c_str(), 0700), 0);
    WriteFileBytes(OutputPath() + "/inside", kEarlier);
    ExportRun run{};
    ASSERT_TRUE(run.SetUp());
    EXPECT_FALSE(run.RunExport(MakeOptions(OptionsInput{})));
    run.TearDown();

    const auto texts = ShownTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Eksport nie został zapisany: nie można zastąpić pliku " + OutputPath() +
                            " nowym plikiem.\nPlik " + OutputPath() +
                            " nie został utworzony ani zmieniony.\nOperacja przerwana.");
    EXPECT_EQ(ReadFileBytes(OutputPath() + "/inside"), kEarlier);
    EXPECT_FALSE(FileExists(TemporaryPath()));
    EXPECT_EQ(HostLiveBlocks(), 0);
}

TEST_F(ExportRunPaths, MissingTablesOrFlagTablesKeepTheRunFromStarting)
{
    Start(PurchaseKindsDefinedSql() + Invoice(1, "2021-01-05", 3));
    const ExportOptions options = MakeOptions(OptionsInput{});
    ExportRun run{};
    HostFailAllocation(1); // the firms' flag table
    EXPECT_FALSE(run.SetUp());
    run.RunExport(options);
    run.TearDown();

    EXPECT_FALSE(FileExists(OutputPath()));
    // The set-up's notice is all the user is shown.
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{"Błąd operacji dyskowej-Constructor!\nOperacja niekompletna!"});
    EXPECT_EQ(HostLiveBlocks(), 0);
}

// Every block a run asks for, when the host has no memory for it, ends the
// run with one notice: the buffers, the sums, the store of documents (its
// first block and the list of blocks).  None drops a line or a document.
TEST_F(ExportRunPaths, EveryAllocationThatFailsEndsTheRunWithOneNotice)
{
    Start(PurchaseKindsDefinedSql() + Invoice(1, "2021-01-05", 3, "FV 1") + Line(1, 1, 1));
    const ExportOptions options = MakeOptions(OptionsInput{});
    int failures = 0;
    int sumsFailed = 0;
    for (int nth = 1;; ++nth) {
        SCOPED_TRACE("allocation " + std::to_string(nth));
        WriteFileBytes(OutputPath(), kEarlier);
        HostClearShownMessages();
        ExportRun run{};
        ASSERT_TRUE(run.SetUp());
        HostFailAllocation(nth);
        const bool written = run.RunExport(options);
        HostFailAllocation(0);
        run.TearDown();
        EXPECT_EQ(HostLiveBlocks(), 0);
        if (written) {
            EXPECT_EQ(CountLines(Output(), "<REJESTR>"), 1);
            break;
        }
        ++failures;
        // One notice, naming the document when its VAT sums found no room.
        const auto texts = ShownTexts();
        ASSERT_EQ(texts.size(), 1u) << texts.back();
        if (texts[0].find("pozycje VAT") != std::string::npos) {
            ++sumsFailed;
            ExpectNotWritten("zabrakło pamięci na pozycje VAT dokumentu FV 1 (00000001-0003-0000-0000-000000000000)");
        } else
            ExpectNotWritten("zabrakło pamięci");
    }
    EXPECT_GE(failures, 9); // six buffers, the sums, the list of blocks and a block
    EXPECT_EQ(sumsFailed, 1);
}

// A disk that fills up while the file is written: the run says that no
// export was written, and the earlier one is as it was.  Each way of
// filling it; where the machine does not allow one (no right to mount a
// tmpfs), that row is reported as skipped.
enum class FullDisk { Tmpfs, SizeLimit };

class ExportRunFullDisk : public ::testing::TestWithParam<FullDisk> {};

TEST_P(ExportRunFullDisk, LeavesTheEarlierExportAndNoTemporaryFile)
{
    const FullDisk full = GetParam();
    TestDir dir;
    std::string data = dir.path();
    if (full == FullDisk::Tmpfs) {
        data = dir.file("small");
        ASSERT_EQ(mkdir(data.c_str(), 0700), 0);
        if (mount("tmpfs", data.c_str(), "tmpfs", 0, "size=200k") != 0)
            GTEST_SKIP() << "no tmpfs could be mounted: " << std::strerror(errno);
    }
    // Unmounted however the row ends.
    struct Unmount {
        std::string path;
        ~Unmount()
        {
            if (!path.empty())
                umount(path.c_str());
        }
    } unmount{full == FullDisk::Tmpfs ? data : std::string()};
    const std::string firm = dir.file("firm.db");
    const std::string path = data + "/qPX_2021-02-10.xml";
    ASSERT_EQ(CreateFirmDatabase(firm, ManyInvoices(400)), "");
    TestHost host(TestConfig(firm, data));
    ASSERT_TRUE(host.started()) << host.error();
    WriteFileBytes(path, kEarlier);
    struct rlimit before {};
    getrlimit(RLIMIT_FSIZE, &before);
    void (*previous)(int) = SIG_DFL;
    if (full == FullDisk::SizeLimit) {
        previous = signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = before;
        limit.rlim_cur = 100 * 1024;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ExportRun run{};
    ASSERT_TRUE(run.SetUp());
    const bool written = run.RunExport(MakeOptions(OptionsInput{}));
    run.TearDown();
    if (full == FullDisk::SizeLimit) {
        setrlimit(RLIMIT_FSIZE, &before);
        signal(SIGXFSZ, previous);
    }
    EXPECT_FALSE(written);
    const auto texts = ShownTexts();
    ASSERT_EQ(texts.size(), 1u);
    // Where the loss shows depends on the buffers: at a write, or in the
    // size of the file read back.
    EXPECT_EQ(texts[0].rfind("Eksport nie został zapisany: ", 0), 0u) << texts[0];
    EXPECT_TRUE(texts[0].find("zapis do pliku " + path + ".tmp nie powiódł się") != std::string::npos ||
                texts[0].find("plik " + path + ".tmp ma po zapisie") != std::string::npos)
        << texts[0];
    EXPECT_EQ(ReadFileBytes(path), kEarlier);
    EXPECT_FALSE(FileExists(path + ".tmp"));
    EXPECT_EQ(access((path + ".tmp").c_str(), F_OK), -1); // not even a dangling link
    EXPECT_EQ(HostLiveBlocks(), 0);
}

INSTANTIATE_TEST_SUITE_P(EachWayOfFillingIt, ExportRunFullDisk,
                         ::testing::Values(FullDisk::Tmpfs, FullDisk::SizeLimit),
                         [](const ::testing::TestParamInfo<FullDisk>& info) {
                             switch (info.param) {
                             case FullDisk::Tmpfs: return std::string("A200KiBTmpfs");
                             case FullDisk::SizeLimit: return std::string("AFileSizeLimit");
                             }
                             return std::string();
                         });

TEST_F(ExportRunPaths, ManyDocumentsWithPositionsSurviveEveryGrowthOfTheStore)
{
    // Some 2000 compact records fill more than the first two blocks.
    Start(ManyInvoices(2000, "Żółć"));
    EXPECT_TRUE(RunExportOver(MakeOptions(OptionsInput{})));

    const std::string out = Output();
    EXPECT_EQ(CountLines(out, "<REJESTR>"), 2000);
    EXPECT_EQ(CountLines(out, "<POZYCJA>"), 2000);
    EXPECT_EQ(CountLines(out, "<KOMENTARZ>Żółć</KOMENTARZ>"), 2000);
    // Each document keeps its own sums, in order.
    std::vector<std::string> nets;
    for (const auto& line : SplitLines(out))
        if (line.rfind("<KWOTA_NETTO>", 0) == 0)
            nets.push_back(line);
    ASSERT_EQ(nets.size(), 2000u);
    for (int key = 1; key <= 2000; key += 333) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "<KWOTA_NETTO>%0.2f</KWOTA_NETTO>", 10.0 * key);
        EXPECT_EQ(nets[static_cast<std::size_t>(key - 1)], expected);
    }
    EXPECT_EQ(XmlLintErrors(OutputPath()), "");
    EXPECT_EQ(HostLiveBlocks(), 0);
}

// How many blocks a run asks the host for does not follow the number of
// documents: the buffers are made once and the store's blocks double.
TEST(ExportRunGrowth, AllocationsGrowAtMostWithTheLogarithmOfTheDocuments)
{
    struct Run {
        int documents;
        long allocations;
    };
    std::vector<Run> runs;
    for (int documents : {100, 1000, 10000}) {
        TestDir dir;
        const std::string firm = dir.file("firm.db");
        DemoFirmOptions demo;
        demo.documents = documents;
        std::string error;
        ASSERT_TRUE(WriteDemoFirm(firm, demo, &error)) << error;
        TestHost host(TestConfig(firm, dir.path()));
        ASSERT_TRUE(host.started()) << host.error();
        OptionsInput input;
        input.dateTo = "20211231";
        const long before = HostAllocationCount();
        // Only a run that wrote its whole file counts: one that stopped
        // early would ask for fewer blocks.
        ASSERT_TRUE(RunExportOver(MakeOptions(input)));
        runs.push_back({documents, HostAllocationCount() - before});
        EXPECT_EQ(HostLiveBlocks(), 0);
        const std::string output = dir.file("qPX_2021-02-10.xml");
        EXPECT_EQ(XmlLintErrors(output), "");
        int registers = 0;
        for (const auto& line : SplitLines(ReadFileBytes(output)))
            registers += line == "<REJESTR>";
        // Every document of the year but the few the export passes over.
        EXPECT_LE(registers, documents);
        EXPECT_GE(registers, documents * 9 / 10);
        const auto texts = ShownTexts();
        ASSERT_FALSE(texts.empty());
        int invoices = -1, corrections = -1;
        ASSERT_EQ(std::sscanf(texts.back().c_str(),
                              "Ilość wyeksportowanych faktur zakupu: %d\nIlość wyeksportowanych korekt zakupu: %d",
                              &invoices, &corrections),
                  2)
            << texts.back();
        EXPECT_EQ(invoices + corrections, registers);
    }
    for (std::size_t i = 1; i < runs.size(); ++i) {
        const double growth = std::log2(static_cast<double>(runs[i].documents) / runs[i - 1].documents);
        EXPECT_LE(runs[i].allocations - runs[i - 1].allocations, 2 * std::ceil(growth))
            << runs[i - 1].documents << " documents: " << runs[i - 1].allocations << " allocations, "
            << runs[i].documents << ": " << runs[i].allocations;
    }
    EXPECT_LT(runs.back().allocations, 40);
}

// However many distinct rate codes a document has, every line's amounts are
// in the file: the first codes keep their order, the others follow in the
// order they occur.
TEST_F(ExportRunPaths, EveryRateCodeOfAListIsWrittenWithItsSums)
{
    struct Case {
        int codes;
        int linesPerCode;
    };
    for (const Case& c : {Case{11, 1}, Case{10000, 1}, Case{12, 3}}) {
        SCOPED_TRACE(std::to_string(c.codes) + " codes");
        TestDir dir;
        const std::string firm = dir.file("firm.db");
        // Codes 1000, 1001, ...: none ignored, none with a text of its own.
        std::string sql = PurchaseKindsDefinedSql() + Invoice(1, "2021-01-05", 0, "FV wiele");
        sql += "INSERT INTO vat_rate VALUES (1000, 23.0);\n";
        int lineNo = 0;
        for (int repeat = 0; repeat < c.linesPerCode; ++repeat)
            for (int i = 0; i < c.codes; ++i)
                sql += Line(1, ++lineNo, 1000 + i, 12.3, 2.3);
        ASSERT_EQ(CreateFirmDatabase(firm, sql), "");
        TestHost host(TestConfig(firm, dir.path()));
        ASSERT_TRUE(host.started()) << host.error();
        EXPECT_TRUE(RunExportOver(MakeOptions(OptionsInput{})));

        const auto lines = SplitLines(ReadFileBytes(dir.file("qPX_2021-02-10.xml")));
        std::vector<std::string> rates, nets;
        for (const auto& line : lines) {
            if (line.rfind("<SYMBOL_ST_VAT>", 0) == 0)
                rates.push_back(line);
            if (line.rfind("<KWOTA_NETTO>", 0) == 0)
                nets.push_back(line);
        }
        ASSERT_EQ(rates.size(), static_cast<std::size_t>(c.codes));
        EXPECT_EQ(rates[0], "<SYMBOL_ST_VAT>23%</SYMBOL_ST_VAT>"); // code 1000
        EXPECT_EQ(rates[1], "<SYMBOL_ST_VAT>0%</SYMBOL_ST_VAT>");  // no rate known: 0
        char net[64];
        std::snprintf(net, sizeof net, "<KWOTA_NETTO>%0.2f</KWOTA_NETTO>", 10.0 * c.linesPerCode);
        for (const auto& n : nets)
            EXPECT_EQ(n, net);
        EXPECT_EQ(ShownTexts().size(), 1u); // the summary alone
        EXPECT_EQ(HostLiveBlocks(), 0);
    }
}

// A line of an ignored rate code adds nothing to the document: no position
// of its own and nothing in another's sums.  Code 41, which is not ignored,
// shows that such a line would be seen.
TEST(ExportRunRates, LinesOfAnIgnoredRateCodeAreLeftOut)
{
    struct Case {
        int code;
        bool ignored;
    };
    const Case cases[] = {{6, true},  {7, true},  {10, true}, {19, true},
                          {30, true}, {31, true}, {40, true}, {41, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE("rate code " + std::to_string(c.code));
        TestDir dir;
        const std::string firm = dir.file("firm.db");
        const std::string sql = PurchaseKindsDefinedSql() + Invoice(1, "2021-01-05", 0, "FV 1") +
                                "INSERT INTO vat_rate VALUES (1, 23.0);\n" + Line(1, 1, c.code, 40.0, 0.0) +
                                Line(1, 2, 1, 123.0, 23.0);
        ASSERT_EQ(CreateFirmDatabase(firm, sql), "");
        TestHost host(TestConfig(firm, dir.path()));
        ASSERT_TRUE(host.started()) << host.error();
        ASSERT_TRUE(RunExportOver(MakeOptions(OptionsInput{})));

        std::vector<std::string> nets, vats;
        for (const auto& line : SplitLines(ReadFileBytes(dir.file("qPX_2021-02-10.xml")))) {
            if (line.rfind("<KWOTA_NETTO>", 0) == 0)
                nets.push_back(line);
            if (line.rfind("<KWOTA_VAT>", 0) == 0)
                vats.push_back(line);
        }
        if (c.ignored) {
            EXPECT_EQ(nets, std::vector<std::string>{"<KWOTA_NETTO>100.00</KWOTA_NETTO>"});
            EXPECT_EQ(vats, std::vector<std::string>{"<KWOTA_VAT>23.00</KWOTA_VAT>"});
        } else {
            EXPECT_EQ(nets, (std::vector<std::string>{"<KWOTA_NETTO>40.00</KWOTA_NETTO>",
                                                      "<KWOTA_NETTO>100.00</KWOTA_NETTO>"}));
        }
    }
}

// Each of the five special characters alone in a register's texts is
// escaped: a text with one of them and nothing else special must not be
// taken for plain text.
TEST_F(ExportRunPaths, EachSpecialCharacterAloneInARegisterTextIsEscaped)
{
    struct Case {
        const char* raw;     // in the firm (SQL-quoted)
        const char* written; // in the file
    };
    const Case cases[] = {
        {"Firma &Alfa&", "Firma &amp;Alfa&amp;"},   {"Firma <Alfa<", "Firma &lt;Alfa&lt;"},
        {"Firma >Alfa>", "Firma &gt;Alfa&gt;"},     {"Firma \"Alfa\"", "Firma &quot;Alfa&quot;"},
        {"Firma ''Alfa''", "Firma &apos;Alfa&apos;"}, {"Firma Alfa", "Firma Alfa"},
    };
    std::string sql = PurchaseKindsDefinedSql();
    int key = 0;
    for (const Case& c : cases) {
        ++key;
        sql += "INSERT INTO purchase_invoice (document_key, period_date, issue_date, receipt_date, "
               "transaction_text, amount, comment) VALUES (" +
               std::to_string(key) + ", '2021-01-05', '2021-01-05', '2021-01-05', '" + c.raw + "', 1.0, '" + c.raw +
               "');\n";
    }
    Start(sql);
    ASSERT_TRUE(RunExportOver(MakeOptions(OptionsInput{})));

    std::vector<std::string> transactions, comments;
    for (const auto& line : SplitLines(Output())) {
        if (line.rfind("<TRANSAKCJA>", 0) == 0)
            transactions.push_back(line);
        if (line.rfind("<KOMENTARZ>", 0) == 0)
            comments.push_back(line);
    }
    ASSERT_EQ(transactions.size(), std::size(cases));
    ASSERT_EQ(comments.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(transactions[i], std::string("<TRANSAKCJA>") + cases[i].written + "</TRANSAKCJA>");
        EXPECT_EQ(comments[i], std::string("<KOMENTARZ>") + cases[i].written + "</KOMENTARZ>");
    }
    EXPECT_EQ(XmlLintErrors(OutputPath()), "");
}

// The rate text holds every rate the host reports, "%" included.
TEST_F(ExportRunPaths, RateTextsOfAnyRateKeepTheirPercentSign)
{
    std::string sql = PurchaseKindsDefinedSql() + Invoice(1, "2021-01-05", 3);
    sql += "INSERT INTO vat_rate VALUES (1, 1000.0), (2, -100.0), (3, 12345678.9), (4, -0.4), (12, 1e300);\n";
    const int codes[] = {1, 2, 3, 4, 12};
    for (int i = 0; i < 5; ++i)
        sql += Line(1, i + 1, codes[i]);
    Start(sql);
    EXPECT_TRUE(RunExportOver(MakeOptions(OptionsInput{})));

    std::vector<std::string> rates;
    for (const auto& line : SplitLines(Output()))
        if (line.rfind("<SYMBOL_ST_VAT>", 0) == 0)
            rates.push_back(line.substr(15, line.size() - 15 - 16));
    // 1e300 as the double holds it, every digit.
    const std::string huge =
        "10000000000000000525047602552044202487044685811081591549158541155118024579889081957863713750804478640437044"
        "43832883878176942523235360430575644792184786706982848387200926575803737830233794788090059368953234970799945"
        "081119038967640880074652742780142494579258788820056842838115669472196386865459400540160%";
    EXPECT_EQ(rates, (std::vector<std::string>{"1000%", "-100%", "12345679%", "-0%", huge}));
    EXPECT_EQ(XmlLintErrors(OutputPath()), "");
}

// A document whose contractor cannot be written is named, in one notice
// for the run: numbers outside the flag tables and contractors the firm
// does not have.  The file is written all the same, with every document.
TEST_F(ExportRunPaths, DocumentsWithoutTheirContractorAreNamedOnce)
{
    const int contractors[] = {65999, 66000, -65999, -66000, 70000, INT32_MAX, INT32_MIN, 40, 41, 42, 43, 44, 0};
    std::string sql = PurchaseKindsDefinedSql();
    sql += "INSERT INTO contractor (number, full_name) VALUES (65999, 'Graniczny'), (-65999, 'Graniczna');\n";
    int key = 0;
    for (const int contractor : contractors) {
        ++key;
        sql += Invoice(key, "2021-01-05", contractor, "FV " + std::to_string(key));
    }
    Start(sql);
    EXPECT_TRUE(RunExportOver(MakeOptions(OptionsInput{})));

    const std::string out = Output();
    EXPECT_EQ(CountLines(out, "<REJESTR>"), 13);
    EXPECT_EQ(CountLines(out, "<KONTRAHENT>"), 2);
    const auto texts = ShownTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "W pliku brak kontrahentów 10 dokumentów: ich numery leżą poza zakresem\n"
                        "od -65999 do 65999 albo nie ma ich w kartotece kontrahentów.\n"
                        "FV 2 (00000002-101D-0000-0000-000000000000), kontrahent 66000\n"
                        "FV 4 (00000004-2134-0000-0000-000000000000), kontrahent -66000\n"
                        "FV 5 (00000005-1117-0000-0000-000000000000), kontrahent 70000\n"
                        "FV 6 (00000006-7FFF-0000-0000-000000000000), kontrahent 2147483647\n"
                        "FV 7 (00000007-8001-0000-0000-000000000000), kontrahent -2147483648\n"
                        "... i 5 innych");
    EXPECT_EQ(texts[1], "Ilość wyeksportowanych faktur zakupu:    13\nIlość wyeksportowanych korekt zakupu:     0\n");
    EXPECT_EQ(XmlLintErrors(OutputPath()), "");
}

TEST_F(ExportRunPaths, AnyTextOfTheRecordsAndOptionsGivesWellFormedXml)
{
    const std::string nasty = "<&>\"'";
    std::string sql = PurchaseKindsDefinedSql();
    sql += "INSERT INTO contractor VALUES (3, '<&>\"''x', '" + std::string(100, '"') + "', "
           "'ul. <A&B> 5 00-950 \"Kraków\"', 'PL<1>');\n";
    sql += "INSERT INTO purchase_invoice (document_key, period_date, issue_date, receipt_date, contractor, "
           "transaction_text, nip, amount, comment) VALUES (1, '2021-01-05', '2021-01-05', '2021-01-05', 3, "
           "'" + std::string("<&>\"''") + "', '<1>', 1.0, 'a' || char(9) || 'b' || char(1) || '<c>');\n";
    sql += Line(1, 1, 1);
    Start(sql);
    OptionsInput input;
    input.invoiceAccount = "<&>";
    input.invoiceRegister = nasty;
    input.branchCode = nasty;
    input.originPlace = nasty;
    EXPECT_TRUE(RunExportOver(MakeOptions(input)));

    EXPECT_EQ(XmlLintErrors(OutputPath()), "");
    const std::string out = Output();
    // A hundred double quotes: all six hundred escaped characters kept, the
    // two elements cut between entities.
    EXPECT_EQ(CountLines(out, "<NAZWA_PELNA_1>" + [] {
                  std::string s;
                  for (int i = 0; i < 11; ++i)
                      s += "&quot;";
                  return s;
              }() + "</NAZWA_PELNA_1>"),
              1);
    EXPECT_NE(out.find("<KONTO>&lt;&amp;&gt;-******-******</KONTO>"), std::string::npos);
    EXPECT_NE(out.find("<KOMENTARZ>a b &lt;c&gt;</KOMENTARZ>"), std::string::npos);
}

TEST_F(ExportRunPaths, DueDateIsTheIssueDateMovedByThePaymentDays)
{
    struct Case {
        const char* issue;
        int days;
        const char* due;
    };
    const Case cases[] = {
        {"2021-01-25", 0, "2021-01-25"},  {"2021-01-25", 14, "2021-02-08"}, {"2020-02-28", 1, "2020-02-29"},
        {"2021-02-28", 1, "2021-03-01"},  {"2020-12-31", 365, "2021-12-31"}, {"2024-02-29", 366, "2025-03-01"},
        {"2000-01-01", 65535, "2179-06-06"},
    };
    std::string sql = PurchaseKindsDefinedSql();
    int key = 0;
    for (const Case& c : cases)
        sql += "INSERT INTO purchase_invoice (document_key, period_date, issue_date, receipt_date, payment_days) "
               "VALUES (" + std::to_string(++key) + ", '2021-01-05', '" + c.issue + "', '2021-01-05', " +
               std::to_string(c.days) + ");\n";
    Start(sql);
    EXPECT_TRUE(RunExportOver(MakeOptions(OptionsInput{})));

    std::vector<std::string> dues;
    for (const auto& line : SplitLines(Output()))
        if (line.rfind("<TERMIN_ZAPLATY>", 0) == 0)
            dues.push_back(line);
    ASSERT_EQ(dues.size(), std::size(cases));
    for (std::size_t i = 0; i < dues.size(); ++i)
        EXPECT_EQ(dues[i], std::string("<TERMIN_ZAPLATY>") + cases[i].due + "T00:00:00</TERMIN_ZAPLATY>")
            << cases[i].issue << " + " << cases[i].days;
}

} // namespace
