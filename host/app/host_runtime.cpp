// Start and stop of the replacement host: the session's settings (data
// directory, today, batch) and the firm database behind the tables.
#include "host/app/host_runtime.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "host/firm/firm_database.h"
#include "host/services/host_state.h"

HostSession& HostState()
{
    static HostSession session;
    return session;
}

namespace {

// "YYYY-MM-DD" of a real calendar date to host date text.
bool ConfigDateToHost(const std::string& text, std::string* hostDate)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    const std::string digits = text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2);
    int y, m, d;
    if (!HostParseDate(digits.c_str(), &y, &m, &d))
        return false;
    *hostDate = digits;
    return true;
}

} // namespace

std::string HostSystemDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char slot[9];
    HostFormatDate(slot, local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return slot;
}

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
    if (config.today.empty())
        today = HostSystemDate();
    else if (!ConfigDateToHost(config.today, &today))
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
        if (error != nullptr)
            *error = problems;
        return false;
    }

    state.dataDirectory = directory;
    state.today = today;
    // Nobody can answer at a terminal that is not there.
    state.batch = config.batch || isatty(STDIN_FILENO) == 0;
    state.dialogAnswers = config.dialogAnswers;
    state.dialogCancel = config.dialogCancel;
    state.dialogRefused = false;
    state.filesWritten.clear();
    state.running = true;
    return true;
}

bool HostDialogRefused() { return HostState().dialogRefused; }

void HostStop()
{
    HostSession& state = HostState();
    if (!state.running)
        return;
    HostProgressReset();
    HostCloseAllFiles();
    FirmDatabaseClose();
    state = HostSession{};
}
