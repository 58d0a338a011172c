// The statements behind the host's table entries.  Each is prepared once
// when the firm opens and reused for every call; each reaches its rows
// through the table's key (rowid, primary key or its index), never by
// walking a table, so a look-up costs the same in a firm of 100 documents as
// in one of 100,000.  The column order of each result is named next to it.
#pragma once

namespace firm_sql {

// A contractor by number.
inline constexpr const char* kContractorByNumber =
    "SELECT short_name, full_name, address, nip FROM contractor WHERE number = ?1";
enum ContractorColumn { kContractorShortName, kContractorFullName, kContractorAddress, kContractorNip };

// The purchase documents from a rowid on, in rowid order: a scan starts at
// the smallest rowid SQLite has (rows at rowid 0 and below are documents
// like any other) and goes on from the one after the row it read last.  A
// scan keeps only the rowid it reached, so a scan block holds no pointer
// into the host and a scan that is never closed leaves nothing behind; a
// step that goes on from the row the statement last gave reads the next row
// without a new search (firm_entries.cpp).  The correction's one date is
// selected three times so that both kinds share one column order.
inline constexpr const char* kNextInvoice =
    "SELECT rowid, document_key, period_date, issue_date, receipt_date, id1, id2, contractor,"
    " transaction_text, nip, payment_days, amount, comment, other_deduction_date, entry_mode,"
    " deduction_setting FROM purchase_invoice WHERE rowid >= ?1 ORDER BY rowid";
inline constexpr const char* kNextCorrection =
    "SELECT rowid, document_key, document_date, document_date, document_date, id1, id2, contractor,"
    " transaction_text, nip, payment_days, amount, comment, other_deduction_date, entry_mode,"
    " deduction_setting FROM purchase_correction WHERE rowid >= ?1 ORDER BY rowid";
enum DocumentColumn {
    kDocumentRowid,
    kDocumentKey,
    kDocumentPeriodDate,
    kDocumentIssueDate,
    kDocumentReceiptDate,
    kDocumentId1,
    kDocumentId2,
    kDocumentContractor,
    kDocumentTransaction,
    kDocumentNip,
    kDocumentPaymentDays,
    kDocumentAmount,
    kDocumentComment,
    kDocumentOtherDeductionDate,
    kDocumentEntryMode,
    kDocumentDeductionSetting,
};

// The VAT lines of one kind of document ('invoice' or 'correction') from a
// document key on, by key and then in the host's line order: the lines of
// that document first, and those of the next keys after them, which a look
// up of a later key reads on without a new search (firm_lines.cpp).
inline constexpr const char* kLinesOfDocument =
    "SELECT document_key, in_use, amount, rate_code, vat, purchase_kind, deduction_kind FROM vat_line"
    " WHERE document_kind = ?1 AND document_key >= ?2 ORDER BY document_key, line_no";
enum LineColumn {
    kLineDocumentKey,
    kLineInUse,
    kLineAmount,
    kLineRateCode,
    kLineVat,
    kLinePurchaseKind,
    kLineDeductionKind,
};

// The rate of a VAT rate code, in percent.
inline constexpr const char* kRateOfCode = "SELECT percent FROM vat_rate WHERE code = ?1";

// A settings block's bytes.
inline constexpr const char* kSettingsBlock = "SELECT data FROM settings_block WHERE number = ?1";

// Every statement above, for the check of their query plans.
inline constexpr const char* kAllLookups[] = {kContractorByNumber, kNextInvoice, kNextCorrection,
                                              kLinesOfDocument,    kRateOfCode,  kSettingsBlock};

} // namespace firm_sql
