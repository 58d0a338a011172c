// ExportOptions: the 258-byte options record, at once the dialog's data
// record, the settings file's format and what the export run is asked to do.
// Packed, little-endian; every member is a byte array, so the struct has no
// gaps and no alignment of its own, and its numbers are read and written
// through the fields of the record's layout (contract/settings_record.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "contract/settings_record.h"

struct KindRow {
    char account[11];      // up to 10 characters
    char registerCode[21]; // up to 20 characters
};

struct ExportOptions {
    char dateFrom[9];       // host date text YYYYMMDD
    char dateTo[9];
    unsigned char scope[2]; // 16-bit bit set, one bit per check box
    KindRow kinds[kSettingsKindRowCount]; // row i serves scope bit i
    char branchCode[21];
    char originPlace[21];
    unsigned char firmId[4]; // signed 32-bit
};

// The record as the plug-in holds it, laid out as the settings file's record
// (contract/settings_record.h).
static_assert(sizeof(KindRow) == kSettingsKindRowLayout.size);
static_assert(offsetof(KindRow, account) == kSettingsKindRowLayout.account.offset &&
              sizeof(KindRow::account) == kSettingsKindRowLayout.account.width());
static_assert(offsetof(KindRow, registerCode) == kSettingsKindRowLayout.registerCode.offset &&
              sizeof(KindRow::registerCode) == kSettingsKindRowLayout.registerCode.width());
static_assert(offsetof(ExportOptions, dateFrom) == kSettingsRecordLayout.dateFrom.offset &&
              sizeof(ExportOptions::dateFrom) == kSettingsRecordLayout.dateFrom.width());
static_assert(offsetof(ExportOptions, dateTo) == kSettingsRecordLayout.dateTo.offset &&
              sizeof(ExportOptions::dateTo) == kSettingsRecordLayout.dateTo.width());
static_assert(offsetof(ExportOptions, scope) == kSettingsRecordLayout.scope.offset &&
              sizeof(ExportOptions::scope) == kSettingsRecordLayout.scope.kWidth);
static_assert(offsetof(ExportOptions, kinds) == kSettingsRecordLayout.kindRows &&
              sizeof(ExportOptions::kinds) == kSettingsKindRowCount * kSettingsKindRowLayout.size);
static_assert(offsetof(ExportOptions, branchCode) == kSettingsRecordLayout.branchCode.offset &&
              sizeof(ExportOptions::branchCode) == kSettingsRecordLayout.branchCode.width());
static_assert(offsetof(ExportOptions, originPlace) == kSettingsRecordLayout.originPlace.offset &&
              sizeof(ExportOptions::originPlace) == kSettingsRecordLayout.originPlace.width());
static_assert(offsetof(ExportOptions, firmId) == kSettingsRecordLayout.firmId.offset &&
              sizeof(ExportOptions::firmId) == kSettingsRecordLayout.firmId.kWidth);
static_assert(sizeof(ExportOptions) == kSettingsRecordLayout.size);
static_assert(alignof(ExportOptions) == 1);

inline constexpr int kExportOptionsSize = static_cast<int>(kSettingsRecordLayout.size);

// rows of kinds
inline constexpr int kKindRowInvoices = 0;
inline constexpr int kKindRowCorrections = 1;

inline const unsigned char* OptionsBytes(const ExportOptions& o) { return reinterpret_cast<const unsigned char*>(&o); }
inline unsigned char* OptionsBytes(ExportOptions& o) { return reinterpret_cast<unsigned char*>(&o); }
inline uint16_t OptionsScope(const ExportOptions& o) { return kSettingsRecordLayout.scope.Read(OptionsBytes(o)); }
inline void SetOptionsScope(ExportOptions& o, uint16_t v) { kSettingsRecordLayout.scope.Write(OptionsBytes(o), v); }
inline int32_t OptionsFirmId(const ExportOptions& o) { return kSettingsRecordLayout.firmId.Read(OptionsBytes(o)); }
inline void SetOptionsFirmId(ExportOptions& o, int32_t v) { kSettingsRecordLayout.firmId.Write(OptionsBytes(o), v); }
