// The controls' values and the data record that a dialog runs over, laid out
// by the template: a text or date as its bytes up to the NUL, a number as a
// 32-bit value, a check box as its bit in a 16-bit set.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "host/dialog/dialog_state.h"

namespace {

uint16_t ReadU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void WriteU16(unsigned char* p, uint16_t v)
{
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>(v >> 8);
}

// A text field's value as the record holds it: up to the NUL, at most the
// input length.
std::string FieldText(const unsigned char* field, const DialogControl& c)
{
    const void* nul = std::memchr(field, '\0', static_cast<std::size_t>(c.inputLength));
    const std::size_t length = nul != nullptr ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - field)
                                              : static_cast<std::size_t>(c.inputLength);
    return std::string(reinterpret_cast<const char*>(field), length);
}

} // namespace

void LoadDialogFromRecord(RunningDialog& d)
{
    for (int n = 1; n <= d.count(); ++n) {
        const DialogControl& c = d.control(n);
        if (!c.carriesData())
            continue;
        const unsigned char* field = d.data + c.offset;
        DialogControlState& s = d.at(n);
        if (c.kind == DialogControlKind::CheckBox)
            s.checked = (ReadU16(field) >> c.bit & 1) != 0;
        else if (c.input == DialogInputType::Number)
            std::memcpy(&s.number, field, sizeof s.number);
        else
            s.text = FieldText(field, c);
    }
}

void StoreDialogIntoRecord(RunningDialog& d)
{
    for (int n = 1; n <= d.count(); ++n) {
        const DialogControl& c = d.control(n);
        if (!c.carriesData())
            continue;
        unsigned char* field = d.data + c.offset;
        const DialogControlState& s = d.at(n);
        if (c.kind == DialogControlKind::CheckBox) {
            const uint16_t bits = ReadU16(field);
            const uint16_t mask = static_cast<uint16_t>(1u << c.bit);
            WriteU16(field, static_cast<uint16_t>(s.checked ? bits | mask : bits & ~mask));
        } else if (c.input == DialogInputType::Number) {
            std::memcpy(field, &s.number, sizeof s.number);
        } else if (FieldText(field, c) != s.text) {
            const std::size_t length = std::min(s.text.size(), static_cast<std::size_t>(c.inputLength));
            std::memset(field, 0, static_cast<std::size_t>(c.size));
            std::memcpy(field, s.text.data(), length);
        }
    }
}
