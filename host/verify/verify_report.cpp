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

struct Totals {
    std::set<const FileDocument*> documents;
    Grosz net = 0, vat = 0;
};

std::string RateLabel(const FilePosition& p)
{
    if (p.buyerSettles == "T")
        return p.rateText.empty() ? "(buyer settles)" : p.rateText + " buyer settles";
    return p.rateText.empty() ? "(no rate)" : p.rateText;
}

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

std::string MonthOf(const FileDocument& d)
{
    const std::string month = d.issueDate.substr(0, 7);
    return month == "0000-00" ? "no date" : month;
}

void Row(std::FILE* out, const std::string& month, const std::string& rate, std::size_t documents, const Totals& t)
{
    std::fprintf(out, "%-10s %-16s %9zu %18s %18s\n", month.c_str(), rate.c_str(), documents,
                 FormatGroszGrouped(t.net).c_str(), FormatGroszGrouped(t.vat).c_str());
}

void PrintSummary(std::FILE* out, const ExportFile& file)
{
    int invoices = 0, corrections = 0;
    std::size_t positions = 0;
    for (const FileDocument& d : file.documents) {
        DocumentKind kind;
        if (FileDocumentKind(d, &kind))
            ++(kind == DocumentKind::Invoice ? invoices : corrections);
        positions += d.positions.size();
    }
    std::fprintf(out, "Contents: %zu documents (%d invoices, %d corrections), %zu positions, %zu contractors\n",
                 file.documents.size(), invoices, corrections, positions, file.contractors.size());
    if (file.documents.empty())
        return;

    // month -> rate -> totals; month -> all its documents
    std::map<std::string, std::map<std::string, Totals>> byRate;
    std::map<std::string, Totals> byMonth;
    std::map<std::string, Totals> byClass;
    Totals all;
    for (const FileDocument& d : file.documents) {
        const std::string month = MonthOf(d);
        byMonth[month].documents.insert(&d);
        all.documents.insert(&d);
        for (const FilePosition& p : d.positions) {
            Totals& rate = byRate[month][RateLabel(p)];
            rate.documents.insert(&d);
            Totals& positionClass = byClass[p.positionClass + (p.fixedAsset == "T" ? " fixed assets" : "")];
            for (Totals* t : {&rate, &byMonth[month], &all, &positionClass}) {
                t->net += p.net;
                t->vat += p.vat;
            }
        }
    }

    std::fprintf(out, "\n%-10s %-16s %9s %18s %18s\n", "Issued", "Rate", "Documents", "Net", "VAT");
    for (const auto& [month, totals] : byMonth) {
        std::vector<std::string> labels;
        for (const auto& [label, t] : byRate[month])
            labels.push_back(label);
        std::sort(labels.begin(), labels.end(),
                  [](const std::string& a, const std::string& b) { return RateOrder(a) < RateOrder(b); });
        bool first = true;
        for (const std::string& label : labels) {
            const Totals& t = byRate[month][label];
            Row(out, first ? month : "", label, t.documents.size(), t);
            first = false;
        }
        Row(out, first ? month : "", "all", totals.documents.size(), totals);
    }
    Row(out, "total", "all", all.documents.size(), all);

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
    if (o.status == VerifyStatus::Invalid) {
        std::fprintf(out, "Schema: NOT VALID (%zu problem%s)\n", ProblemCount(o.reading),
                     ProblemCount(o.reading) == 1 ? "" : "s");
        PrintProblems(out, o.reading);
        std::fprintf(out, "\nResult: the file is not a valid export file.\n");
        return;
    }
    std::fprintf(out, "Schema: valid\n");
    PrintSummary(out, o.reading.file);

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
    const ExportFile& f = o.reading.file;
    switch (o.status) {
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
            std::fprintf(out, "verified: %s agrees with the firm: %zu documents, %zu contractors, %s to %s, %s\n", file,
                         f.documents.size(), f.contractors.size(), o.context.period.from.c_str(),
                         o.context.period.to.c_str(), KindsText(o.context.scope).c_str());
        else
            std::fprintf(out, "verified: %s is valid against the schema: %zu documents, %zu contractors\n", file,
                         f.documents.size(), f.contractors.size());
        break;
    }
    PrintIssues(out, "  ", "warnings", o.reconciliation.warnings, kBriefLimit);
}
