// The settings file (a_mas.cfg): the 258-byte options record that the
// plug-in's dialog edits, saves and reads back, and that the host's verify
// reads to learn a batch run's period and kinds.  Little-endian, packed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "contract/le_fields.h"

// The settings file's name, a bare name: the host resolves it in the firm's
// data directory.
inline constexpr char kSettingsFileName[] = "a_mas.cfg";

// One row of accounts: a purchase kind's account and register code.
struct SettingsKindRowLayout {
    TextField<11> account;      // up to 10 characters
    TextField<21> registerCode; // up to 20 characters
    std::size_t size;
};

inline constexpr SettingsKindRowLayout kSettingsKindRowLayout{
    .account = {0},
    .registerCode = {11},
    .size = 32,
};

struct SettingsRecordLayout {
    TextField<9> dateFrom; // host date text YYYYMMDD
    TextField<9> dateTo;
    Field<LeU16> scope;    // one bit per check box (kScope...)
    std::size_t kindRows;  // kSettingsKindRowCount rows of kSettingsKindRowLayout
    TextField<21> branchCode;
    TextField<21> originPlace;
    Field<LeI32> firmId;
    std::size_t size;
};

inline constexpr int kSettingsKindRowCount = 6; // row i serves scope bit i

inline constexpr SettingsRecordLayout kSettingsRecordLayout{
    .dateFrom = {0},
    .dateTo = {9},
    .scope = {18},
    .kindRows = 20,
    .branchCode = {212},
    .originPlace = {233},
    .firmId = {254},
    .size = 258,
};

// Bits of scope, in check-box order.
inline constexpr uint16_t kScopePurchaseInvoices = 1;
inline constexpr uint16_t kScopePurchaseCorrections = 2;
inline constexpr uint16_t kScopeSalesInvoices = 4;
inline constexpr uint16_t kScopeSalesCorrections = 8;
inline constexpr uint16_t kScopeReceipts = 16;
inline constexpr uint16_t kScopeReturns = 32;

namespace settings_record {
constexpr bool LayoutSound(const SettingsRecordLayout& l, const SettingsKindRowLayout& row)
{
    const ByteSpan rowFields[] = {row.account.span(), row.registerCode.span()};
    const ByteSpan fields[] = {l.dateFrom.span(), l.dateTo.span(), l.scope.span(),
                               {l.kindRows, kSettingsKindRowCount * row.size},
                               l.branchCode.span(), l.originPlace.span(), l.firmId.span()};
    return SpansSound(rowFields, row.size) && SpansSound(fields, l.size);
}
} // namespace settings_record

static_assert(settings_record::LayoutSound(kSettingsRecordLayout, kSettingsKindRowLayout));
