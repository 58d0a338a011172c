// The file's contents at a glance, gathered as it is read: documents and
// positions per month of issue and rate, and per class, with their sums.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/verify/export_file.h"

struct SummaryTotals {
    long long documents = 0;
    Grosz net = 0, vat = 0;
};

class FileSummary : public ExportFileSink {
public:
    void Contractor(FileContractor&& contractor) override;
    void Document(FileDocument&& document) override { Count(document); }
    void Count(const FileDocument& document);

    long long documents = 0, invoices = 0, corrections = 0, positions = 0, contractors = 0;
    // month ("YYYY-MM" or "no date") -> rate label -> the documents with a
    // position at that rate, and the sums of those positions
    std::map<std::string, std::map<std::string, SummaryTotals>> byRate;
    std::map<std::string, SummaryTotals> byMonth;
    std::map<std::string, SummaryTotals> byClass; // documents not counted
    SummaryTotals all;

private:
    std::vector<const SummaryTotals*> counted_; // the rates a document was counted at
};

// How the table names a position's rate.
std::string RateLabel(const FilePosition& position);
