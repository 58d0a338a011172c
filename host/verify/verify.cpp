#include "host/verify/verify.h"

#include "contract/settings_record.h"
#include "host/common/file_kind.h"
#include "host/common/host_date.h"
#include "host/services/host_files.h"
#include "host/verify/element_handover.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>

namespace {

// What is read goes to the summary and the tax numbers, which only look,
// and then, whole, to the reconciliation.
class Fan : public ExportFileSink {
public:
    Fan(FileSummary* summary, TaxNumberCheck* taxes, ExportFileSink* then)
        : summary_(summary), taxes_(taxes), then_(then)
    {
    }
    void Contractor(FileContractor&& c) override
    {
        ++summary_->contractors;
        taxes_->Look(c);
        if (then_ != nullptr)
            then_->Contractor(std::move(c));
    }
    void Document(FileDocument&& d) override
    {
        summary_->Count(d);
        taxes_->Look(d);
        if (then_ != nullptr)
            then_->Document(std::move(d));
    }

private:
    FileSummary* summary_;
    TaxNumberCheck* taxes_;
    ExportFileSink* then_;
};

void Verify(const VerifyRequest& request, VerifyOutcome* outcome)
{
    TaxNumberCheck taxes;
    std::unique_ptr<FirmReader> firm;
    std::unique_ptr<Reconciler> reconciler;
    bool firmOpen = false;
    if (!request.firm.empty()) {
        firm = std::make_unique<FirmReader>();
        firmOpen = firm->Open(request.firm);
        if (firmOpen) {
            ReconcileContext given;
            given.periodGiven = !request.from.empty();
            if (given.periodGiven)
                given.period = {request.from, request.to};
            given.scopeGiven = request.scope.has_value();
            if (given.scopeGiven)
                given.scope = *request.scope;
            reconciler = std::make_unique<Reconciler>(firm.get(), request.firm, given);
        }
    }

    Fan fan(&outcome->summary, &taxes, reconciler.get());
    // What is read is summed and reconciled on a thread beside the reading.
    ElementHandover handover(&fan);
    outcome->reading = ReadExportFile(request.file, &handover);
    if (!handover.Finish() && outcome->reading.ownFailure.empty())
        outcome->reading.ownFailure = "memory ran short";
    const FileReading& reading = outcome->reading;
    if (!reading.notAFile.empty()) {
        outcome->status = VerifyStatus::NotAFile;
        outcome->error = request.file + ": " + reading.notAFile;
        return;
    }
    if (!reading.ownFailure.empty()) {
        outcome->status = VerifyStatus::OwnFailure;
        outcome->error = reading.ownFailure;
        return;
    }
    if (!reading.valid) {
        outcome->status = VerifyStatus::Invalid;
        return;
    }
    if (request.firm.empty()) {
        outcome->reconciliation.warnings = taxes.Warnings();
        outcome->status = VerifyStatus::Agrees;
        return;
    }
    if (!firmOpen) {
        outcome->status = firm->ownFailure() ? VerifyStatus::OwnFailure : VerifyStatus::FirmUnreadable;
        outcome->error = firm->error();
        return;
    }

    reconciler->Finish();
    outcome->context = reconciler->context();
    switch (reconciler->stopped()) {
    case Reconciler::Stop::PeriodUnknown:
        outcome->status = VerifyStatus::PeriodUnknown;
        outcome->error = reconciler->why();
        return;
    case Reconciler::Stop::FirmFailed:
        outcome->status = reconciler->firmOwnFailure() ? VerifyStatus::OwnFailure : VerifyStatus::FirmUnreadable;
        outcome->error = reconciler->why();
        return;
    case Reconciler::Stop::None:
        break;
    }
    outcome->reconciliation = std::move(reconciler->result());
    for (VerifyIssue& w : taxes.Warnings())
        outcome->reconciliation.warnings.push_back(std::move(w));
    outcome->reconciled = true;
    outcome->status =
        outcome->reconciliation.mismatches.empty() ? VerifyStatus::Agrees : VerifyStatus::Disagrees;
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
    try {
        outcome.file = request.file;
        outcome.firm = request.firm;
        Verify(request, &outcome);
    } catch (const std::bad_alloc&) {
        outcome.status = VerifyStatus::OwnFailure;
        outcome.reconciled = false;
        outcome.error = "memory ran short";
    }
    return outcome;
}

SettingsReading ReadExportSettings(const std::string& path, ExportSettings* settings, std::string* why)
{
    // The options record (contract/settings_record.h) as far as its kinds:
    // the period's dates and the bits of the kinds.
    const SettingsRecordLayout& layout = kSettingsRecordLayout;
    constexpr std::size_t kNeeded = kSettingsRecordLayout.scope.end();
    std::string reason;
    std::FILE* file = OpenHostStream(path, "rb", &reason);
    if (file == nullptr) {
        *why = "could not read " + path + ": " + reason;
        return SettingsReading::Unreadable;
    }
    char bytes[kNeeded];
    errno = 0;
    const std::size_t n = std::fread(bytes, 1, sizeof bytes, file);
    const bool failed = n < sizeof bytes && std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) {
        *why = "could not read " + path + ": " + ErrnoText(error != 0 ? error : EIO);
        return SettingsReading::Unreadable;
    }
    if (n < kNeeded) {
        *why = "its settings file " + path + " is too short";
        return SettingsReading::Unusable;
    }
    const unsigned char* record = reinterpret_cast<const unsigned char*>(bytes);
    settings->period.from = FromHostDate(layout.dateFrom.Read(record));
    settings->period.to = FromHostDate(layout.dateTo.Read(record));
    if (!IsCalendarDate(settings->period.from) || !IsCalendarDate(settings->period.to)) {
        *why = "its settings file " + path + " holds no period";
        return SettingsReading::Unusable;
    }
    const uint16_t scope = layout.scope.Read(record);
    settings->scope.invoices = (scope & kScopePurchaseInvoices) != 0;
    settings->scope.corrections = (scope & kScopePurchaseCorrections) != 0;
    return SettingsReading::Read;
}
