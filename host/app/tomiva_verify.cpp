// tomiva verify FILE: the command line's request checked and handed to
// host/verify/, its outcome reported and mapped to the exit status.
#ifdef TOMIVA_WITH_VERIFY
#include <algorithm>
#include <cstdio>
#include <string>

#include "host/app/tomiva_allocation_switch.h"
#include "host/app/tomiva_commands.h"
#include "host/common/file_kind.h"
#include "host/common/host_date.h"
#include "host/firm/firm_database.h"
#include "host/verify/verify.h"
#include "host/verify/verify_report.h"

namespace {

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

} // namespace

// verify FILE: the file against the schema and, with a firm, reconciled
// with the firm; the report on standard output.
int VerifyCommand(const Arguments& a)
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

#endif
