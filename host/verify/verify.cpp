#include "host/verify/verify.h"

#include "host/common/host_date.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>

namespace {

// The period an export names by itself: the month of MIESIAC/ROK, which is
// the month of its first date; every document must name the same one.
bool PeriodFromFile(const ExportFile& file, Period* period, std::string* why)
{
    std::set<std::pair<std::string, std::string>> months;
    for (const FileDocument& d : file.documents)
        months.insert({d.year, d.month});
    if (months.empty()) {
        *why = "the file holds no documents, so it names no period: give the export's dates (--from, --to)";
        return false;
    }
    if (months.size() > 1) {
        auto second = std::next(months.begin());
        *why = "the documents name different months in MIESIAC/ROK (" + months.begin()->second + "/" +
               months.begin()->first + ", " + second->second + "/" + second->first +
               "): give the export's dates (--from, --to)";
        return false;
    }
    const auto& [year, month] = *months.begin();
    const std::string first = year + "-" + month + "-01";
    if (!IsCalendarDate(first)) {
        *why = "MIESIAC/ROK " + month + "/" + year + " is no month: give the export's dates (--from, --to)";
        return false;
    }
    period->from = first;
    period->to = LastDayOfMonth(std::stoi(year), std::stoi(month));
    return true;
}

Scope ScopeFromFile(const ExportFile& file)
{
    Scope scope;
    for (const FileDocument& d : file.documents) {
        DocumentKind kind;
        if (FileDocumentKind(d, &kind))
            (kind == DocumentKind::Invoice ? scope.invoices : scope.corrections) = true;
    }
    return scope;
}

std::string FromHostDate(const char* bytes)
{
    const std::string text(bytes, 8);
    return text.substr(0, 4) + "-" + text.substr(4, 2) + "-" + text.substr(6, 2);
}

} // namespace

VerifyOutcome VerifyExport(const VerifyRequest& request)
{
    VerifyOutcome outcome;
    outcome.file = request.file;
    outcome.firm = request.firm;
    outcome.reading = ReadExportFile(request.file);
    if (!outcome.reading.valid) {
        outcome.status = VerifyStatus::Invalid;
        return outcome;
    }
    const ExportFile& file = outcome.reading.file;
    if (request.firm.empty()) {
        outcome.reconciliation.warnings = TaxNumberWarnings(file);
        outcome.status = VerifyStatus::Agrees;
        return outcome;
    }

    ReconcileContext& context = outcome.context;
    context.periodGiven = !request.from.empty();
    if (context.periodGiven) {
        context.period = {request.from, request.to};
    } else if (!PeriodFromFile(file, &context.period, &outcome.error)) {
        outcome.status = VerifyStatus::PeriodUnknown;
        return outcome;
    }
    context.scopeGiven = request.scope.has_value();
    context.scope = context.scopeGiven ? *request.scope : ScopeFromFile(file);

    FirmExpectations firm;
    if (!ReadFirmExpectations(request.firm, context.period, context.scope, &firm, &outcome.error)) {
        outcome.status = VerifyStatus::FirmUnreadable;
        return outcome;
    }
    outcome.reconciliation = Reconcile(file, firm, context);
    outcome.reconciled = true;
    outcome.status = outcome.reconciliation.mismatches.empty() ? VerifyStatus::Agrees : VerifyStatus::Disagrees;
    return outcome;
}

bool ReadExportSettings(const std::string& path, ExportSettings* settings, std::string* why)
{
    // The options record: first date at byte 0 and last date at byte 9
    // (8 characters and a NUL each), the kinds at byte 18 (16 bits, little
    // endian: bit 0 invoices, bit 1 corrections).
    constexpr std::size_t kFromAt = 0, kToAt = 9, kScopeAt = 18, kNeeded = 20;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *why = "its settings file " + path + " cannot be read";
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < kNeeded) {
        *why = "its settings file " + path + " is too short";
        return false;
    }
    settings->period.from = FromHostDate(bytes.data() + kFromAt);
    settings->period.to = FromHostDate(bytes.data() + kToAt);
    if (!IsCalendarDate(settings->period.from) || !IsCalendarDate(settings->period.to)) {
        *why = "its settings file " + path + " holds no period";
        return false;
    }
    const unsigned low = static_cast<unsigned char>(bytes[kScopeAt]);
    const unsigned high = static_cast<unsigned char>(bytes[kScopeAt + 1]);
    const unsigned scope = low | high << 8;
    settings->scope.invoices = (scope & 1) != 0;
    settings->scope.corrections = (scope & 2) != 0;
    return true;
}
