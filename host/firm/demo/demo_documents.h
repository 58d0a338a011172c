// The demo firm's purchase documents and their VAT lines, in register
// order: invoices and corrections over the months of the year, a few of each
// kind the export passes over, and documents placed so that every VAT class,
// rate code and skipped kind is there for any seed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/firm/demo/demo_contractors.h"
#include "host/firm/demo/demo_firm.h"
#include "host/firm/demo/demo_random.h"

namespace demo_firm {

// Amounts are whole grosze.
struct DocumentLine {
    int64_t amount; // gross or net, by the document's entry mode
    int64_t vat;
    int16_t rateCode, purchaseKind, deductionKind;
    bool inUse;
};

struct Document {
    bool correction;
    int32_t key;
    // YYYY-MM-DD; a correction has one date (the period date), and a
    // document the export passes over may have no period date.
    std::string periodDate, issueDate, receiptDate;
    uint32_t id1, id2;
    int32_t contractor;
    std::string transaction, nip, comment;
    int paymentDays;
    int64_t amount; // the gross sum of its lines in use
    int otherDeductionDate, entryMode, deductionSetting;
    std::vector<DocumentLine> lines;
};

double Zloty(int64_t grosze);

// The documents one by one, as many as the options ask for.
class DocumentRegister {
public:
    // Draws the first document key; the contractors stay the caller's and
    // must outlive the register.
    DocumentRegister(Random& random, const DemoFirmOptions& options, const std::vector<Contractor>& contractors);

    // The next document, or false when the register is complete.
    bool Next(Document* document);

private:
    const Contractor& PickContractor();

    Random& random_;
    const DemoFirmOptions& options_;
    const std::vector<Contractor>& contractors_;
    int made_ = 0;
    int nextShown_ = 0;
    int32_t nextKey_;
    uint32_t invoiceNumber_ = 0, correctionNumber_ = 0;
};

} // namespace demo_firm
