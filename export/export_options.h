// ExportOptions: the 258-byte options record, at once the dialog's data
// record, the settings file's format and what the export run is asked to do.
// Packed, little-endian; every member is a byte array, so the struct has no
// gaps and no alignment of its own, and its numbers are read and written
// through memcpy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct KindRow {
    char account[11];      // up to 10 characters
    char registerCode[21]; // up to 20 characters
};

struct ExportOptions {
    char dateFrom[9];       // host date text YYYYMMDD
    char dateTo[9];
    unsigned char scope[2]; // 16-bit bit set, one bit per check box
    KindRow kinds[6];       // row i serves scope bit i
    char branchCode[21];
    char originPlace[21];
    unsigned char firmId[4]; // signed 32-bit
};

static_assert(sizeof(KindRow) == 32);
static_assert(offsetof(ExportOptions, dateFrom) == 0);
static_assert(offsetof(ExportOptions, dateTo) == 9);
static_assert(offsetof(ExportOptions, scope) == 18);
static_assert(offsetof(ExportOptions, kinds) == 20);
static_assert(offsetof(ExportOptions, branchCode) == 212);
static_assert(offsetof(ExportOptions, originPlace) == 233);
static_assert(offsetof(ExportOptions, firmId) == 254);
static_assert(sizeof(ExportOptions) == 258);
static_assert(alignof(ExportOptions) == 1);

inline constexpr int kExportOptionsSize = 258;

// scope bits, in check-box order
inline constexpr uint16_t ScopePurchaseInvoices = 1;
inline constexpr uint16_t ScopePurchaseCorrections = 2;
inline constexpr uint16_t ScopeSalesInvoices = 4;
inline constexpr uint16_t ScopeSalesCorrections = 8;
inline constexpr uint16_t ScopeReceipts = 16;
inline constexpr uint16_t ScopeReturns = 32;

// rows of kinds
inline constexpr int kKindRowInvoices = 0;
inline constexpr int kKindRowCorrections = 1;

inline uint16_t OptionsScope(const ExportOptions& o)
{
    uint16_t v;
    std::memcpy(&v, o.scope, sizeof v);
    return v;
}
inline void SetOptionsScope(ExportOptions& o, uint16_t v) { std::memcpy(o.scope, &v, sizeof v); }
inline int32_t OptionsFirmId(const ExportOptions& o)
{
    int32_t v;
    std::memcpy(&v, o.firmId, sizeof v);
    return v;
}
inline void SetOptionsFirmId(ExportOptions& o, int32_t v) { std::memcpy(o.firmId, &v, sizeof v); }
