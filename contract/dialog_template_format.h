// The dialog template block as plug-in and host both read it: the byte
// layout of its records, control kinds, flags, hot keys and the field types
// of an input's descriptor.  The plug-in writes blocks in this form; the host
// draws dialogs from them.
//
// Block: a 32-bit length of what follows, then dialog records.  A dialog
// record: a 16-bit length (bytes after its count), a 16-bit control count, a
// header, the controls.  Header and controls: a head, then a NUL-terminated
// Mazovia text.  An input field instead has its kind, a 16-bit block length,
// the block (the head again and a field descriptor) and an empty text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "contract/le_fields.h"

enum class DialogControlKind : uint16_t {
    Button = 0,
    CheckBox = 2,
    Label = 3,
    Bar = 4,
    Input = 5,
    Frame = 7,
};
inline constexpr uint16_t kDialogHeaderKind = 0xFFFF;

enum class DialogInputType { None, Text, Date, Number };

// The block's start: how many bytes follow.
struct DialogBlockLayout {
    Field<LeU32> bodyLength;
    std::size_t size;
};
inline constexpr DialogBlockLayout kDialogBlock{.bodyLength = {0}, .size = 4};

// A dialog record's start.
struct DialogRecordLayout {
    Field<LeU16> length; // bytes after the count
    Field<LeU16> count;  // controls after the header
    std::size_t size;
};
inline constexpr DialogRecordLayout kDialogRecord{.length = {0}, .count = {2}, .size = 4};

// The head of the header and of every control.  The kind opens it; an input's
// record opens with the same kind word (DialogInputLayout).
struct DialogHeadLayout {
    Field<LeU16> kind; // a DialogControlKind, or kDialogHeaderKind
    Field<LeI16> id;
    Field<LeU16> flags;
    Field<LeU16> hotKey;
    Field<LeI16> x;
    Field<LeI16> y;
    Field<LeI16> width;
    Field<LeI16> height;
    Field<LeI32> value;
    std::size_t size;
};
inline constexpr DialogHeadLayout kDialogHead{
    .kind = {0},
    .id = {2},
    .flags = {4},
    .hotKey = {6},
    .x = {8},
    .y = {10},
    .width = {12},
    .height = {14},
    .value = {16},
    .size = 20,
};

// An input field's record before its block.
struct DialogInputLayout {
    Field<LeU16> kind; // DialogControlKind::Input
    Field<LeU16> blockLength;
    std::size_t size;
};
inline constexpr DialogInputLayout kDialogInput{.kind = {0}, .blockLength = {2}, .size = 4};

// The field descriptor after the head in an input's block: 8 zero bytes, the
// input length, the field type; then words of the field type's own.
struct DialogDescriptorLayout {
    Field<LeU16> inputLength; // characters (digits for a number)
    Field<LeU16> fieldType;   // kDialogField*
    std::size_t size;
};
inline constexpr DialogDescriptorLayout kDialogDescriptor{.inputLength = {8}, .fieldType = {10}, .size = 12};

// A number input's range closes its descriptor: the last two words.
struct DialogNumberRangeLayout {
    Field<LeI16> minimum;
    Field<LeI16> maximum;
    std::size_t size;
};
inline constexpr DialogNumberRangeLayout kDialogNumberRange{.minimum = {0}, .maximum = {2}, .size = 4};

namespace dialog_template {
constexpr bool LayoutSound(const DialogHeadLayout& l)
{
    const ByteSpan f[] = {l.kind.span(),  l.id.span(),    l.flags.span(), l.hotKey.span(), l.x.span(),
                          l.y.span(),     l.width.span(), l.height.span(), l.value.span()};
    return SpansSound(f, l.size) && l.value.end() == l.size;
}
} // namespace dialog_template

static_assert(kDialogBlock.bodyLength.end() == kDialogBlock.size);
static_assert(kDialogRecord.length.end() == kDialogRecord.count.offset && kDialogRecord.count.end() == kDialogRecord.size);
static_assert(dialog_template::LayoutSound(kDialogHead));
static_assert(kDialogInput.kind.offset == kDialogHead.kind.offset && kDialogInput.blockLength.end() == kDialogInput.size,
              "a control's first word tells an input from any other control");
static_assert(kDialogDescriptor.inputLength.end() == kDialogDescriptor.fieldType.offset &&
              kDialogDescriptor.fieldType.end() == kDialogDescriptor.size);
static_assert(kDialogNumberRange.minimum.end() == kDialogNumberRange.maximum.offset &&
              kDialogNumberRange.maximum.end() == kDialogNumberRange.size);

// Control flags.
inline constexpr uint16_t kDialogFlagData = 0x0400;     // every check box and input field
inline constexpr uint16_t kDialogFlagDisabled = 0x0002;
inline constexpr uint16_t kDialogFlagDefault = 0x0004;  // the OK button

// Hot-key values above the character range name keys; this one is F12.
inline constexpr uint16_t kDialogHotKeyF12 = 0x5500;

// Field types of an input's descriptor.
inline constexpr uint16_t kDialogFieldText = 0x0008;
inline constexpr uint16_t kDialogFieldDate = 0x0208;
inline constexpr uint16_t kDialogFieldNumber = 0x0001;
