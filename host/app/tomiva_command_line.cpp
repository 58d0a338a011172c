// tomiva's command line: one table of options gives the parser and the usage
// text, so that an option, its value and its help are written once.
#include "host/app/tomiva_command_line.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "host/common/mazovia.h"

namespace {

// The verify command and the check of a batch run's files need libxml2,
// which the Windows build of the host does not have: there the usage says
// nothing of them (their options are still taken, and verify says it is not
// available).
#ifdef TOMIVA_WITH_VERIFY
#define TOMIVA_VERIFY_HELP(text) text
#else
#define TOMIVA_VERIFY_HELP(text) nullptr
#endif

// The commands as the usage lists them; tomiva_main.cpp dispatches them.
struct CommandHelp {
    const char* synopsis;
    const char* help; // lines, "\n" between them; null: not in this build
};
constexpr CommandHelp kCommands[] = {
#ifdef TOMIVA_WITH_VERIFY
    {"run ENTRY", "run the menu entry with that name, e.g. run \"Eksport Ventalor (txt)\"\n"
                  "(in batch mode every export file the run wrote is then\n"
                  "verified, see verify: against the schema, and against\n"
                  "the firm for the period and kinds that the run's\n"
                  "settings file a_mas.cfg holds)"},
#else
    {"run ENTRY", "run the menu entry with that name, e.g. run \"Eksport Ventalor (txt)\""},
#endif
    {"plugins", "list the menu entries that the plug-ins registered"},
    {"new-firm FILE", "write an empty firm database to FILE (a new file), to be\n"
                      "filled with the sqlite3 shell or a CSV import"},
    {"demo-firm FILE", "write a demo firm database to FILE (a new file)"},
    {"verify FILE", TOMIVA_VERIFY_HELP("check an export file (qPX_YYYY-MM-DD.xml): valid against\n"
                                       "the schema of the export format and, with --firm, every\n"
                                       "document of the period and kinds present once with the\n"
                                       "firm's net and VAT per rate and class, every contractor\n"
                                       "with the firm's name, tax number and address; prints a\n"
                                       "summary per month and rate, the warnings and mismatches")},
};

// What taking an option does; returns -1 to go on, else the exit status.
using TakeOption = int (*)(Arguments* a, const std::string& value);
constexpr int kGoOn = -1;

struct Option {
    const char* name;    // "--firm"
    const char* alias;   // another spelling ("-h"), or null
    const char* value;   // what the value is called ("FILE"); null for a switch
    const char* command; // the command it goes with (listed under it); null: any
    const char* help;    // lines, "\n" between them; null: not in this build's usage
    TakeOption take;
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

void PrintUsage();

// The options in the order of the usage text.
const Option kOptions[] = {
    {"--documents", nullptr, "N", "demo-firm", "purchase documents to generate (default 400)",
     [](Arguments* a, const std::string& v) {
         long long n = 0;
         if (!ParseNumber(v, 0, kDemoFirmMaxDocuments, &n))
             return UsageError("--documents takes a number from 0 to " + std::to_string(kDemoFirmMaxDocuments));
         a->demo.documents = static_cast<int>(n);
         return kGoOn;
     }},
    {"--seed", nullptr, "S", "demo-firm", "seed of the generator (default 1)",
     [](Arguments* a, const std::string& v) {
         long long n = 0;
         if (!ParseNumber(v, 0, UINT32_MAX, &n))
             return UsageError("--seed takes a whole number");
         a->demo.seed = static_cast<unsigned>(n);
         return kGoOn;
     }},
    {"--year", nullptr, "YYYY", "demo-firm", "year of the documents (default 2021)",
     [](Arguments* a, const std::string& v) {
         long long n = 0;
         if (!ParseNumber(v, 1900, 9999, &n))
             return UsageError("--year takes a year such as 2021");
         a->demo.year = static_cast<int>(n);
         return kGoOn;
     }},
    {"--from", nullptr, "YYYY-MM-DD", "verify", TOMIVA_VERIFY_HELP("first day of the export's period; with --to"),
     [](Arguments* a, const std::string& v) {
         a->from = v;
         return kGoOn;
     }},
    {"--to", nullptr, "YYYY-MM-DD", "verify",
     TOMIVA_VERIFY_HELP("last day (default for both: the month that the\n"
                        "documents' MIESIAC and ROK name)"),
     [](Arguments* a, const std::string& v) {
         a->to = v;
         return kGoOn;
     }},
    {"--scope", nullptr, "KINDS", "verify",
     TOMIVA_VERIFY_HELP("invoices, corrections or invoices,corrections (default:\n"
                        "the kinds of the documents in the file)"),
     [](Arguments* a, const std::string& v) {
         a->scope = v;
         return kGoOn;
     }},
#ifdef TOMIVA_WITH_VERIFY
    {"--firm", nullptr, "FILE", nullptr, "the firm database (needed by run; verify reconciles\n"
                                         "an export file with it)",
#else
    {"--firm", nullptr, "FILE", nullptr, "the firm database (needed by run)",
#endif
     [](Arguments* a, const std::string& v) {
         a->config.firmPath = v;
         return kGoOn;
     }},
    {"--dir", nullptr, "DIR", nullptr,
     "the firm's data directory: settings files, INI files and\n"
     "export files live there (default: the current directory)\n"
     "(the plug-in is given paths in the host's Polish text,\n"
     "Mazovia: a --dir, --firm or --plugin name with a\n"
     "character it lacks, such as €, is refused, exit 1)",
     [](Arguments* a, const std::string& v) {
         a->config.dataDirectory = v;
         return kGoOn;
     }},
    {"--today", nullptr, "YYYY-MM-DD", nullptr, "the date the host reports as today (default: the system's)",
     [](Arguments* a, const std::string& v) {
         a->config.today = v;
         return kGoOn;
     }},
    {"--plugin", nullptr, "FILE", nullptr,
     "load this plug-in module (repeatable); without it every\n"
     "plug-in in the folder \"plugins\" next to tomiva is loaded",
     [](Arguments* a, const std::string& v) {
         a->plugins.push_back(v);
         return kGoOn;
     }},
    {"--batch", nullptr, nullptr, nullptr,
     "nobody at the terminal: dialogs take their scripted\n"
     "answers and are confirmed with OK, messages are printed;\n"
     "also the mode whenever standard input is not a terminal",
     [](Arguments* a, const std::string&) {
         a->config.batch = true;
         return kGoOn;
     }},
    {"--answer", nullptr, "CONTROL=VALUE", nullptr,
     "a scripted answer for the dialog (repeatable, in order);\n"
     "CONTROL is the caption before an input or a check box's\n"
     "text (without \"~\" and a trailing \":\"), or the control's\n"
     "number in the dialog; dates as YYYY-MM-DD, check boxes 1/0",
     [](Arguments* a, const std::string& v) {
         a->config.dialogAnswers.push_back(v);
         return kGoOn;
     }},
    {"--cancel", nullptr, nullptr, nullptr, "batch: close the dialog with Cancel instead of OK",
     [](Arguments* a, const std::string&) {
         a->config.dialogCancel = true;
         return kGoOn;
     }},
    {"--prompt-answers", nullptr, "LIST", nullptr,
     "answers to \"missing host entry\" prompts in batch mode, a\n"
     "comma list of abort, retry and ignore, one per prompt\n"
     "(more prompts than answers: abort)",
     [](Arguments* a, const std::string& v) {
         a->promptAnswers = v;
         return kGoOn;
     }},
    {"--withhold", nullptr, "NUMBER", nullptr,
     "withhold this host entry from the plug-ins (repeatable;\n"
     "for trying the missing-entry prompt)",
     [](Arguments* a, const std::string& v) {
         long long n = 0;
         if (!ParseNumber(v, 1, 65535, &n))
             return UsageError("--withhold takes an entry number, not \"" + v + "\"");
         a->withheld.push_back(static_cast<int>(n));
         return kGoOn;
     }},
    {"--no-verify", nullptr, nullptr, nullptr, TOMIVA_VERIFY_HELP("run: leave the files of a batch run unverified"),
     [](Arguments* a, const std::string&) {
         a->noVerify = true;
         return kGoOn;
     }},
    {"--fail-allocation", nullptr, "N", nullptr,
     "refuse the N-th block of memory that the command asks\n"
     "the host for (for trying how it copes with a shortage)",
     [](Arguments* a, const std::string& v) {
         long long n = 0;
         if (!ParseNumber(v, 1, INT32_MAX, &n))
             return UsageError("--fail-allocation takes a count from 1, not \"" + v + "\"");
         a->failAllocation = static_cast<int>(n);
         return kGoOn;
     }},
    {"--host-latitude", nullptr, "N", nullptr,
     "run: a host that answers the plug-in in other ways that\n"
     "the contract of its entries allows, and checks that the\n"
     "plug-in keeps its promises (exit 11 when it does not);\n"
     "N mod 4096 picks the variations, 1 bare file names kept\n"
     "in the folder tomiva-bare-names of the data directory,\n"
     "2 VAT lines not in use left out, 4 other values where\n"
     "results are not promised, 8 memory and buffers filled\n"
     "with a pattern, and the bits from 16 on as\n"
     "docs/latitude.md lists them, added up (0: all of them);\n"
     "N seeds the values.  0 or absent: the plain host",
     [](Arguments* a, const std::string& v) {
         // Digits only: strtoull would take a sign or blanks.
         char* end = nullptr;
         const unsigned long long latitude = std::strtoull(v.c_str(), &end, 10);
         if (v.empty() || v.find_first_not_of("0123456789") != std::string::npos || *end != '\0' ||
             latitude == ULLONG_MAX)
             return UsageError("--host-latitude takes a number from 0, not \"" + v + "\"");
         a->config.latitude = latitude;
         return kGoOn;
     }},
    {"--version", nullptr, nullptr, nullptr, "the version of tomiva and of the plug-in it comes with",
     [](Arguments*, const std::string&) {
         std::printf("tomiva (ExportFKVentalor) %s\n", TOMIVA_VERSION);
         return static_cast<int>(kExitOk);
     }},
    {"--help", "-h", nullptr, nullptr, "this text",
     [](Arguments*, const std::string&) {
         PrintUsage();
         return static_cast<int>(kExitOk);
     }},
};

// The exit statuses, each once.  Of a command that failed in more than one
// way, the status is the first of its failures in the order of
// CommandStatus (tomiva_main.cpp).
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
    {kExitDialog, "the dialog was refused: its scripted answers or values (its own\n"
                  "checks), or a dialog that could not be shown; the command ran nothing"},
    {kExitEntryMissing, "the plug-in asked for a host entry that this host lacks: the command\n"
                        "was abandoned, or went on with a stand-in answer after Ignore"},
    {kExitHostFailed, "the host failed the command: a read of the firm database failed (an\n"
                      "SQLite error, a damaged file) or memory ran short; the files the\n"
                      "plug-in was writing then are removed"},
    {kExitPluginReported, "the plug-in reported a failure in the host's error notice (an export\n"
                          "it could not write whole: it kept the earlier file; a period left\n"
                          "empty: the options saved, no run)"},
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

constexpr char kUsageHead[] =
    "usage: tomiva [OPTIONS] COMMAND\n"
    "\n"
    "Runs the plug-ins of the host over a firm database (a SQLite file).\n"
    "\n"
    "Commands:\n";
constexpr char kUsageTail[] =
    "\n"
    "Environment (for the tests of a shortage of the host's own memory):\n"
    "  TOMIVA_FAIL_PROGRAM_ALLOC=N\n"
    "                       the N-th allocation of tomiva itself fails (operator new\n"
    "                       throws, SQLite gets no memory), counted from the start\n"
    "\n"
    "Exit status (of a command that failed in more than one way, the first that\n"
    "applies in this order, but 11 first; each failure is also named on standard\n"
    "error):\n";

// One entry of the usage: the term indented by `indent`, its help from
// column `column` on the same line when the term leaves room, else on the
// next, each further line of the help indented to that column.
void PrintTerm(const std::string& term, const char* help, int indent, int column)
{
    const int width = column - indent - 1;
    if (static_cast<int>(term.size()) <= width - 1)
        std::printf("%*s%-*s ", indent, "", width, term.c_str());
    else
        std::printf("%*s%s\n%*s", indent, "", term.c_str(), column, "");
    for (const char* c = help; *c != '\0'; ++c) {
        std::putchar(*c);
        if (*c == '\n')
            std::printf("%*s", column, "");
    }
    std::putchar('\n');
}

std::string TermOf(const Option& o)
{
    std::string term = o.alias != nullptr ? std::string(o.alias) + ", " + o.name : std::string(o.name);
    if (o.value != nullptr)
        term += std::string(" ") + o.value;
    return term;
}

void PrintUsage()
{
    std::fputs(kUsageHead, stdout);
    for (const CommandHelp& command : kCommands) {
        if (command.help == nullptr)
            continue;
        PrintTerm(command.synopsis, command.help, 2, 23);
        const std::string synopsis = command.synopsis;
        const std::string name = synopsis.substr(0, synopsis.find(' '));
        for (const Option& o : kOptions)
            if (o.help != nullptr && o.command != nullptr && name == o.command)
                PrintTerm(TermOf(o), o.help, 6, 25);
    }
    std::fputs("\nOptions:\n", stdout);
    for (const Option& o : kOptions)
        if (o.help != nullptr && o.command == nullptr)
            PrintTerm(TermOf(o), o.help, 2, 23);
    std::fputs(kUsageTail, stdout);
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

const Option* FindOption(const std::string& arg)
{
    for (const Option& o : kOptions)
        if (arg == o.name || (o.alias != nullptr && arg == o.alias))
            return &o;
    return nullptr;
}

} // namespace

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "tomiva: %s\n(tomiva --help tells more)\n", message.c_str());
    return kExitUsage;
}

int Parse(int argc, char** argv, Arguments* a)
{
    a->config.batch = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (const Option* o = FindOption(arg)) {
            std::string v;
            if (o->value != nullptr) {
                if (i + 1 >= argc)
                    return UsageError(arg + " needs a value");
                v = argv[++i];
            }
            if (const int status = o->take(a, v); status != kGoOn)
                return status;
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
    return kGoOn;
}
