// tomiva run ENTRY and tomiva plugins: a session of the host over the firm,
// the plug-ins loaded, the menu entry run or the entries listed, what the
// command came to told as the exit status; after a batch run its export
// files checked.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "contract/host_protocol.h"
#include "host/app/host_runtime.h"
#include "host/app/tomiva_commands.h"
#include "host/common/system_path.h"
#include "host/module/host_exports.h"
#include "host/plugins/plugin_registry.h"
#include "host/services/host_failures.h"
#include "host/services/host_files.h"
#include "host/services/host_memory.h"
#include "host/services/host_session.h"
#ifdef _WIN32
#include "host/app/program_windows.h"
#endif
#ifdef TOMIVA_WITH_VERIFY
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

#ifdef TOMIVA_WITH_VERIFY
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

} // namespace

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

