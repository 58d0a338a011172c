// tomiva: the replacement host on the command line.  It keeps a firm's
// tables in a SQLite file, loads plug-ins, lists their menu entries and runs
// one of them.  Here the command line is parsed (tomiva_command_line.cpp)
// and each command dispatched to the room that does it.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "contract/host_protocol.h"
#include "host/app/host_runtime.h"
#include "host/app/tomiva_allocation_switch.h"
#include "host/app/tomiva_command_line.h"
#include "host/common/system_path.h"
#include "host/firm/demo/demo_firm.h"
#include "host/firm/new_firm.h"
#include "host/module/host_exports.h"
#include "host/plugins/plugin_registry.h"
#include "host/services/host_files.h"
#include "host/services/host_memory.h"
#include "host/services/host_session.h"
#ifdef _WIN32
#include "host/app/program_windows.h"
#endif
#ifdef TOMIVA_WITH_VERIFY
#include "host/common/file_kind.h"
#include "host/common/host_date.h"
#include "host/firm/firm_database.h"
#include "host/verify/verify.h"
#include "host/verify/verify_report.h"
#include "host/verify/written_exports.h"
#endif

namespace {

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
    std::string error;
    if (!WriteNewFirm(a.command[1], &error)) {
        std::fprintf(stderr, "tomiva: %s\n", error.c_str());
        return kExitFirm;
    }
    std::printf("empty firm written: %s\n", a.command[1].c_str());
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

// After a batch run: its export files checked (host/verify/written_exports.h).
int VerifyWrittenFiles(const Arguments& a, const std::vector<std::string>& written)
{
    switch (VerifyWrittenExports(a.config.firmPath, written)) {
    case WrittenExports::Agree: return kExitOk;
    case WrittenExports::Fail: return kExitVerify;
    case WrittenExports::OwnFailure: break;
    }
    // Verify's own failure says nothing of the file: it is the host's.
    return kExitHostFailed;
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
