// The host's reading of a dialog template block: the dialogs it holds, their
// controls, and where each data-bearing control keeps its value in the data
// record that a dialog runs over.  Nothing here knows any particular dialog.
// The block's byte layout, shared with the plug-in that writes it, is in
// contract/dialog_template_format.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "contract/dialog_template_format.h"

// The host's date text is 8 characters; a date input has exactly that length.
inline constexpr int kDialogDateLength = 8;
// More boxes than a 16-bit bit set holds cannot share one.
inline constexpr int kDialogMaxBoxesInRun = 16;

struct DialogControl {
    int number = 0; // 1-based position among the dialog's controls
    DialogControlKind kind = DialogControlKind::Label;
    int16_t id = -1;
    uint16_t flags = 0;
    uint16_t hotKey = 0;
    int16_t x = 0, y = 0, width = 0, height = 0;
    int32_t value = 0;
    std::string text; // Mazovia, as in the template (tildes and attribute bytes kept)

    // Input fields.
    DialogInputType input = DialogInputType::None;
    int inputLength = 0;            // characters (digits for a number)
    int32_t minimum = 0, maximum = 0; // number inputs

    // Storage in the data record; offset -1 when the control carries none.
    int offset = -1;
    int size = 0; // bytes at offset: length + 1, 4, or 2 (a check box's bit set)
    int bit = -1; // check boxes: the box's bit in the set

    bool carriesData() const { return offset >= 0; }
    bool disabledInTemplate() const { return (flags & kDialogFlagDisabled) != 0; }
    bool isOkButton() const { return kind == DialogControlKind::Button && (flags & kDialogFlagDefault) != 0; }
};

struct DialogLayout {
    int id = 0;
    uint16_t flags = 0;
    int width = 0, height = 0;
    std::string title; // Mazovia
    std::vector<DialogControl> controls;
    int dataSize = 0; // bytes of the data record the controls bind to

    int recordOffset = 0; // where the record's length field lies in the block
    int recordLength = 0; // its 16-bit length
};

struct DialogTemplateBlock {
    uint32_t bodyLength = 0; // the block's first four bytes
    std::vector<DialogLayout> dialogs;
};

// Parses a whole block of `size` readable bytes; reads nothing beyond them,
// nor beyond the length that the block gives itself.  On a malformed block
// returns false with a message (English, UTF-8) in *error.
bool ParseDialogTemplate(const unsigned char* block, std::size_t size, DialogTemplateBlock* out, std::string* error);

// The same for a block known only by its address, as a plug-in hands it over:
// the first four bytes say how long it is.  Picks out dialog `dialogId`.
bool ReadDialogFromBlock(const void* block, int dialogId, DialogLayout* out, std::string* error);

// Largest block the host believes: anything longer is a stray pointer or a
// corrupt length, not a template.
inline constexpr uint32_t kDialogMaxBlockBody = 1u << 20;

// A control's text as a person reads it, in UTF-8: hot-key tildes and the
// attribute bytes 0x01-0x05 dropped.
std::string DialogPlainText(std::string_view mazovia);

// The name by which answers address a control, in UTF-8: for an input the
// text of the label right before it, for any other control its own text;
// tildes, attribute bytes, a trailing colon and surrounding blanks dropped.
// index is 0-based.
std::string DialogCaption(const DialogLayout& dialog, std::size_t index);
