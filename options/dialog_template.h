// The template block that the host draws the options dialog from: dialog
// 20021 "Zakres eksportu dokumentów" and dialog 20069 "Przetwarzanie".
#pragma once

#include <cstdint>

inline constexpr int kDialogOptions = 20021;
inline constexpr int kDialogProcessing = 20069;
inline constexpr int kButtonOk = 0x5001;
inline constexpr int kButtonCancel = 0x5002;

// Bytes after the block's 4-byte total length field.
inline constexpr int kTemplateBodyLength = 1655;
inline constexpr int kTemplateBlockSize = 4 + kTemplateBodyLength;

// The whole block, built once from the description in dialog_template.cpp.
const unsigned char* ExportDialogTemplate();

// Control kinds of a template record.
enum TemplateKind : uint16_t {
    kKindHeader = 0xFFFF,
    kKindButton = 0,
    kKindCheckBox = 2,
    kKindLabel = 3,
    kKindBar = 4,
    kKindInput = 5,
    kKindFrame = 7,
};

// Control flags.
inline constexpr uint16_t kFlagData = 0x0400;     // check boxes and inputs
inline constexpr uint16_t kFlagDisabled = 0x0002;
inline constexpr uint16_t kFlagDefault = 0x0004;  // the OK button
