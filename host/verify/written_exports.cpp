// The check after a batch run (written_exports.h).
#include "host/verify/written_exports.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "contract/settings_record.h"
#include "host/common/system_path.h"
#include "host/verify/verify.h"
#include "host/verify/verify_report.h"

WrittenExports VerifyWrittenExports(const std::string& firmPath, const std::vector<std::string>& written)
{
    std::vector<std::string> exports;
    std::string settingsFile;
    for (const std::string& file : written) {
        const std::filesystem::path path = SystemPath(file);
        if (path.filename() == kSettingsFileName)
            settingsFile = file;
        else if (path.filename().string().rfind("qPX_", 0) == 0 && path.extension() == ".xml" &&
                 std::find(exports.begin(), exports.end(), file) == exports.end())
            exports.push_back(file);
    }
    if (exports.empty())
        return WrittenExports::Agree;

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
        request.firm = firmPath;
        request.from = settings.period.from;
        request.to = settings.period.to;
        request.scope = settings.scope;
    }

    WrittenExports status = WrittenExports::Agree;
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
            status = WrittenExports::Fail;
        }
    }
    std::fflush(stdout);
    // Verify's own failure says nothing of the file: it is the host's.
    return ownFailure ? WrittenExports::OwnFailure : status;
}
