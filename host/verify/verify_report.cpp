#include "host/verify/verify_report.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// The summary table

// Percentages from the highest down, then the texts without a rate.
std::tuple<int, double, std::string> RateOrder(const std::string& label)
{
    static const char* const kWords[] = {"zw", "np", "opk", "----", "(no rate)", "(buyer settles)"};
    if (label.size() > 1 && label.back() == '%') {
        char* end = nullptr;
        const double percent = std::strtod(label.c_str(), &end);
        if (end == label.c_str() + label.size() - 1)
            return {0, -percent, label};
    }
    for (int i = 0; i < static_cast<int>(std::size(kWords)); ++i)
        if (label == kWords[i])
            return {2 + i, 0.0, label};
    return {1, 0.0, label};
}

void Row(std::FILE* out, const std::string& month, const std::string& rate, const SummaryTotals& t)
{
    std::fprintf(out, "%-10s %-16s %9lld %18s %18s\n", month.c_str(), rate.c_str(), t.documents,
                 FormatGroszGrouped(t.net).c_str(), FormatGroszGrouped(t.vat).c_str());
}

void PrintSummary(std::FILE* out, const FileSummary& file)
{
    std::fprintf(out, "Contents: %lld documents (%lld invoices, %lld corrections), %lld positions, %lld contractors\n",
                 file.documents, file.invoices, file.corrections, file.positions, file.contractors);
    if (file.documents == 0)
        return;
    const auto& byRate = file.byRate;
    const auto& byMonth = file.byMonth;
    const auto& byClass = file.byClass;
    const SummaryTotals& all = file.all;

    std::fprintf(out, "\n%-10s %-16s %9s %18s %18s\n", "Issued", "Rate", "Documents", "Net", "VAT");
    for (const auto& [month, totals] : byMonth) {
        std::vector<std::string> labels;
        const auto& rates = byRate.at(month);
        for (const auto& [label, t] : rates)
            labels.push_back(label);
        std::sort(labels.begin(), labels.end(),
                  [](const std::string& a, const std::string& b) { return RateOrder(a) < RateOrder(b); });
        bool first = true;
        for (const std::string& label : labels) {
            Row(out, first ? month : "", label, rates.at(label));
            first = false;
        }
        Row(out, first ? month : "", "all", totals);
    }
    Row(out, "total", "all", all);

    std::fprintf(out, "\n%-27s %9s %18s %18s\n", "Class", "", "Net", "VAT");
    for (const auto& [label, t] : byClass)
        std::fprintf(out, "%-27s %9s %18s %18s\n", label.c_str(), "", FormatGroszGrouped(t.net).c_str(),
                     FormatGroszGrouped(t.vat).c_str());
}

// ---------------------------------------------------------------------------
// Issues

void PrintIssue(std::FILE* out, const char* indent, const VerifyIssue& issue)
{
    if (issue.line > 0)
        std::fprintf(out, "%s%s (line %d): %s\n", indent, issue.subject.c_str(), issue.line, issue.what.c_str());
    else
        std::fprintf(out, "%s%s: %s\n", indent, issue.subject.c_str(), issue.what.c_str());
}

// The heading at `indent`, the issues two places further in.
void PrintIssues(std::FILE* out, const std::string& indent, const char* heading, const std::vector<VerifyIssue>& issues,
                 std::size_t limit)
{
    if (issues.empty())
        return;
    const std::string inner = indent + "  ";
    std::fprintf(out, "%s%s (%zu):\n", indent.c_str(), heading, issues.size());
    for (std::size_t i = 0; i < issues.size() && i < limit; ++i)
        PrintIssue(out, inner.c_str(), issues[i]);
    if (issues.size() > limit)
        std::fprintf(out, "%s... and %zu more (tomiva verify lists them all)\n", inner.c_str(), issues.size() - limit);
}

void PrintProblems(std::FILE* out, const FileReading& reading)
{
    for (const FileProblem& p : reading.problems) {
        if (p.line > 0)
            std::fprintf(out, "  line %d: %s\n", p.line, p.message.c_str());
        else
            std::fprintf(out, "  %s\n", p.message.c_str());
    }
    if (reading.moreProblems > 0)
        std::fprintf(out, "  ... and %d more\n", reading.moreProblems);
}

std::string KindsText(const Scope& scope)
{
    if (scope.invoices && scope.corrections)
        return "invoices and corrections";
    if (scope.invoices)
        return "invoices";
    if (scope.corrections)
        return "corrections";
    return "none";
}

std::size_t ProblemCount(const FileReading& reading)
{
    return reading.problems.size() + static_cast<std::size_t>(reading.moreProblems);
}

constexpr std::size_t kAll = static_cast<std::size_t>(-1);
constexpr std::size_t kBriefLimit = 20;

} // namespace

void PrintVerifyReport(std::FILE* out, const VerifyOutcome& o)
{
    std::fprintf(out, "File: %s\n", o.file.c_str());
    if (o.status == VerifyStatus::NotAFile || o.status == VerifyStatus::OwnFailure) {
        std::fprintf(out, "\nResult: not verified: %s.\n", o.error.c_str());
        return;
    }
    if (o.status == VerifyStatus::Invalid) {
        std::fprintf(out, "Schema: NOT VALID (%zu problem%s)\n", ProblemCount(o.reading),
                     ProblemCount(o.reading) == 1 ? "" : "s");
        PrintProblems(out, o.reading);
        std::fprintf(out, "\nResult: the file is not a valid export file.\n");
        return;
    }
    std::fprintf(out, "Schema: valid\n");
    PrintSummary(out, o.summary);

    if (!o.firm.empty()) {
        std::fprintf(out, "\nFirm: %s\n", o.firm.c_str());
        if (o.status == VerifyStatus::FirmUnreadable || o.status == VerifyStatus::PeriodUnknown) {
            std::fprintf(out, "\nResult: not reconciled: %s.\n", o.error.c_str());
            return;
        }
        const Reconciliation& r = o.reconciliation;
        std::fprintf(out, "Period: %s to %s (%s)\n", o.context.period.from.c_str(), o.context.period.to.c_str(),
                     o.context.periodGiven ? "given" : "the month of MIESIAC/ROK");
        std::fprintf(out, "Kinds: %s (%s)\n", KindsText(o.context.scope).c_str(),
                     o.context.scopeGiven ? "given" : "those in the file");
        std::fprintf(out, "Documents: %d of the period and kinds in the firm, %d in the file\n", r.expectedDocuments,
                     r.fileDocuments);
        std::fprintf(out, "Contractors: %d referred to, %d in the file\n", r.expectedContractors, r.fileContractors);
    }

    const Reconciliation& r = o.reconciliation;
    if (!r.warnings.empty())
        std::fputc('\n', out);
    PrintIssues(out, "", "Warnings", r.warnings, kAll);
    if (!r.mismatches.empty())
        std::fputc('\n', out);
    PrintIssues(out, "", "Mismatches", r.mismatches, kAll);
    for (const std::string& note : r.notes)
        std::fprintf(out, "%s\n", note.c_str());

    if (o.firm.empty())
        std::fprintf(out, "\nResult: the file is a valid export file (not reconciled: no firm given).\n");
    else if (o.status == VerifyStatus::Agrees)
        std::fprintf(out, "\nResult: the file agrees with the firm.\n");
    else
        std::fprintf(out, "\nResult: %zu mismatch%s: the file does NOT agree with the firm.\n", r.mismatches.size(),
                     r.mismatches.size() == 1 ? "" : "es");
}

void PrintVerifyBrief(std::FILE* out, const VerifyOutcome& o)
{
    const char* file = o.file.c_str();
    const FileSummary& f = o.summary;
    switch (o.status) {
    case VerifyStatus::NotAFile:
    case VerifyStatus::OwnFailure:
        std::fprintf(out, "verify: %s was not verified: %s\n", file, o.error.c_str());
        return;
    case VerifyStatus::Invalid:
        std::fprintf(out, "verify: %s is NOT a valid export file:\n", file);
        PrintProblems(out, o.reading);
        return;
    case VerifyStatus::FirmUnreadable:
    case VerifyStatus::PeriodUnknown:
        std::fprintf(out, "verify: %s is valid against the schema, but not reconciled: %s\n", file, o.error.c_str());
        return;
    case VerifyStatus::Disagrees:
        std::fprintf(out, "verify: %s does NOT agree with the firm\n", file);
        PrintIssues(out, "  ", "mismatches", o.reconciliation.mismatches, kBriefLimit);
        break;
    case VerifyStatus::Agrees:
        if (o.reconciled)
            std::fprintf(out, "verified: %s agrees with the firm: %lld documents, %lld contractors, %s to %s, %s\n", file,
                         f.documents, f.contractors, o.context.period.from.c_str(),
                         o.context.period.to.c_str(), KindsText(o.context.scope).c_str());
        else
            std::fprintf(out, "verified: %s is valid against the schema: %lld documents, %lld contractors\n", file,
                         f.documents, f.contractors);
        break;
    }
    PrintIssues(out, "  ", "warnings", o.reconciliation.warnings, kBriefLimit);
}
