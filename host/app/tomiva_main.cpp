// tomiva: the replacement host on the command line.  It keeps a firm's
// tables in a SQLite file, loads plug-ins, lists their menu entries and runs
// one of them.
#include <unistd.h>

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
#include "host/services/host_files.h"
#include "host/services/host_session.h"
#include "host/plugins/plugin_registry.h"
#ifdef _WIN32
#include "host/app/program_windows.h"
#endif

// ---------------------------------------------------------------------------
// Test switches: failing allocations.  TOMIVA_FAIL_PROGRAM_ALLOC=N makes the
// N-th allocation of the program itself fail, counted from the moment the
// switch is armed: operator new throws std::bad_alloc (the nothrow forms,
// which call it, give null) and SQLite's allocator returns null.
// TOMIVA_FAIL_HOST_ALLOC=N does the same for the host's allocation entries
// (host_memory.cpp).  Unarmed, nothing is counted.

namespace {

long g_programAllocations = 0;
long g_failProgramAllocation = 0; // the allocation that fails; 0 none
long g_failHostAllocation = 0;

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

// Arms the switches from the environment; SQLite's allocator is set before
// anything opens a database.  False (with the reason) for a value that is no
// positive number.
bool ArmAllocationFailures(std::string* why)
{
    auto number = [why](const char* name, long* value) {
        const char* text = std::getenv(name);
        if (text == nullptr || *text == '\0')
            return true;
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (*end != '\0' || n <= 0) {
            *why = std::string(name) + " takes a positive number, not \"" + text + "\"";
            return false;
        }
        *value = n;
        return true;
    };
    long program = 0, host = 0;
    if (!number("TOMIVA_FAIL_PROGRAM_ALLOC", &program) || !number("TOMIVA_FAIL_HOST_ALLOC", &host))
        return false;
    if (program != 0 && sqlite3_config(SQLITE_CONFIG_GETMALLOC, &g_sqliteDefault) == SQLITE_OK) {
        sqlite3_mem_methods counted = g_sqliteDefault;
        counted.xMalloc = &SqliteMalloc;
        counted.xRealloc = &SqliteRealloc;
        sqlite3_config(SQLITE_CONFIG_MALLOC, &counted);
    }
    g_failProgramAllocation = program;
    g_failHostAllocation = host;
    if (host != 0)
        HostFailAllocation(static_cast<int>(host)); // from the first call on
    return true;
}

// Says so when an armed switch never came to its allocation: a sweep over N
// ends there.
void TellUnreachedAllocationFailures()
{
    if (g_failProgramAllocation != 0 && g_programAllocations < g_failProgramAllocation)
        std::fprintf(stderr, "tomiva: TOMIVA_FAIL_PROGRAM_ALLOC=%ld was not reached: %ld allocations\n",
                     g_failProgramAllocation, g_programAllocations);
    if (g_failHostAllocation != 0 && HostAllocationCount() < g_failHostAllocation)
        std::fprintf(stderr, "tomiva: TOMIVA_FAIL_HOST_ALLOC=%ld was not reached: %ld allocations\n",
                     g_failHostAllocation, HostAllocationCount());
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
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {

enum ExitCode {
    kExitOk = 0,
    kExitUsage = 1,
    kExitFirm = 2,
    kExitPlugin = 3,
    kExitEntry = 4,
    kExitDialog = 5,
    kExitAbandoned = 6,
    kExitMemory = 7,
};

const char kUsage[] = R"USAGE(usage: tomiva [OPTIONS] COMMAND

Runs the plug-ins of the host over a firm database (a SQLite file).

Commands:
  run ENTRY            run the menu entry with that name, e.g. run "Eksport Ventalor (txt)"
  plugins              list the menu entries that the plug-ins registered
  new-firm FILE        write an empty firm database to FILE (a new file), to be
                       filled with the sqlite3 shell or a CSV import
  demo-firm FILE       write a demo firm database to FILE (a new file)
      --documents N      purchase documents to generate (default 400)
      --seed S           seed of the generator (default 1)
      --year YYYY        year of the documents (default 2021)

Options:
  --firm FILE          the firm database (needed by run)
  --dir DIR            the firm's data directory: settings files, INI files and
                       export files live there (default: the current directory)
  --today YYYY-MM-DD   the date the host reports as today (default: the system's)
  --plugin FILE        load this plug-in module (repeatable); without it every
                       plug-in in the folder "plugins" next to tomiva is loaded
  --batch              nobody at the terminal: dialogs take their scripted
                       answers and are confirmed with OK, messages are printed;
                       also the mode whenever standard input is not a terminal
  --answer CONTROL=VALUE
                       a scripted answer for the dialog (repeatable, in order);
                       CONTROL is the caption before an input or a check box's
                       text (without "~" and a trailing ":"), or the control's
                       number in the dialog; dates as YYYY-MM-DD, check boxes 1/0
  --cancel             batch: close the dialog with Cancel instead of OK
  --prompt-answers LIST
                       answers to "missing host entry" prompts in batch mode, a
                       comma list of abort, retry and ignore, one per prompt
                       (more prompts than answers: abort)
  --withhold NUMBER    withhold this host entry from the plug-ins (repeatable;
                       for trying the missing-entry prompt)
  -h, --help           this text

Exit status: 0 when the command ran; 1 bad usage; 2 the firm database was
refused; 3 a plug-in could not be loaded; 4 no such menu entry; 5 the dialog
refused its scripted answers; 6 the plug-in abandoned the command because a
host entry it needs is missing; 7 the host ran short of memory (the files
being written then were removed).

Test switches (environment variables, for the tests of memory shortage):
  TOMIVA_FAIL_HOST_ALLOC=N      the N-th call of the host's allocation entries
                                (HostAlloc, HostAllocClear, HostRealloc) fails
  TOMIVA_FAIL_PROGRAM_ALLOC=N   the N-th allocation of tomiva itself fails
                                (operator new throws, SQLite gets no memory)
  Both count from the start of the host; a run whose N-th allocation never
  came says so at its end.
)USAGE";

struct Arguments {
    HostConfig config;
    std::vector<std::string> plugins;
    std::vector<int> withheld;
    std::string promptAnswers;
    std::vector<std::string> command;
    DemoFirmOptions demo;
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
            std::fputs(kUsage, stdout);
            return kExitOk;
        } else if (arg == "--batch") {
            a->config.batch = true;
        } else if (arg == "--cancel") {
            a->config.dialogCancel = true;
        } else if (arg == "--firm" || arg == "--dir" || arg == "--today" || arg == "--plugin" || arg == "--answer" ||
                   arg == "--prompt-answers" || arg == "--withhold" || arg == "--documents" || arg == "--seed" ||
                   arg == "--year") {
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
    return -1;
}

// The process's environment, which the plug-in's platform layer shares
// (on Windows the system's block, which the C library's copy does not see).
void SetVariable(const char* name, const char* value)
{
#ifdef _WIN32
    SetProcessVariable(name, value);
#else
    if (value != nullptr)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

std::string Variable(const char* name)
{
#ifdef _WIN32
    return ProcessVariable(name);
#else
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
#endif
}

std::string DefaultPluginFolder(const char* argv0)
{
    std::error_code ec;
#ifdef _WIN32
    std::filesystem::path self = ProgramFilePath();
    if (self.empty())
        self = std::filesystem::absolute(argv0, ec);
#else
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = std::filesystem::absolute(argv0, ec);
#endif
    return (self.parent_path() / "plugins").string();
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
    if (std::filesystem::exists(path, ec)) {
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
        std::filesystem::remove(path, ec);
        return kExitFirm;
    }
    std::printf("empty firm written: %s\n", path.c_str());
    return kExitOk;
}

// The started host: the plug-ins loaded, then the list of their entries or
// the command run, and its outcome as the exit status.
int RunStarted(const Arguments& a, const char* argv0, bool run)
{
    int status = LoadPlugins(a, argv0);
    if (status != kExitOk)
        return status;
    if (!run) {
        for (const HostMenuEntry& e : HostMenuEntries())
            std::printf("%s\t(%s)\n", e.name.c_str(), e.module.c_str());
        return kExitOk;
    }
    SetVariable(kAbandonedEntryVariable, nullptr);
    if (!HostRunMenuEntry(a.command[1])) {
        std::fprintf(stderr, "tomiva: no menu entry \"%s\"; the plug-ins registered:\n", a.command[1].c_str());
        for (const HostMenuEntry& e : HostMenuEntries())
            std::fprintf(stderr, "  %s\n", e.name.c_str());
        return kExitEntry;
    }
    const HostSession& session = HostState();
    if (session.memoryShortages > 0 || session.internalFailures > 0) {
        // The user was told when it happened; the files being written then
        // are gone.
        std::fprintf(stderr, "tomiva: the command is incomplete: %s\n",
                     session.memoryShortages > 0 ? "the host ran short of memory" : "a host entry failed inside");
        return kExitMemory;
    }
    if (const std::string entry = Variable(kAbandonedEntryVariable); !entry.empty()) {
        // The plug-in told the user; the status tells a script.
        std::fprintf(stderr, "tomiva: the command was abandoned: host entry %s is missing\n", entry.c_str());
        return kExitAbandoned;
    }
    if (HostDialogRefused())
        return kExitDialog;
    std::error_code ec;
    for (const std::string& file : session.filesWritten)
        if (std::filesystem::exists(file, ec))
            std::printf("written: %s\n", file.c_str());
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
    try {
        status = RunStarted(a, argv0, run);
    } catch (const std::bad_alloc&) {
        // Outside every entry: the program's own steps around the command.
        std::fputs("tomiva: memory ran short\n", stderr);
        status = kExitMemory;
    }
    // What the plug-in left behind, the host releases; a script sees it here.
    if (const long blocks = HostLiveBlocks(); blocks > 0)
        std::fprintf(stderr, "tomiva: the plug-in left %ld memory blocks; the host releases them\n", blocks);
    if (const int files = HostOpenFileCount(); files > 0)
        std::fprintf(stderr, "tomiva: the plug-in left %d files open; the host closes them\n", files);
    HostUnloadPlugins();
    HostStop();
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
    if (command == "run" || command == "plugins")
        return RunOrList(a, argv[0]);
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
    if (!ArmAllocationFailures(&why))
        return UsageError(why);
    int status;
    try {
        status = Command(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("tomiva: memory ran short\n", stderr);
        status = kExitMemory;
    }
    TellUnreachedAllocationFailures();
    return status;
}
