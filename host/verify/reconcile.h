// Comparing an export file with what the firm says it must hold: every
// document of the period and scope present exactly once and nothing else;
// per document its values and its net and VAT sums per class and rate to
// the grosz; every contractor the documents refer to present once, with the
// firm's name, tax number and address parts.
#pragma once

#include <map>
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

// Compares the file with the firm as the file is read: its documents come
// in the firm's order (each kind in the host's scan order), so each is
// compared with the firm's next one as soon as it ends, and only what is
// out of order waits (the firm's documents passed over, the file's not yet
// met).  Contractors, whose number the file does not carry, are kept until
// the documents have named those the firm's documents refer to.
class Reconciler : public ExportFileSink {
public:
    // The period (unless it is to be taken from the first document) and
    // the scope (unless it is to be the kinds of the file's documents) are
    // in given.  The firm is open.
    // (The documents the export takes are read ahead over a connection of
    // their own to the firm at firmPath.)
    Reconciler(FirmReader* firm, const std::string& firmPath, const ReconcileContext& given);
    ~Reconciler() override;

    void Contractor(FileContractor&& contractor) override;
    void Document(FileDocument&& document) override;
    // After the file's last element: what the firm holds beyond it, the
    // contractors and the warnings.
    void Finish();

    // Why the comparison stopped half-way: the period cannot be taken from
    // the file, or the firm could not be read (firm().failed()).
    enum class Stop { None, PeriodUnknown, FirmFailed };
    Stop stopped() const { return stop_; }
    const std::string& why() const { return why_; }
    // The firm failed for want of memory or by an input or output error.
    bool firmOwnFailure() const { return firmOwnFailure_; }

    const ReconcileContext& context() const { return context_; }
    Reconciliation& result() { return result_; }

private:
    bool NextExported(DocumentKind kind, FirmDocument* document);

    class State;
    FirmReader* firm_;
    std::string firmPath_;
    ReconcileContext context_;
    Reconciliation result_;
    Stop stop_ = Stop::None;
    std::string why_;
    bool firmOwnFailure_ = false;
    State* state_;
};

// Tax numbers of ten digits (contractors' and documents') whose check digit
// is wrong: one warning per number, naming where it first occurs.
class TaxNumberCheck : public ExportFileSink {
public:
    void Contractor(FileContractor&& contractor) override { Look(contractor); }
    void Document(FileDocument&& document) override { Look(document); }
    void Look(const FileContractor& contractor);
    void Look(const FileDocument& document);
    std::vector<VerifyIssue> Warnings() const;

private:
    void Check(const std::string& nip, int line, const std::string& where);
    struct Seen {
        VerifyIssue first;
        int more = 0;
    };
    std::vector<Seen> seen_;
    std::map<std::string, std::size_t> index_; // number -> its place in seen_
};
std::vector<VerifyIssue> TaxNumberWarnings(const ExportFile& file);

// The kind a document's WYROZNIK flags name: false when they name neither
// or both.
bool FileDocumentKind(const FileDocument& document, DocumentKind* kind);
// "ID "transaction"", how issues name a document.
std::string DocumentSubject(const std::string& registerId, const std::string& transaction);
