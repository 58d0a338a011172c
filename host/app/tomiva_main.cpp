// tomiva: the replacement host on the command line.  It keeps a firm's
// tables in a SQLite file, loads plug-ins, lists their menu entries and runs
// one of them.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "contract/host_protocol.h"
#include "host/firm/demo/demo_firm.h"
#include "host/firm/firm_schema.h"
#include "host/app/host_runtime.h"
#include "host/common/system_path.h"
#include "host/services/host_files.h"
#include "host/services/host_session.h"
#include "host/services/mazovia.h"
#include "host/plugins/plugin_registry.h"
#ifdef _WIN32
#include "host/app/program_windows.h"
#endif
#ifdef TOMIVA_WITH_VERIFY
#include "host/common/file_kind.h"
#include "host/common/host_date.h"
#include "host/firm/firm_database.h"
#include "host/verify/verify.h"
#include "host/verify/verify_report.h"
#endif

// ---------------------------------------------------------------------------
// The test switch TOMIVA_FAIL_PROGRAM_ALLOC=N (environment): the N-th
// allocation of the program itself fails, counted from the start of main:
// operator new throws std::bad_alloc (the nothrow forms, which call it, give
// null) and SQLite's allocator returns null.  Unset, nothing is counted.
// (--fail-allocation does the same for the host's allocation entries.)

namespace {

inline constexpr char kFailProgramAllocation[] = "TOMIVA_FAIL_PROGRAM_ALLOC";

// Counted on every thread (the firm's structure is checked on one of its own).
std::atomic<long> g_programAllocations{0};
long g_failProgramAllocation = 0; // the allocation that fails; 0 none

// True for the allocation that must fail.
bool ProgramAllocationFails()
{
    if (g_failProgramAllocation == 0)
        return false;
    return ++g_programAllocations == g_failProgramAllocation;
}

sqlite3_mem_methods g_sqliteDefault{};

void* SqliteMalloc(int size) { return ProgramAllocationFails() ? nullptr : g_sqliteDefault.xMalloc(size); }
void* SqliteRealloc(void* block, int size)
{
    return ProgramAllocationFails() ? nullptr : g_sqliteDefault.xRealloc(block, size);
}

// Arms the switch; SQLite's allocator is set before anything opens a
// database.  False (with the reason) for a value that is no positive number.
bool ArmProgramAllocationFailure(std::string* why)
{
    const char* text = std::getenv(kFailProgramAllocation);
    if (text == nullptr || *text == '\0')
        return true;
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (*end != '\0' || n <= 0) {
        *why = std::string(kFailProgramAllocation) + " takes a positive number, not \"" + text + "\"";
        return false;
    }
    if (sqlite3_config(SQLITE_CONFIG_GETMALLOC, &g_sqliteDefault) == SQLITE_OK) {
        sqlite3_mem_methods counted = g_sqliteDefault;
        counted.xMalloc = &SqliteMalloc;
        counted.xRealloc = &SqliteRealloc;
        sqlite3_config(SQLITE_CONFIG_MALLOC, &counted);
    }
    g_failProgramAllocation = n;
    return true;
}

#ifdef TOMIVA_WITH_VERIFY
// --fail-allocation with verify: the N-th block that verify asks for, of
// the program's own or of SQLite's, is refused (libxml2's are not: version
// 2.9 is not proof against a shortage everywhere).
void ArmVerifyAllocationFailure(long n)
{
    if (g_failProgramAllocation == 0 && sqlite3_config(SQLITE_CONFIG_GETMALLOC, &g_sqliteDefault) == SQLITE_OK) {
        sqlite3_mem_methods counted = g_sqliteDefault;
        counted.xMalloc = &SqliteMalloc;
        counted.xRealloc = &SqliteRealloc;
        sqlite3_config(SQLITE_CONFIG_MALLOC, &counted);
    }
    g_programAllocations = 0;
    g_failProgramAllocation = n;
}
#endif

// Says so when the switch never came to its allocation: a sweep over N ends
// there.
void TellUnreachedAllocationFailure()
{
    if (g_failProgramAllocation != 0 && g_programAllocations < g_failProgramAllocation)
        std::fprintf(stderr, "tomiva: %s=%ld was not reached: %ld allocations\n", kFailProgramAllocation,
                     g_failProgramAllocation, g_programAllocations.load());
}

} // namespace

void* operator new(std::size_t size)
{
    void* block = ProgramAllocationFails() ? nullptr : std::malloc(size == 0 ? 1 : size);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}
void* operator new[](std::size_t size) { return ::operator new(size); }
// These operators are the pair of the one above, whose blocks come from
// malloc; g++ sees operator new and free meet and warns of a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
#pragma GCC diagnostic pop

namespace {

enum ExitCode {
    kExitOk = 0,
    kExitUsage = 1,
    kExitFirm = 2,
    kExitPlugin = 3,
    kExitEntry = 4,
    kExitDialog = 5,
    kExitEntryMissing = 6,
    kExitHostFailed = 7,
    kExitPluginReported = 8,
    kExitFileIncomplete = 9,
    kExitVerify = 10,
    kExitContractBroken = 11,
};

// The exit statuses, each once: --help prints this list (README.md has the
// same table).  Of a command that failed in more than one way, the status
// is the first of its failures in kStatusOfFailure's order below.
struct ExitStatusText {
    ExitCode status;
    const char* text; // lines of --help, each but the first indented by 3
};
constexpr ExitStatusText kExitStatuses[] = {
    {kExitOk, "the command finished, and every file it wrote is complete"},
    {kExitUsage, "bad usage"},
    {kExitFirm, "the firm database was refused (a broken rule, damage, a lock, a hot\n"
                "journal, not a file, or the same file as one the command writes)"},
    {kExitPlugin, "a plug-in could not be loaded"},
    {kExitEntry, "no such menu entry"},
    {kExitDialog, "the dialog was refused: its scripted answers or values (the plug-in's\n"
                  "own checks among them), or a dialog that could not be shown; the\n"
                  "command ran nothing"},
    {kExitEntryMissing, "the plug-in asked for a host entry that this host lacks: the command\n"
                        "was abandoned, or went on with a stand-in answer after Ignore"},
    {kExitHostFailed, "the host failed the command: a read of the firm database failed (an\n"
                      "SQLite error, a damaged file) or memory ran short; the files the\n"
                      "plug-in was writing then are removed"},
    {kExitPluginReported, "the plug-in reported a failure in the host's error notice (an export\n"
                          "it could not write whole: it kept the earlier file)"},
    {kExitFileIncomplete, "a file the command wrote is not complete: it could not be created,\n"
                          "written or closed, or an XML file is not one whole document"},
#ifdef TOMIVA_WITH_VERIFY
    {kExitVerify, "an export file of a batch run failed verification: not valid against the\n"
                  "schema, or not what the firm holds"},
#endif
    {kExitContractBroken, "--host-latitude: the plug-in broke a promise of the host's contract (a\n"
                          "slot of its dialog object overridden, a write past a buffer of the\n"
                          "host, on i386 a call that left the stack pointer off); comes first"},
};

// The verify command and the check of a batch run's files need libxml2,
// which the Windows build of the host does not have: there the usage says
// nothing of them.
#ifdef TOMIVA_WITH_VERIFY
#define TOMIVA_USAGE_RUN_VERIFIES \
    "                       (in batch mode every export file the run wrote is then\n" \
    "                       verified, see verify: against the schema, and against\n" \
    "                       the firm for the period and kinds that the run's\n" \
    "                       settings file a_mas.cfg holds)\n"
#define TOMIVA_USAGE_VERIFY \
    "  verify FILE          check an export file (qPX_YYYY-MM-DD.xml): valid against\n" \
    "                       the schema of the export format and, with --firm, every\n" \
    "                       document of the period and kinds present once with the\n" \
    "                       firm's net and VAT per rate and class, every contractor\n" \
    "                       with the firm's name, tax number and address; prints a\n" \
    "                       summary per month and rate, the warnings and mismatches\n" \
    "      --from YYYY-MM-DD  first day of the export's period; with --to\n" \
    "      --to YYYY-MM-DD    last day (default for both: the month that the\n" \
    "                         documents' MIESIAC and ROK name)\n" \
    "      --scope KINDS      invoices, corrections or invoices,corrections (default:\n" \
    "                         the kinds of the documents in the file)\n"
#define TOMIVA_USAGE_NO_VERIFY \
    "  --no-verify          run: leave the files of a batch run unverified\n"
#define TOMIVA_USAGE_FIRM \
    "the firm database (needed by run; verify reconciles\n" \
    "                       an export file with it)"
#else
#define TOMIVA_USAGE_RUN_VERIFIES ""
#define TOMIVA_USAGE_VERIFY ""
#define TOMIVA_USAGE_NO_VERIFY ""
#define TOMIVA_USAGE_FIRM "the firm database (needed by run)"
#endif

const char kUsage[] =
    "usage: tomiva [OPTIONS] COMMAND\n"
    "\n"
    "Runs the plug-ins of the host over a firm database (a SQLite file).\n"
    "\n"
    "Commands:\n"
    "  run ENTRY            run the menu entry with that name, e.g. run \"Eksport Ventalor (txt)\"\n"
    TOMIVA_USAGE_RUN_VERIFIES
    "  plugins              list the menu entries that the plug-ins registered\n"
    "  new-firm FILE        write an empty firm database to FILE (a new file), to be\n"
    "                       filled with the sqlite3 shell or a CSV import\n"
    "  demo-firm FILE       write a demo firm database to FILE (a new file)\n"
    "      --documents N      purchase documents to generate (default 400)\n"
    "      --seed S           seed of the generator (default 1)\n"
    "      --year YYYY        year of the documents (default 2021)\n"
    TOMIVA_USAGE_VERIFY
    "\n"
    "Options:\n"
    "  --firm FILE          " TOMIVA_USAGE_FIRM "\n"
    "  --dir DIR            the firm's data directory: settings files, INI files and\n"
    "                       export files live there (default: the current directory)\n"
    "                       (the plug-in is given paths in the host's Polish text,\n"
    "                       Mazovia: a --dir, --firm or --plugin name with a\n"
    "                       character it lacks, such as €, is refused, exit 1)\n"
    "  --today YYYY-MM-DD   the date the host reports as today (default: the system's)\n"
    "  --plugin FILE        load this plug-in module (repeatable); without it every\n"
    "                       plug-in in the folder \"plugins\" next to tomiva is loaded\n"
    "  --batch              nobody at the terminal: dialogs take their scripted\n"
    "                       answers and are confirmed with OK, messages are printed;\n"
    "                       also the mode whenever standard input is not a terminal\n"
    "  --answer CONTROL=VALUE\n"
    "                       a scripted answer for the dialog (repeatable, in order);\n"
    "                       CONTROL is the caption before an input or a check box's\n"
    "                       text (without \"~\" and a trailing \":\"), or the control's\n"
    "                       number in the dialog; dates as YYYY-MM-DD, check boxes 1/0\n"
    "  --cancel             batch: close the dialog with Cancel instead of OK\n"
    "  --prompt-answers LIST\n"
    "                       answers to \"missing host entry\" prompts in batch mode, a\n"
    "                       comma list of abort, retry and ignore, one per prompt\n"
    "                       (more prompts than answers: abort)\n"
    "  --withhold NUMBER    withhold this host entry from the plug-ins (repeatable;\n"
    "                       for trying the missing-entry prompt)\n"
    TOMIVA_USAGE_NO_VERIFY
    "  --fail-allocation N  refuse the N-th block of memory that the command asks\n"
    "                       the host for (for trying how it copes with a shortage)\n"
    "  --host-latitude N    run: a host that answers the plug-in in other ways that\n"
    "                       the contract of its entries allows, and checks that the\n"
    "                       plug-in keeps its promises (exit 11 when it does not);\n"
    "                       N mod 16 picks the variations, 1 bare file names kept\n"
    "                       in the folder tomiva-bare-names of the data directory,\n"
    "                       2 VAT lines not in use left out, 4 other values where\n"
    "                       results are not promised, 8 memory and buffers filled\n"
    "                       with a pattern, added up (0: all four); N seeds the\n"
    "                       values.  0 or absent: the plain host\n"
    "  --version            the version of tomiva and of the plug-in it comes with\n"
    "  -h, --help           this text\n"
    "\n"
    "Environment (for the tests of a shortage of the host's own memory):\n"
    "  TOMIVA_FAIL_PROGRAM_ALLOC=N\n"
    "                       the N-th allocation of tomiva itself fails (operator new\n"
    "                       throws, SQLite gets no memory), counted from the start\n"
    "\n"
    "Exit status (of a command that failed in more than one way, the first that\n"
    "applies in this order, but 11 first; each failure is also named on standard\n"
    "error):\n";

void PrintUsage()
{
    std::fputs(kUsage, stdout);
    for (const ExitStatusText& row : kExitStatuses) {
        std::printf("  %-2d ", static_cast<int>(row.status));
        for (const char* c = row.text; *c != '\0'; ++c) {
            std::putchar(*c);
            if (*c == '\n')
                std::fputs("     ", stdout);
        }
        std::putchar('\n');
    }
}


struct Arguments {
    HostConfig config;
    std::vector<std::string> plugins;
    std::vector<int> withheld;
    std::string promptAnswers;
    std::vector<std::string> command;
    DemoFirmOptions demo;
    std::string from, to, scope; // verify
    bool noVerify = false;       // run: leave a batch run's files unverified
    int failAllocation = 0;
};

// long long: a seed reaches 4294967295, past the 32-bit long of Windows.
bool ParseNumber(const std::string& text, long long low, long long high, long long* value)
{
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < low || v > high)
        return false;
    *value = v;
    return true;
}

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "tomiva: %s\n(tomiva --help tells more)\n", message.c_str());
    return kExitUsage;
}

// Parses the command line; returns -1 to go on, else the exit status.
int Parse(int argc, char** argv, Arguments* a)
{
    a->config.batch = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc)
                return false;
            *out = argv[++i];
            return true;
        };
        std::string v;
        long long n = 0;
        if (arg == "-h" || arg == "--help") {
            PrintUsage();
            return kExitOk;
        } else if (arg == "--batch") {
            a->config.batch = true;
        } else if (arg == "--cancel") {
            a->config.dialogCancel = true;
        } else if (arg == "--version") {
            std::printf("tomiva (ExportFKVentalor) %s\n", TOMIVA_VERSION);
            return kExitOk;
        } else if (arg == "--no-verify") {
            a->noVerify = true;
        } else if (arg == "--from" || arg == "--to" || arg == "--scope") {
            if (!value(&v))
                return UsageError(arg + " needs a value");
            (arg == "--from" ? a->from : arg == "--to" ? a->to : a->scope) = v;
        } else if (arg == "--firm" || arg == "--dir" || arg == "--today" || arg == "--plugin" || arg == "--answer" ||
                   arg == "--prompt-answers" || arg == "--withhold" || arg == "--documents" || arg == "--seed" ||
                   arg == "--year" || arg == "--fail-allocation" || arg == "--host-latitude") {
            if (!value(&v))
                return UsageError(arg + " needs a value");
            if (arg == "--firm")
                a->config.firmPath = v;
            else if (arg == "--dir")
                a->config.dataDirectory = v;
            else if (arg == "--today")
                a->config.today = v;
            else if (arg == "--plugin")
                a->plugins.push_back(v);
            else if (arg == "--answer")
                a->config.dialogAnswers.push_back(v);
            else if (arg == "--prompt-answers")
                a->promptAnswers = v;
            else if (arg == "--withhold") {
                if (!ParseNumber(v, 1, 65535, &n))
                    return UsageError("--withhold takes an entry number, not \"" + v + "\"");
                a->withheld.push_back(static_cast<int>(n));
            } else if (arg == "--host-latitude") {
                // Digits only: strtoull would take a sign or blanks.
                char* end = nullptr;
                const unsigned long long latitude = std::strtoull(v.c_str(), &end, 10);
                if (v.empty() || v.find_first_not_of("0123456789") != std::string::npos || *end != '\0' ||
                    latitude == ULLONG_MAX)
                    return UsageError("--host-latitude takes a number from 0, not \"" + v + "\"");
                a->config.latitude = latitude;
            } else if (arg == "--fail-allocation") {
                if (!ParseNumber(v, 1, INT32_MAX, &n))
                    return UsageError("--fail-allocation takes a count from 1, not \"" + v + "\"");
                a->failAllocation = static_cast<int>(n);
            } else if (arg == "--documents") {
                if (!ParseNumber(v, 0, kDemoFirmMaxDocuments, &n))
                    return UsageError("--documents takes a number from 0 to " + std::to_string(kDemoFirmMaxDocuments));
                a->demo.documents = static_cast<int>(n);
            } else if (arg == "--seed") {
                if (!ParseNumber(v, 0, UINT32_MAX, &n))
                    return UsageError("--seed takes a whole number");
                a->demo.seed = static_cast<unsigned>(n);
            } else {
                if (!ParseNumber(v, 1900, 9999, &n))
                    return UsageError("--year takes a year such as 2021");
                a->demo.year = static_cast<int>(n);
            }
        } else if (!arg.empty() && arg[0] == '-' && a->command.empty()) {
            return UsageError("unknown option " + arg);
        } else {
            a->command.push_back(arg);
        }
    }
    if (a->command.empty())
        return UsageError("no command given");
    // The plug-in is given paths as host text (Mazovia): a folder or file
    // name that it cannot hold is refused here, before anything is opened.
    std::vector<std::pair<const char*, const std::string*>> paths = {{"--dir", &a->config.dataDirectory},
                                                                     {"--firm", &a->config.firmPath}};
    for (const std::string& plugin : a->plugins)
        paths.emplace_back("--plugin", &plugin);
    for (const auto& [option, path] : paths) {
        std::string text, why;
        if (!PathAsHostText(*path, &text, &why))
            return UsageError(std::string(option) + " \"" + *path + "\" is refused: " + why);
    }
    return -1;
}

// The process's environment, which the plug-in's platform layer reads (on
// Windows the system's block, which the C library's copy does not see).
void SetVariable(const char* name, const char* value)
{
#ifdef _WIN32
    SetProcessVariable(name, value);
#else
    setenv(name, value, 1);
#endif
}

std::string DefaultPluginFolder(const char* argv0)
{
    std::error_code ec;
#ifdef _WIN32
    std::filesystem::path self = SystemPath(ProgramFilePath());
    if (self.empty())
        self = std::filesystem::absolute(SystemPath(argv0), ec);
#else
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = std::filesystem::absolute(SystemPath(argv0), ec);
#endif
    return Utf8Path(self.parent_path() / "plugins");
}

int LoadPlugins(const Arguments& a, const char* argv0)
{
    std::vector<std::string> files = a.plugins;
    if (files.empty()) {
        const std::string folder = DefaultPluginFolder(argv0);
        files = HostPluginFilesIn(folder);
        if (files.empty()) {
            std::fprintf(stderr, "tomiva: no plug-in found in %s (give one with --plugin FILE)\n", folder.c_str());
            return kExitPlugin;
        }
    }
    for (const std::string& file : files) {
        std::string error;
        if (!HostLoadPlugin(file, &error)) {
            std::fprintf(stderr, "tomiva: %s\n", error.c_str());
            return kExitPlugin;
        }
    }
    return kExitOk;
}

int DemoFirm(const Arguments& a)
{
    if (a.command.size() != 2)
        return UsageError("demo-firm takes one file name");
    std::string error;
    if (!WriteDemoFirm(a.command[1], a.demo, &error)) {
        std::fprintf(stderr, "tomiva: %s\n", error.c_str());
        return kExitFirm;
    }
    std::printf("demo firm written: %s (%d documents, year %d)\n", a.command[1].c_str(), a.demo.documents,
                a.demo.year);
    return kExitOk;
}

int NewFirm(const Arguments& a)
{
    if (a.command.size() != 2)
        return UsageError("new-firm takes one file name");
    const std::string& path = a.command[1];
    std::error_code ec;
    if (std::filesystem::exists(SystemPath(path), ec)) {
        std::fprintf(stderr, "tomiva: %s exists already; a new firm needs a new file\n", path.c_str());
        return kExitFirm;
    }
    sqlite3* db = nullptr;
    char* message = nullptr;
    const bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, kFirmSchemaSql, nullptr, nullptr, &message) == SQLITE_OK;
    if (!ok)
        std::fprintf(stderr, "tomiva: cannot write %s: %s\n", path.c_str(),
                     message != nullptr ? message : sqlite3_errmsg(db));
    sqlite3_free(message);
    sqlite3_close(db);
    if (!ok) {
        std::filesystem::remove(SystemPath(path), ec);
        return kExitFirm;
    }
    std::printf("empty firm written: %s\n", path.c_str());
    return kExitOk;
}

#ifdef TOMIVA_WITH_VERIFY
int ExitOfVerify(VerifyStatus status)
{
    switch (status) {
    case VerifyStatus::Agrees: return kExitOk;
    case VerifyStatus::FirmUnreadable: return kExitFirm;
    case VerifyStatus::PeriodUnknown:
    case VerifyStatus::NotAFile: return kExitUsage;
    case VerifyStatus::OwnFailure: return kExitHostFailed;
    case VerifyStatus::Invalid:
    case VerifyStatus::Disagrees: break;
    }
    return kExitVerify;
}

bool ParseScope(const std::string& text, Scope* scope)
{
    *scope = Scope{};
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string kind = text.substr(start, end - start);
        if (kind == "invoices")
            scope->invoices = true;
        else if (kind == "corrections")
            scope->corrections = true;
        else
            return false;
        start = end + 1;
    }
    return true;
}

// verify FILE: the file against the schema and, with a firm, reconciled
// with the firm; the report on standard output.
int Verify(const Arguments& a)
{
    if (a.command.size() != 2)
        return UsageError("verify takes one export file");
    VerifyRequest request;
    request.file = a.command[1];
    request.firm = a.config.firmPath;
    if (KindOfPath(request.file) == PathKind::Missing)
        return UsageError("no export file " + request.file);
    if (a.from.empty() != a.to.empty())
        return UsageError("--from and --to go together");
    for (const std::string* date : {&a.from, &a.to})
        if (!date->empty() && !IsCalendarDate(*date))
            return UsageError("\"" + *date + "\" is not a real date in the form YYYY-MM-DD");
    if (!a.from.empty() && a.to < a.from)
        return UsageError("the period ends (--to " + a.to + ") before it begins (--from " + a.from + ")");
    if ((!a.from.empty() || !a.scope.empty()) && request.firm.empty())
        return UsageError("--from, --to and --scope say what to reconcile with the firm: give it with --firm FILE");
    request.from = a.from;
    request.to = a.to;
    if (!a.scope.empty()) {
        Scope scope;
        if (!ParseScope(a.scope, &scope))
            return UsageError("--scope takes invoices, corrections or invoices,corrections");
        request.scope = scope;
    }
    // The firm must pass the host's own check, as it must for an export.
    if (!request.firm.empty()) {
        std::string error;
        if (!FirmDatabaseOpen(request.firm, &error)) {
            std::fprintf(stderr, "tomiva: the firm database is refused:\n%s\n", error.c_str());
            return kExitFirm;
        }
        FirmDatabaseClose();
    }
    // A shortage tried by --fail-allocation: the N-th block verify asks for.
    if (a.failAllocation > 0)
        ArmVerifyAllocationFailure(a.failAllocation);
    const VerifyOutcome outcome = VerifyExport(request);
    PrintVerifyReport(stdout, outcome);
    std::fflush(stdout);
    if (outcome.status == VerifyStatus::PeriodUnknown || outcome.status == VerifyStatus::FirmUnreadable ||
        outcome.status == VerifyStatus::NotAFile || outcome.status == VerifyStatus::OwnFailure)
        std::fprintf(stderr, "tomiva: %s\n", outcome.error.c_str());
    return ExitOfVerify(outcome.status);
}

// After a batch run: every export file (qPX_*.xml) it wrote checked against
// the schema and, when the run also wrote its settings file (the options it
// exported with), reconciled with the firm for that period and those kinds.
int VerifyWrittenFiles(const Arguments& a, const std::vector<std::string>& written)
{
    std::vector<std::string> exports;
    std::string settingsFile;
    for (const std::string& file : written) {
        const std::filesystem::path path = SystemPath(file);
        if (path.filename() == kExportSettingsFileName)
            settingsFile = file;
        else if (path.filename().string().rfind("qPX_", 0) == 0 && path.extension() == ".xml" &&
                 std::find(exports.begin(), exports.end(), file) == exports.end())
            exports.push_back(file);
    }
    if (exports.empty())
        return kExitOk;

    VerifyRequest request;
    std::string unknown;
    ExportSettings settings;
    bool ownFailure = false;
    SettingsReading settingsRead = SettingsReading::Unusable;
    if (settingsFile.empty())
        unknown = "the run wrote no settings file, so its period and kinds are not known";
    else if ((settingsRead = ReadExportSettings(settingsFile, &settings, &unknown)) != SettingsReading::Read) {
        if (settingsRead == SettingsReading::Unreadable) {
            std::fprintf(stderr, "tomiva: %s\n", unknown.c_str());
            ownFailure = true;
        }
        unknown = "the run's period and kinds are not known: " + unknown;
    } else {
        request.firm = a.config.firmPath;
        request.from = settings.period.from;
        request.to = settings.period.to;
        request.scope = settings.scope;
    }

    int status = kExitOk;
    for (const std::string& file : exports) {
        request.file = file;
        const VerifyOutcome outcome = VerifyExport(request);
        PrintVerifyBrief(stdout, outcome);
        if (outcome.status == VerifyStatus::Agrees && !unknown.empty())
            std::printf("  not reconciled with the firm: %s\n", unknown.c_str());
        if (outcome.status == VerifyStatus::OwnFailure || outcome.status == VerifyStatus::NotAFile) {
            std::fprintf(stderr, "tomiva: %s\n", outcome.error.c_str());
            ownFailure = true;
        } else if (outcome.status == VerifyStatus::FirmUnreadable) {
            std::fprintf(stderr, "tomiva: %s\n", outcome.error.c_str());
            ownFailure = true;
        } else if (outcome.status != VerifyStatus::Agrees) {
            status = kExitVerify;
        }
    }
    std::fflush(stdout);
    // Verify's own failure says nothing of the file: it is the host's.
    return ownFailure ? kExitHostFailed : status;
}
#endif

// What the plug-in left behind when its command returned, the host releases
// (the blocks when it stops, the files now); a script sees it here.
void TellWhatThePlugInLeft()
{
    if (const long blocks = HostLiveBlocks(); blocks > 0)
        std::fprintf(stderr, "tomiva: the plug-in left %ld memory blocks; the host releases them\n", blocks);
    if (const int files = HostOpenFileCount(); files > 0)
        std::fprintf(stderr, "tomiva: the plug-in left %d files open; the host closes them\n", files);
}

// What the command came to, after it ran: the files it wrote that are
// complete are listed (and handed back in *complete), every failure the host
// recorded is named, and the exit status tells the first kind that applies.
int CommandStatus(bool listWritten, std::vector<std::string>* complete)
{
    const std::vector<std::string> written = HostFinishCommand();
    if (listWritten)
        for (const std::string& file : written)
            std::printf("written: %s\n", file.c_str());
    if (complete != nullptr)
        *complete = written;
    for (const HostFailure& failure : HostState().failures)
        std::fprintf(stderr, "tomiva: the command failed: %s\n", failure.text.c_str());
    // A broken promise of the plug-in's comes first: nothing it did after can
    // be trusted.
    if (HostFailedWith(HostFailureKind::ContractBroken))
        return kExitContractBroken;
    if (HostDialogRefused())
        return kExitDialog;
    static constexpr struct {
        HostFailureKind kind;
        ExitCode status;
    } kStatusOfFailure[] = {
        {HostFailureKind::EntryMissing, kExitEntryMissing},
        {HostFailureKind::HostFailed, kExitHostFailed},
        {HostFailureKind::PluginReported, kExitPluginReported},
        {HostFailureKind::FileIncomplete, kExitFileIncomplete},
    };
    for (const auto& row : kStatusOfFailure)
        if (HostFailedWith(row.kind))
            return row.status;
    return kExitOk;
}

int RunOrList(const Arguments& a, const char* argv0)
{
    const bool run = a.command[0] == "run";
    if (run && a.command.size() != 2)
        return UsageError("run takes one menu entry, e.g. run \"Eksport Ventalor (txt)\"");
    if (!run && a.command.size() != 1)
        return UsageError("plugins takes no arguments");
    if (run && a.config.firmPath.empty())
        return UsageError("run needs a firm database (--firm FILE)");

    // The plug-in's platform layer reads them from the environment.
    if (!a.promptAnswers.empty())
        SetVariable(kPromptAnswersVariable, a.promptAnswers.c_str());
    for (int number : a.withheld)
        HostWithholdEntry(number);

    std::string error;
    if (!HostStart(a.config, &error)) {
        std::fprintf(stderr, "tomiva: the host cannot start:\n%s\n", error.c_str());
        return kExitFirm;
    }
    int status = kExitOk;
    // What the run wrote complete, for its check once the host has let go
    // of the firm.
    std::vector<std::string> written;
    try {
        status = LoadPlugins(a, argv0);
        if (status == kExitOk && !run) {
            for (const HostMenuEntry& e : HostMenuEntries())
                std::printf("%s\t(%s)\n", e.name.c_str(), e.module.c_str());
            status = CommandStatus(false, nullptr);
        } else if (status == kExitOk) {
            const long allocationsBefore = HostAllocationCount();
            HostFailAllocation(a.failAllocation);
            if (!HostRunMenuEntry(a.command[1])) {
                std::fprintf(stderr, "tomiva: no menu entry \"%s\"; the plug-ins registered:\n", a.command[1].c_str());
                for (const HostMenuEntry& e : HostMenuEntries())
                    std::fprintf(stderr, "  %s\n", e.name.c_str());
                status = kExitEntry;
            } else {
                TellWhatThePlugInLeft();
                status = CommandStatus(true, &written);
            }
            HostFailAllocation(0);
            // A sweep over N ends where N was never reached.
            if (a.failAllocation > 0 && HostAllocationCount() - allocationsBefore < a.failAllocation)
                std::fprintf(stderr, "tomiva: --fail-allocation %d was not reached: %ld allocations\n",
                             a.failAllocation, HostAllocationCount() - allocationsBefore);
        }
    } catch (const std::bad_alloc&) {
        // Outside every entry: the program's own steps around the command.
        std::fputs("tomiva: memory ran short\n", stderr);
        status = kExitHostFailed;
    }
    const bool checkWritten = run && status == kExitOk && HostState().batch && !a.noVerify;
    HostUnloadPlugins();
    HostStop();
#ifdef TOMIVA_WITH_VERIFY
    if (checkWritten)
        status = VerifyWrittenFiles(a, written);
#else
    (void)checkWritten;
#endif
    return status;
}

int Command(int argc, char** argv)
{
    Arguments a;
    const int parsed = Parse(argc, argv, &a);
    if (parsed >= 0)
        return parsed;
    const std::string& command = a.command[0];
    if (command == "new-firm")
        return NewFirm(a);
    if (command == "demo-firm")
        return DemoFirm(a);
    if (command != "verify" && (!a.from.empty() || !a.to.empty() || !a.scope.empty()))
        return UsageError("--from, --to and --scope go with verify");
    if (command == "run" || command == "plugins")
        return RunOrList(a, argv[0]);
    if (command == "verify") {
#ifdef TOMIVA_WITH_VERIFY
        return Verify(a);
#else
        std::fprintf(stderr, "tomiva: verify is not available in this build (it has no XML library); use the "
                             "native tomiva\n");
        return kExitUsage;
#endif
    }
    return UsageError("unknown command \"" + command + "\"");
}

} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    Utf8CommandLine commandLine;
    if (commandLine.valid()) {
        argc = commandLine.argc();
        argv = commandLine.argv();
    }
    UseUtf8Console();
#endif
    std::string why;
    if (!ArmProgramAllocationFailure(&why)) {
        std::fprintf(stderr, "tomiva: %s\n(tomiva --help tells more)\n", why.c_str());
        return kExitUsage;
    }
    int status;
    try {
        status = Command(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("tomiva: memory ran short\n", stderr);
        status = kExitHostFailed;
    }
    TellUnreachedAllocationFailure();
    return status;
}
