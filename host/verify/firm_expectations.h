// What an export of a period and scope must hold, read from the firm
// database with SQL: every purchase document of both tables (and which of
// them the export takes), the VAT positions of those it takes, summed per
// class, fixed-asset class and rate from the firm's VAT lines, and the
// contractors they refer to, each as the file should carry it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/verify/export_rules.h"

enum class DocumentKind { Invoice, Correction };
const char* KindName(DocumentKind kind); // "invoice", "correction"

// Both ends included, "YYYY-MM-DD".
struct Period {
    std::string from, to;
};

struct Scope {
    bool invoices = false;
    bool corrections = false;
    bool Has(DocumentKind kind) const { return kind == DocumentKind::Invoice ? invoices : corrections; }
};

// One position as the file should carry it: the sums of one rate code's
// lines in one class and fixed-asset class, in grosze as the file writes them.
struct ExpectedPosition {
    std::string positionClass; // "B", "N", "W"
    bool fixedAsset = false;
    int16_t rateCode = 0;
    std::string rateText;
    bool buyerSettles = false;
    Grosz net = 0, vat = 0;
};

struct FirmDocument {
    DocumentKind kind = DocumentKind::Invoice;
    int64_t rowid = 0;
    int32_t key = 0;
    int32_t contractor = 0;
    std::string registerId;
    std::string periodDate; // as the firm holds it, "" for none
    // As the file carries them:
    std::string transaction, nip, issueDate, receiptDate, dueDate, comment, vatDeduction;
    Grosz amount = 0;
    // Taken by an export of the period and scope: a key, a period date in
    // the period, a kind in the scope.
    bool exported = false;
    std::vector<ExpectedPosition> positions; // only for exported documents
};

struct FirmContractor {
    int32_t number = 0;
    std::string fullName; // as the firm holds it, for messages
    NameParts name;
    std::string shortName, nip;
    AddressParts address;
};

// A document of the export whose contractor gets no element in the file.
struct UnlistedContractor {
    int32_t number = 0;
    bool outOfRange = false; // beyond the numbers the export lists, else not in the firm
    std::string registerId, transaction; // the first document referring to it
    int documents = 0;
};

// The firm database read for verify, one row at a time: each table in the
// host's scan order (ascending rowid), which is the order of the file's
// documents, so that a file of any size is compared as it is read.
class FirmReader {
public:
    FirmReader();
    ~FirmReader();
    FirmReader(const FirmReader&) = delete;
    FirmReader& operator=(const FirmReader&) = delete;

    // Opens the firm at path read-only, in one read transaction (every
    // statement sees the same rows), and reads its rates and purchase
    // kinds.  False with the reason in error().
    bool Open(const std::string& path);

    // The next document of the kind (every row, whether the export takes it
    // or not; its positions only when it does): false at the end, or when
    // the firm cannot be read (failed()).
    bool Next(DocumentKind kind, const Period& period, const Scope& scope, FirmDocument* document);
    // Starts the kind's rows again from the first.
    void Restart(DocumentKind kind);

    // The contractor of that number; *found false when the firm has none.
    bool ReadContractor(int32_t number, FirmContractor* contractor, bool* found);

    bool failed() const { return !error_.empty(); }
    // An input or output error, or memory refused: verify's own failure,
    // not the firm's.
    bool ownFailure() const { return ownFailure_; }
    const std::string& error() const { return error_; }

private:
    class Impl;
    Impl* impl_;
    std::string error_;
    bool ownFailure_ = false;
    friend class Impl;
};

// The export lists contractors numbered 1 to 65999 and -1 to -65999.
inline constexpr int32_t kContractorNumberLast = 65999;
