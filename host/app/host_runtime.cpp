// Start and stop of the replacement host: the session's settings (data
// directory, today, batch) and the firm database behind the tables.
#include "host/app/host_runtime.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "contract/host_records.h"
#include "host/app/written_check.h"
#include "host/app/written_files.h"
#include "host/common/error_text.h"
#include "host/common/durable_file.h"
#include "host/common/host_date.h"
#include "host/common/system_path.h"
#include "host/firm/firm_database.h"
#include "host/module/host_exports.h"
#include "host/services/host_dates.h"
#include "host/services/host_failures.h"
#include "host/services/host_files.h"
#include "host/services/host_latitude.h"
#include "host/services/host_memory.h"
#include "host/services/host_progress.h"
#include "host/services/host_session.h"
#include "host/common/mazovia.h"

namespace {

// The files the plug-in writes are checked as they are written.
constexpr WrittenFileWatch kWrittenFileWatch{&FollowWrittenFile, &WrittenFileClosed};

bool IsXmlFile(const std::string& path)
{
    std::string extension = Utf8Path(SystemPath(path).extension());
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".xml";
}

// The names of the files a command of the export plug-in writes in the
// data directory, each also with an ending of its temporary names after it
// (".tmp", ".XXXXXXXX.tmp"); an export's name is the prefix and its date.
constexpr const char* kOutputNames[] = {"a_mas.cfg", "EksportFKVentalor.ini"};
constexpr const char kExportPrefix[] = "qPX_";

bool IsOutputName(const std::string& name)
{
    if (name.rfind(kExportPrefix, 0) == 0)
        return true;
    for (const char* output : kOutputNames) {
        const std::size_t n = std::char_traits<char>::length(output);
        std::string lower = name.substr(0, n);
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string wanted = output;
        for (char& c : wanted)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower == wanted && (name.size() == n || name[n] == '.'))
            return true;
    }
    return false;
}

// The file of the data directory, at a name a command writes, created,
// replaces or removes, that is the firm itself (by identity: a link or a
// second name of it too); "" when there is none.
std::string FirmAtOutputName(const std::string& directory, const FileIdentity& firm)
{
    for (const std::string& name : NamesInFolder(directory)) {
        const std::string path = Utf8Path(SystemPath(directory) / SystemPath(name));
        if (IsOutputName(name) && IdentityOfPath(path) == firm)
            return path;
    }
    return {};
}

// Lets go of the files the command wrote, and forgets them.
void ReleaseWrittenFiles()
{
    for (const HostSession::WrittenFile& file : HostState().filesWritten)
        ReleaseFile(file.hold);
    HostState().filesWritten.clear();
}

} // namespace

bool HostStart(const HostConfig& config, std::string* error)
{
    std::string problems;
    auto offence = [&problems](const std::string& line) {
        if (!problems.empty())
            problems += '\n';
        problems += line;
    };

    HostSession& state = HostState();
    if (state.running)
        offence("the host is already running; stop it first");

    std::string today;
    char configured[kHostDateWidth];
    if (config.today.empty())
        today = HostSystemDate();
    else if (IsoDateToHost(config.today, configured))
        today = configured;
    else
        offence("today \"" + config.today + "\" is not a real date in the form YYYY-MM-DD");

    // An empty directory means the current one, as when none is given.
    const std::string directory = config.dataDirectory.empty() ? std::string(".") : config.dataDirectory;
    // The plug-in is given the directory as host text: one it cannot hold is
    // refused, never handed on half converted.
    std::string directoryText, why;
    std::error_code ec;
    if (!PathAsHostText(directory, &directoryText, &why))
        offence("data directory \"" + directory + "\": " + why);
    else if (!std::filesystem::is_directory(SystemPath(directory), ec))
        offence("data directory \"" + directory + "\" does not exist or is not a directory");
    else if (directoryText.size() > kHostMaxDataDirectory)
        offence("data directory \"" + directory + "\" is longer than " + std::to_string(kHostMaxDataDirectory) +
                " characters");

    // The host with latitude keeps bare names in a folder of its own inside
    // the data directory, made here.
    std::string bareNames = directory;
    if (problems.empty()) {
        LatitudeConfigure(config.latitude);
        if (LatitudeHas(LatitudeVariation::BareNamesElsewhere)) {
            bareNames = Utf8Path(SystemPath(directory) / kLatitudeBareNameFolder);
            std::filesystem::create_directories(SystemPath(bareNames), ec);
            if (!std::filesystem::is_directory(SystemPath(bareNames), ec))
                offence("the folder of bare file names \"" + bareNames + "\" cannot be made");
        }
    }

    // Without a firm the host still runs (to list plug-ins, say); its tables
    // then cannot be opened.
    if (problems.empty() && !config.firmPath.empty()) {
        std::string firmError;
        if (!FirmDatabaseOpen(config.firmPath, &firmError))
            offence(firmError.empty() ? "the firm database \"" + config.firmPath + "\" cannot be opened" : firmError);
        // The firm is read, never written: it must not be at a name the
        // command writes, under any of its names.
        std::string clash = FirmAtOutputName(directory, IdentityOfPath(config.firmPath));
        if (clash.empty() && bareNames != directory)
            clash = FirmAtOutputName(bareNames, IdentityOfPath(config.firmPath));
        if (firmError.empty() && !clash.empty())
            offence("the firm database " + config.firmPath + " is the same file as " + clash +
                    ", which the command writes, replaces or removes; keep the firm under another name");
        if (!problems.empty())
            FirmDatabaseClose();
    }
    if (!problems.empty()) {
        LatitudeConfigure(0);
        SetError(error, problems);
        return false;
    }

    state.dataDirectory = directory;
    state.firm = config.firmPath.empty() ? FileIdentity{} : IdentityOfPath(config.firmPath);
    state.dataDirectoryText = directoryText;
    state.bareNameDirectory = bareNames;
    state.today = today;
    // Nobody can answer at a terminal that is not there.
    state.batch = config.batch || isatty(STDIN_FILENO) == 0;
    state.dialogAnswers = config.dialogAnswers;
    state.dialogCancel = config.dialogCancel;
    state.dialogRefused = false;
    state.dialogsConfirmed.clear();
    ReleaseWrittenFiles();
    state.failures.clear();
    for (bool& kind : state.failed)
        kind = false;
    state.running = true;
    HostReportFailuresToSession(true);
    HostWatchWrittenFiles(&kWrittenFileWatch);
    return true;
}

std::vector<std::string> HostFinishCommand()
{
    LatitudeCheckGuards("at the command's end");
    HostCloseAllFiles();
    HostMarkWithheldEntries();
    const HostSession& state = HostState();
    std::vector<std::string> complete;
    for (const std::string& path : WrittenFilesNow(state.filesWritten)) {
        const std::string problem = IsXmlFile(path) ? WrittenXmlProblem(path) : std::string();
        if (problem.empty())
            complete.push_back(path);
        else
            HostRecordFailure(HostFailureKind::FileIncomplete, path + " is not a whole XML document: " + problem);
    }
    return complete;
}

bool HostDialogRefused() { return HostState().dialogRefused; }

void HostStop()
{
    HostSession& state = HostState();
    if (!state.running)
        return;
    HostReportFailuresToSession(false);
    HostProgressReset();
    HostCloseAllFiles();
    HostWatchWrittenFiles(nullptr);
    StopFollowingWrittenFiles();
    HostReclaimBlocks();
    FirmDatabaseClose();
    ReleaseWrittenFiles();
    state = HostSession{};
    LatitudeConfigure(0);
}
