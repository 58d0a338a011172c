#include "host/verify/file_summary.h"

#include <algorithm>

#include "host/verify/reconcile.h"

std::string RateLabel(const FilePosition& p)
{
    if (p.buyerSettles == "T")
        return p.rateText.empty() ? "(buyer settles)" : p.rateText + " buyer settles";
    return p.rateText.empty() ? "(no rate)" : p.rateText;
}

void FileSummary::Contractor(FileContractor&&) { ++contractors; }

void FileSummary::Count(const FileDocument& d)
{
    ++documents;
    DocumentKind kind;
    if (FileDocumentKind(d, &kind))
        ++(kind == DocumentKind::Invoice ? invoices : corrections);
    positions += static_cast<long long>(d.positions.size());

    std::string month = d.issueDate.substr(0, 7);
    if (month == "0000-00")
        month = "no date";
    SummaryTotals& inMonth = byMonth[month];
    ++inMonth.documents;
    ++all.documents;
    std::map<std::string, SummaryTotals>& rates = byRate[month];
    // A document counts once per rate.
    counted_.clear();
    for (const FilePosition& p : d.positions) {
        SummaryTotals& rate = rates[RateLabel(p)];
        if (std::find(counted_.begin(), counted_.end(), &rate) == counted_.end()) {
            ++rate.documents;
            counted_.push_back(&rate);
        }
        SummaryTotals& positionClass = byClass[p.positionClass + (p.fixedAsset == "T" ? " fixed assets" : "")];
        for (SummaryTotals* t : {&rate, &inMonth, &all, &positionClass}) {
            t->net += p.net;
            t->vat += p.vat;
        }
    }
}
