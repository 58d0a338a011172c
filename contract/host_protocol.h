// The values that plug-in and host agree on beyond the entries' types: the
// interface number, the modes an entry's argument selects, the sizes of
// blocks that one side hands over and the other fills, the layout of the
// purchase-kind settings, and the units and display bytes of host data.
#pragma once

#include <cstdint>

// The interface number of the host's entries.  A plug-in built against this
// list loads only into a host whose HostInterfaceVersion reports it.
inline constexpr int kHostInterfaceNumber = 112;

// HostIniAccess: what the call does with the key.
inline constexpr int kIniRead = 8;  // reads the value into the variables of the format (scanf)
inline constexpr int kIniWrite = 9; // writes the arguments formatted (printf)

// HostOpenFile: the share and access arguments of every file the plug-in
// opens: others may read and write the file meanwhile (the C library's
// deny-none sharing), with the host's default access.
inline constexpr int kOpenShareDenyNone = 0x40;
inline constexpr int kOpenAccessDefault = -1;

// HostFindContractor: look up the number in the key slot (HostContractorKey).
inline constexpr int kFindByKeySlot = -1;

// HostLineBuffer: the shared line buffer holds a line of at most 5001
// characters and its NUL.
inline constexpr int kHostLineBufferSize = 5002;
// HostConvertText: the conversion buffer of one line, twice the line buffer
// and a NUL (a Polish letter takes two bytes in UTF-8).  So no conversion is
// handed a larger destination, and no HostFilePrintf a text longer than one
// converted line (10004 bytes).
inline constexpr int kHostConversionSize = 2 * kHostLineBufferSize + 1;

// HostReadSettings: the current firm, and the two blocks of purchase kinds.
// Block 2 holds the kinds' names, 90 texts of 11 bytes each (10 characters
// and the NUL); the first is the marker when the firm has defined its kinds.
// Block 13 holds their codes, one 16-bit code per kind (1 to 9; 3 is fixed
// assets), in a block of 544 bytes.
inline constexpr int kSettingsCurrentFirm = -1;
inline constexpr int kSettingsPurchaseKindNames = 2;
inline constexpr int kSettingsPurchaseKindCodes = 13;
inline constexpr int kPurchaseKindNameCount = 90;
inline constexpr int kPurchaseKindNameSize = 11;
inline constexpr char kPurchaseKindsMarker[] = "9876543210";
inline constexpr int kPurchaseKindCodesSize = 544;
inline constexpr int kPurchaseKindCodeCount = 90;
static_assert(sizeof kPurchaseKindsMarker <= kPurchaseKindNameSize);
static_assert(kPurchaseKindCodeCount * 2 <= kPurchaseKindCodesSize);
// The purchase-kind code of a fixed-asset purchase.
inline constexpr int16_t kPurchaseKindFixedAsset = 3;

// Amounts in host records are counted in 1/10000 of a złoty.
inline constexpr double kHostAmountUnitsPerZloty = 10000.0;

// What the replacement host tells the plug-in's platform layer through the
// process's environment, for running the plug-in without a person: the
// scripted answers of the missing-entry prompt (a comma list of abort,
// retry, ignore).
inline constexpr char kPromptAnswersVariable[] = "TOMIVA_PROMPT_ANSWERS";

// Display bytes of host text: they change how the host draws what follows
// (0x02 emphasis on, 0x01 back to plain, up to 0x05) and are no characters.
inline constexpr char kTextPlain = '\x01';
inline constexpr char kTextEmphasis = '\x02';
inline constexpr unsigned char kTextLastDisplayByte = 0x05;
