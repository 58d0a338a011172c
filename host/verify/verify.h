// tomiva verify: an export file read and validated against the schema of the
// export format and, with a firm database, reconciled with the firm; and the
// check that tomiva run makes of what a batch run wrote.
#pragma once

#include <optional>
#include <string>

#include "host/verify/export_file.h"
#include "host/verify/file_summary.h"
#include "host/verify/firm_expectations.h"
#include "host/verify/reconcile.h"

struct VerifyRequest {
    std::string file;
    std::string firm;           // empty: the file alone
    std::string from, to;       // "YYYY-MM-DD", both or neither; neither: the month of MIESIAC/ROK
    std::optional<Scope> scope; // none: the kinds of the file's documents
};

enum class VerifyStatus {
    Agrees,         // valid against the schema and, with a firm, agrees with it
    Invalid,        // not well-formed XML, or not valid against the schema
    Disagrees,      // valid, but the firm says otherwise
    FirmUnreadable, // the firm database could not be read
    PeriodUnknown,  // no dates given, and the file names no one month
    NotAFile,       // the path names no file (nothing, a folder, a FIFO, a device)
    OwnFailure,     // verify itself failed: an input or output error, memory refused
};

struct VerifyOutcome {
    VerifyStatus status = VerifyStatus::Invalid;
    std::string file, firm;
    FileReading reading;            // valid, or the problems
    FileSummary summary;            // what the file holds
    bool reconciled = false;        // a firm was given and the file was valid
    ReconcileContext context;       // when reconciled
    Reconciliation reconciliation;  // mismatches when reconciled; warnings always
    std::string error;              // why the firm was unreadable, the period unknown, verify failed
};

// Reads the file once, comparing it with the firm as it goes.  Never
// throws: memory refused is an outcome (OwnFailure) like any other.
VerifyOutcome VerifyExport(const VerifyRequest& request);

// The period and scope of an export run, from the settings file that the
// plug-in writes when its dialog is confirmed, just before it exports:
// the first and last date (host date texts YYYYMMDD) and the kinds.
inline constexpr const char* kExportSettingsFileName = "a_mas.cfg";
struct ExportSettings {
    Period period;
    Scope scope;
};
enum class SettingsReading { Read, Unusable, Unreadable };
// Unusable: too short, or no period in it (the reason in *why); Unreadable:
// it could not be read (verify's own failure, the reason in *why).
SettingsReading ReadExportSettings(const std::string& path, ExportSettings* settings, std::string* why);
