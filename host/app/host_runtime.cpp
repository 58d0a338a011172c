// Start and stop of the replacement host: the session's settings (data
// directory, today, batch) and the firm database behind the tables.
#include "host/app/host_runtime.h"

#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <system_error>

#include "contract/host_records.h"
#include "host/common/error_text.h"
#include "host/common/host_date.h"
#include "host/app/written_check.h"
#include "host/app/written_files.h"
#include "host/firm/firm_database.h"
#include "host/services/host_dates.h"
#include "host/services/host_failures.h"
#include "host/services/host_files.h"
#include "host/services/host_progress.h"
#include "host/services/host_session.h"

namespace {

// The data directory as the session started, to tell what a command wrote.
DirectorySnapshot& StartingFiles()
{
    static DirectorySnapshot files;
    return files;
}

// The files the plug-in writes are checked as they are written.
constexpr WrittenFileWatch kWrittenFileWatch{&FollowWrittenFile, &WrittenFileClosed};

bool IsXmlFile(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".xml";
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
    std::error_code ec;
    if (!std::filesystem::is_directory(directory, ec))
        offence("data directory \"" + directory + "\" does not exist or is not a directory");
    else if (directory.size() > kHostMaxDataDirectory)
        offence("data directory \"" + directory + "\" is longer than " + std::to_string(kHostMaxDataDirectory) +
                " characters");

    // Without a firm the host still runs (to list plug-ins, say); its tables
    // then cannot be opened.
    if (problems.empty() && !config.firmPath.empty()) {
        std::string firmError;
        if (!FirmDatabaseOpen(config.firmPath, &firmError))
            offence(firmError.empty() ? "the firm database \"" + config.firmPath + "\" cannot be opened" : firmError);
    }
    if (!problems.empty()) {
        SetError(error, problems);
        return false;
    }

    state.dataDirectory = directory;
    state.today = today;
    // Nobody can answer at a terminal that is not there.
    state.batch = config.batch || isatty(STDIN_FILENO) == 0;
    state.dialogAnswers = config.dialogAnswers;
    state.dialogCancel = config.dialogCancel;
    state.dialogRefused = false;
    state.dialogsConfirmed.clear();
    state.filesWritten.clear();
    state.failures.clear();
    for (bool& kind : state.failed)
        kind = false;
    StartingFiles() = SnapshotOf(directory);
    state.running = true;
    HostReportFailuresToSession(true);
    HostWatchWrittenFiles(&kWrittenFileWatch);
    return true;
}

std::vector<std::string> HostFinishCommand()
{
    HostCloseAllFiles();
    HostMarkWithheldEntries();
    const HostSession& state = HostState();
    std::vector<std::string> complete;
    for (const std::string& path : FilesWrittenSince(StartingFiles(), state.dataDirectory, state.filesWritten)) {
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
    StartingFiles().clear();
    state = HostSession{};
}
