// Comparing an export file with what the firm says it must hold: every
// document of the period and scope present exactly once and nothing else;
// per document its values and its net and VAT sums per class and rate to
// the grosz; every contractor the documents refer to present once, with the
// firm's name, tax number and address parts.
#pragma once

#include <string>
#include <vector>

#include "host/verify/export_file.h"
#include "host/verify/firm_expectations.h"

// One thing found: which document or contractor (register identifier and
// transaction text, or number and name), where in the file, and what.
struct VerifyIssue {
    int line = 0; // in the file; 0 when it is not in the file
    std::string subject;
    std::string what;
};

struct ReconcileContext {
    Period period;
    Scope scope;
    bool periodGiven = false; // else taken from MIESIAC/ROK
    bool scopeGiven = false;  // else taken from the documents' kinds
};

struct Reconciliation {
    std::vector<VerifyIssue> mismatches;
    std::vector<VerifyIssue> warnings;
    std::vector<std::string> notes; // hints for reading the mismatches
    int expectedDocuments = 0;      // of the period and scope
    int fileDocuments = 0;
    int expectedContractors = 0;
    int fileContractors = 0;
};

Reconciliation Reconcile(const ExportFile& file, const FirmExpectations& firm, const ReconcileContext& context);

// Tax numbers of ten digits (contractors' and documents') whose check digit
// is wrong: one warning per number, naming where it first occurs.
std::vector<VerifyIssue> TaxNumberWarnings(const ExportFile& file);

// The kind a document's WYROZNIK flags name: false when they name neither
// or both.
bool FileDocumentKind(const FileDocument& document, DocumentKind* kind);
// "ID "transaction"", how issues name a document.
std::string DocumentSubject(const std::string& registerId, const std::string& transaction);
