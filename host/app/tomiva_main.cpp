// tomiva: the replacement host on the command line.  It keeps a firm's
// tables in a SQLite file, loads plug-ins, lists their menu entries and runs
// one of them.  Here the command line is parsed (tomiva_command_line.cpp)
// and each command dispatched to the file or room that does it: run and
// plugins (tomiva_run.cpp), verify (tomiva_verify.cpp over host/verify/),
// new-firm and demo-firm (host/firm/).
#include <cstdio>
#include <new>
#include <string>

#include "host/app/tomiva_allocation_switch.h"
#include "host/app/tomiva_command_line.h"
#include "host/app/tomiva_commands.h"
#include "host/firm/demo/demo_firm.h"
#include "host/firm/new_firm.h"
#ifdef _WIN32
#include "host/app/program_windows.h"
#endif

namespace {

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
        return VerifyCommand(a);
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
