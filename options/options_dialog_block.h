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

// The whole block, built once from the description in options_dialog_block.cpp.
const unsigned char* ExportDialogTemplate();
