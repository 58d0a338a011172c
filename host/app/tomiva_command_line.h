// tomiva's command line: the exit statuses, the arguments of a command, and
// the one table of options from which both the parser and the usage text
// (--help) come.
#pragma once

#include <string>
#include <vector>

#include "host/app/host_runtime.h"
#include "host/firm/demo/demo_firm.h"

// The exit statuses; --help lists them with what each means (README.md has
// the same table).
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

// Parses the command line; returns -1 to go on, else the exit status (0 after
// --help or --version, which print their text).
int Parse(int argc, char** argv, Arguments* a);

// Says what is wrong on standard error and returns kExitUsage.
int UsageError(const std::string& message);
