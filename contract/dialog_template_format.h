// The dialog template block as plug-in and host both read it: control kinds,
// flags, hot keys and the field types of an input's descriptor.  The
// plug-in writes blocks in this form; the host draws dialogs from them.
#pragma once

#include <cstdint>

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
