// The host's records as byte layouts: every offset named once here, each
// field typed by its width and value (contract/le_fields.h), the layouts
// checked at compile time.  The host packs its rows into these layouts; the
// plug-in reads them.  Fields not listed are zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "contract/le_fields.h"

// The host's date: 8 characters YYYYMMDD and NUL.
inline constexpr int kHostDateWidth = 9;
using HostDateField = TextField<kHostDateWidth>;

// Contractor record of host table 35.
struct ContractorLayout {
    TextField<17> shortName;
    TextField<101> fullName;
    TextField<51> address;
    TextField<31> nip;
    std::size_t size;
};

inline constexpr ContractorLayout kContractorLayout{
    .shortName = {2},
    .fullName = {19},
    .address = {120},
    .nip = {234},
    .size = 272,
};

namespace host_record {
constexpr bool LayoutSound(const ContractorLayout& l)
{
    const ByteSpan f[] = {l.shortName.span(), l.fullName.span(), l.address.span(), l.nip.span()};
    return SpansSound(f, l.size);
}
} // namespace host_record

static_assert(host_record::LayoutSound(kContractorLayout));

// Purchase documents: an invoice (table 52) and a correction (table 54) carry
// the same fields at different offsets; for a correction the period, issue
// and receipt dates are one field.  The tax number's width differs between
// the two, so it is given with its offset.
struct DocumentLayout {
    int scanKind; // host scan kind number
    Field<LeI32> documentKey;
    HostDateField periodDate;
    Field<LeU32> id1;
    Field<LeU32> id2;
    Field<LeI32> contractor;
    TextField<41> transaction;
    TextField<> nip;
    HostDateField issueDate;
    HostDateField receiptDate;
    Field<LeU16> paymentDays;
    Field<LeF64> amount; // 1/10000 złoty
    TextField<61> comment;
    Field<LeU8> otherDeductionDate;
    Field<LeU16> entryMode;
    Field<LeI16> deductionSetting;
    std::size_t size;
};

inline constexpr DocumentLayout kInvoiceLayout{
    .scanKind = 713,
    .documentKey = {897},
    .periodDate = {237},
    .id1 = {889},
    .id2 = {893},
    .contractor = {877},
    .transaction = {2},
    .nip = {221, 14},
    .issueDate = {515},
    .receiptDate = {246},
    .paymentDays = {273},
    .amount = {275},
    .comment = {399},
    .otherDeductionDate = {578},
    .entryMode = {235},
    .deductionSetting = {587},
    .size = 904,
};

inline constexpr DocumentLayout kCorrectionLayout{
    .scanKind = 109,
    .documentKey = {859},
    .periodDate = {279},
    .id1 = {851},
    .id2 = {855},
    .contractor = {839},
    .transaction = {2},
    .nip = {263, 16},
    .issueDate = {279},
    .receiptDate = {279},
    .paymentDays = {306},
    .amount = {308},
    .comment = {390},
    .otherDeductionDate = {554},
    .entryMode = {235},
    .deductionSetting = {587},
    .size = 864,
};

namespace host_record {
// Every field of a layout lies inside the record and no two distinct fields
// overlap (the correction's three dates are deliberately one field).
constexpr bool LayoutSound(const DocumentLayout& l)
{
    const ByteSpan f[] = {l.documentKey.span(), l.periodDate.span(),  l.id1.span(),
                          l.id2.span(),         l.contractor.span(),  l.transaction.span(),
                          l.nip.span(),         l.issueDate.span(),   l.receiptDate.span(),
                          l.paymentDays.span(), l.amount.span(),      l.comment.span(),
                          l.otherDeductionDate.span(), l.entryMode.span(), l.deductionSetting.span()};
    return l.scanKind != 0 && SpansSound(f, l.size, true);
}
} // namespace host_record

static_assert(host_record::LayoutSound(kInvoiceLayout));
static_assert(host_record::LayoutSound(kCorrectionLayout));
static_assert(kInvoiceLayout.documentKey.offset == 897 && kInvoiceLayout.nip.end() == kInvoiceLayout.entryMode.offset,
              "the invoice's 13-character tax number ends where the entry-mode word begins");
static_assert(kCorrectionLayout.nip.end() == kCorrectionLayout.periodDate.offset,
              "the correction's 15-character tax number ends where its date begins");

// VAT line record; the purchase kind and deduction kind sit at different
// offsets for the lines of invoices and of corrections.
struct LineLayout {
    Field<LeI32> inUse;
    Field<LeF64> amount; // 1/10000 złoty
    Field<LeI16> rateCode;
    Field<LeF64> vat;    // 1/10000 złoty
    Field<LeI16> purchaseKind;
    Field<LeI16> deductionKind;
    std::size_t size;
};

inline constexpr LineLayout kInvoiceLineLayout{
    .inUse = {140},
    .amount = {158},
    .rateCode = {166},
    .vat = {168},
    .purchaseKind = {212},
    .deductionKind = {214},
    .size = 216,
};

inline constexpr LineLayout kCorrectionLineLayout{
    .inUse = {140},
    .amount = {158},
    .rateCode = {166},
    .vat = {168},
    .purchaseKind = {192},
    .deductionKind = {194},
    .size = 216,
};

namespace host_record {
constexpr bool LayoutSound(const LineLayout& l)
{
    const ByteSpan f[] = {l.inUse.span(), l.amount.span(),       l.rateCode.span(),
                          l.vat.span(),   l.purchaseKind.span(), l.deductionKind.span()};
    return SpansSound(f, l.size);
}
} // namespace host_record

static_assert(host_record::LayoutSound(kInvoiceLineLayout));
static_assert(host_record::LayoutSound(kCorrectionLineLayout));

// A host table object: the field at byte offset 8 points to the table's
// record buffer (a 32-bit pointer in the Windows build).  A pointer of this
// process, not a little-endian field.
inline constexpr std::size_t kTableRecordPointerOffset = 8;

inline unsigned char* TableRecordBuffer(const void* table)
{
    unsigned char* record;
    std::memcpy(&record, static_cast<const unsigned char*>(table) + kTableRecordPointerOffset, sizeof record);
    return record;
}

// Host table numbers.
inline constexpr int kTableContractors = 35;
inline constexpr int kTablePurchaseInvoices = 52;
inline constexpr int kTablePurchaseCorrections = 54;
