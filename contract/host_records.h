// The host's records as byte layouts: every offset named once here, read and
// written through small typed accessors (memcpy, little-endian), checked at
// compile time.  The host packs its rows into these layouts; the plug-in
// reads them.  Fields not listed are zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "host records are little-endian");

// One field of a host record: where it starts and how many bytes it takes.
// A text field of width n holds at most n - 1 characters and its NUL.
struct HostField {
    std::size_t offset;
    std::size_t width;
    constexpr std::size_t end() const { return offset + width; }
};

namespace host_record {

inline int32_t ReadI32(const unsigned char* record, HostField f)
{
    int32_t v;
    std::memcpy(&v, record + f.offset, sizeof v);
    return v;
}
inline uint32_t ReadU32(const unsigned char* record, HostField f)
{
    uint32_t v;
    std::memcpy(&v, record + f.offset, sizeof v);
    return v;
}
inline int16_t ReadI16(const unsigned char* record, HostField f)
{
    int16_t v;
    std::memcpy(&v, record + f.offset, sizeof v);
    return v;
}
inline uint16_t ReadU16(const unsigned char* record, HostField f)
{
    uint16_t v;
    std::memcpy(&v, record + f.offset, sizeof v);
    return v;
}
inline uint8_t ReadU8(const unsigned char* record, HostField f) { return record[f.offset]; }
inline double ReadF64(const unsigned char* record, HostField f)
{
    double v;
    std::memcpy(&v, record + f.offset, sizeof v);
    return v;
}
inline const char* Text(const unsigned char* record, HostField f)
{
    return reinterpret_cast<const char*>(record + f.offset);
}

inline void WriteI32(unsigned char* record, HostField f, int32_t v) { std::memcpy(record + f.offset, &v, sizeof v); }
inline void WriteU32(unsigned char* record, HostField f, uint32_t v) { std::memcpy(record + f.offset, &v, sizeof v); }
inline void WriteI16(unsigned char* record, HostField f, int16_t v) { std::memcpy(record + f.offset, &v, sizeof v); }
inline void WriteU16(unsigned char* record, HostField f, uint16_t v) { std::memcpy(record + f.offset, &v, sizeof v); }
inline void WriteU8(unsigned char* record, HostField f, uint8_t v) { record[f.offset] = v; }
inline void WriteF64(unsigned char* record, HostField f, double v) { std::memcpy(record + f.offset, &v, sizeof v); }

// Fields must lie inside the record and must not overlap.
constexpr bool Disjoint(HostField a, HostField b) { return a.end() <= b.offset || b.end() <= a.offset; }

} // namespace host_record

// Contractor record of host table 35.
namespace contractor_record {
inline constexpr HostField shortName{2, 17};
inline constexpr HostField fullName{19, 101};
inline constexpr HostField address{120, 51};
inline constexpr HostField nip{234, 31};
inline constexpr std::size_t kSize = 272;

static_assert(host_record::Disjoint(shortName, fullName) && host_record::Disjoint(fullName, address) &&
              host_record::Disjoint(address, nip) && nip.end() <= kSize);
} // namespace contractor_record

// Purchase documents: an invoice (table 52) and a correction (table 54) carry
// the same fields at different offsets; for a correction the period, issue
// and receipt dates are one field.
struct DocumentLayout {
    int scanKind;       // host scan kind number
    HostField documentKey;
    HostField periodDate;
    HostField id1;
    HostField id2;
    HostField contractor;
    HostField transaction;
    HostField nip;
    HostField issueDate;
    HostField receiptDate;
    HostField paymentDays;
    HostField amount;
    HostField comment;
    HostField otherDeductionDate;
    HostField entryMode;
    HostField deductionSetting;
    std::size_t size;
};

inline constexpr int kHostDateWidth = 9; // 8 characters YYYYMMDD and NUL

inline constexpr DocumentLayout kInvoiceLayout{
    713,
    /*documentKey*/ {897, 4},
    /*periodDate*/ {237, kHostDateWidth},
    /*id1*/ {889, 4},
    /*id2*/ {893, 4},
    /*contractor*/ {877, 4},
    /*transaction*/ {2, 41},
    /*nip*/ {221, 14},
    /*issueDate*/ {515, kHostDateWidth},
    /*receiptDate*/ {246, kHostDateWidth},
    /*paymentDays*/ {273, 2},
    /*amount*/ {275, 8},
    /*comment*/ {399, 61},
    /*otherDeductionDate*/ {578, 1},
    /*entryMode*/ {235, 2},
    /*deductionSetting*/ {587, 2},
    /*size*/ 904,
};

inline constexpr DocumentLayout kCorrectionLayout{
    109,
    /*documentKey*/ {859, 4},
    /*periodDate*/ {279, kHostDateWidth},
    /*id1*/ {851, 4},
    /*id2*/ {855, 4},
    /*contractor*/ {839, 4},
    /*transaction*/ {2, 41},
    /*nip*/ {263, 16},
    /*issueDate*/ {279, kHostDateWidth},
    /*receiptDate*/ {279, kHostDateWidth},
    /*paymentDays*/ {306, 2},
    /*amount*/ {308, 8},
    /*comment*/ {390, 61},
    /*otherDeductionDate*/ {554, 1},
    /*entryMode*/ {235, 2},
    /*deductionSetting*/ {587, 2},
    /*size*/ 864,
};

namespace host_record {
// Every field of a layout lies inside the record and no two distinct fields
// overlap (the correction's three dates are deliberately one field).
constexpr bool LayoutSound(const DocumentLayout& l)
{
    const HostField f[] = {l.documentKey, l.periodDate, l.id1, l.id2, l.contractor, l.transaction, l.nip,
                           l.issueDate, l.receiptDate, l.paymentDays, l.amount, l.comment,
                           l.otherDeductionDate, l.entryMode, l.deductionSetting};
    const std::size_t n = sizeof f / sizeof f[0];
    for (std::size_t i = 0; i < n; ++i) {
        if (f[i].end() > l.size)
            return false;
        for (std::size_t j = i + 1; j < n; ++j) {
            const bool same = f[i].offset == f[j].offset && f[i].width == f[j].width;
            if (!same && !Disjoint(f[i], f[j]))
                return false;
        }
    }
    return true;
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
    HostField inUse;
    HostField amount;
    HostField rateCode;
    HostField vat;
    HostField purchaseKind;
    HostField deductionKind;
    std::size_t size;
};

inline constexpr LineLayout kInvoiceLineLayout{{140, 4}, {158, 8}, {166, 2}, {168, 8}, {212, 2}, {214, 2}, 216};
inline constexpr LineLayout kCorrectionLineLayout{{140, 4}, {158, 8}, {166, 2}, {168, 8}, {192, 2}, {194, 2}, 216};

namespace host_record {
constexpr bool LineLayoutSound(const LineLayout& l)
{
    const HostField f[] = {l.inUse, l.amount, l.rateCode, l.vat, l.purchaseKind, l.deductionKind};
    for (const HostField& a : f) {
        if (a.end() > l.size)
            return false;
        for (const HostField& b : f)
            if (&a != &b && !Disjoint(a, b))
                return false;
    }
    return true;
}
} // namespace host_record

static_assert(host_record::LineLayoutSound(kInvoiceLineLayout));
static_assert(host_record::LineLayoutSound(kCorrectionLineLayout));

// A host table object: the field at byte offset 8 points to the table's
// record buffer (a 32-bit pointer in the Windows build).
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
