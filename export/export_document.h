// ExportDocument: the fixed-width record of a document as the register
// writer writes it, in two shapes: a header record per exported document
// (registerId not empty), and the record of one of its VAT positions
// (registerId empty, only the position fields set).
#pragma once

#include <cfloat>
#include <cstdint>

// The rate text holds every rate the host can report: "%.0f%%" of any
// double, the largest having DBL_MAX_10_EXP + 1 digits, with its sign, the
// "%" and the NUL.
inline constexpr int kRateTextSize = (DBL_MAX_10_EXP + 1) + 1 + 1 + 1;

struct ExportDocument {
    // header fields
    char registerId[41];
    char documentSymbol[26];
    char month[3];
    char year[5];
    char description[26];
    char registerSymbol[5];
    char mpz[21];
    char mpk[21];
    int32_t firmId;
    char flagInvoice[2];
    char flagCorrection[2];
    char flagBill[2];
    char flagReceipt[2];
    char flagRrInvoice[2];
    char transaction[21];
    char correction[21];
    char accountMask[26];
    // Room for every digit of the host's longest tax-number text (15).
    char nip[16];
    // The contractor number with natural persons moved above 70000; 64-bit so
    // that the move is defined for every 32-bit contractor number.
    int64_t contractorKey;
    char issueDate[21];
    char receiptDate[21];
    char dueDate[21];
    char paymentFrom[31];
    double amount;
    char currency[5];
    char comment[31];
    char vatDeduction[21];
    // position fields
    char rateText[kRateTextSize];
    char mpkNet[21];
    double netAmount;
    char mpkVat[21];
    double vatAmount;
    char positionKind[2];
    char fixedAsset[2];
    char buyerSettlesVat[2];
};

inline bool IsHeaderRecord(const ExportDocument& d) { return d.registerId[0] != '\0'; }
