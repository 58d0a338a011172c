// Field editing: typing, moving the caret and erasing in a text, date or
// number input.
#include "host/dialog/terminal/field_edit.h"

#include <algorithm>
#include <climits>

#include "host/common/mazovia.h"

namespace {

// The Mazovia byte of a typed character, or -1 when the host's text lacks it.
int MazoviaByte(char32_t c)
{
    if (c < 0x20 || c == 0x7F)
        return -1;
    return MazoviaByteOf(c);
}

bool Digit(int byte) { return byte >= '0' && byte <= '9'; }

// Cells the caret can move over: a date's slots, or the text typed so far.
int Cells(const FieldEdit& f) { return f.kind == FieldKind::Date ? kDialogDateLength : static_cast<int>(f.text.size()); }

// Starts over with an empty value when the field is fresh.
void ReplaceIfFresh(FieldEdit& f)
{
    if (f.fresh) {
        if (f.kind == FieldKind::Date)
            f.text.assign(kDialogDateLength, ' ');
        else
            f.text.clear();
        f.caret = 0;
    }
    f.fresh = false;
}

EditResult TypeIntoDate(FieldEdit& f, int byte)
{
    if (byte == '-' || byte == '.' || byte == '/')
        return EditResult::Unchanged; // the separators stand in the field already
    if (!Digit(byte))
        return EditResult::Refused;
    ReplaceIfFresh(f);
    if (f.caret >= kDialogDateLength)
        return EditResult::Refused;
    f.text[static_cast<std::size_t>(f.caret++)] = static_cast<char>(byte);
    return EditResult::Changed;
}

EditResult TypeIntoNumber(FieldEdit& f, int byte)
{
    const bool sign = byte == '-' && f.minusAllowed;
    if (!sign && !Digit(byte))
        return EditResult::Refused;
    ReplaceIfFresh(f);
    const bool negative = f.text.starts_with('-');
    const std::size_t digits = f.text.size() - (negative ? 1 : 0);
    // A minus only in front, a digit never before it.
    if ((sign && (f.caret != 0 || negative)) || (!sign && negative && f.caret == 0) ||
        (!sign && digits >= static_cast<std::size_t>(f.length)))
        return EditResult::Refused;
    f.text.insert(static_cast<std::size_t>(f.caret++), 1, static_cast<char>(byte));
    return EditResult::Changed;
}

EditResult TypeIntoText(FieldEdit& f, int byte)
{
    ReplaceIfFresh(f);
    if (f.text.size() >= static_cast<std::size_t>(f.length))
        return EditResult::Refused;
    f.text.insert(static_cast<std::size_t>(f.caret++), 1, static_cast<char>(byte));
    return EditResult::Changed;
}

EditResult Type(FieldEdit& f, char32_t c)
{
    const int byte = MazoviaByte(c);
    if (byte < 0)
        return EditResult::Refused;
    switch (f.kind) {
    case FieldKind::Date:
        return TypeIntoDate(f, byte);
    case FieldKind::Number:
        return TypeIntoNumber(f, byte);
    case FieldKind::Text:
        break;
    }
    return TypeIntoText(f, byte);
}

// Backspace (back) or Delete.  A date's slot is blanked, so that the
// others keep their places; elsewhere the character goes.
EditResult Erase(FieldEdit& f, bool back)
{
    f.fresh = false;
    const int at = back ? f.caret - 1 : f.caret;
    if (at < 0 || at >= static_cast<int>(f.text.size()))
        return EditResult::Unchanged;
    if (f.kind == FieldKind::Date)
        f.text[static_cast<std::size_t>(at)] = ' ';
    else
        f.text.erase(static_cast<std::size_t>(at), 1);
    if (back)
        f.caret = at;
    return EditResult::Changed;
}

EditResult MoveCaret(FieldEdit& f, int to)
{
    f.fresh = false;
    f.caret = std::clamp(to, 0, Cells(f));
    return EditResult::Unchanged;
}

} // namespace

FieldEdit StartFieldEdit(FieldKind kind, int length, bool minusAllowed, const std::string& value)
{
    FieldEdit f;
    f.kind = kind;
    f.length = length;
    f.minusAllowed = minusAllowed;
    if (kind == FieldKind::Date) {
        f.text = DateSlots(value);
        f.caret = static_cast<int>(f.text.find_last_not_of(' ') + 1); // npos + 1: no digit, the first slot
    } else {
        f.text = value;
        f.caret = static_cast<int>(f.text.size());
    }
    return f;
}

EditResult EditField(FieldEdit& field, const Key& key)
{
    // The caret never stands past the value, whatever the value became
    // since the last key.
    field.caret = std::clamp(field.caret, 0, Cells(field));
    switch (key.name) {
    case KeyName::Character:
        return Type(field, key.ch);
    case KeyName::Left:
        return MoveCaret(field, field.caret - 1);
    case KeyName::Right:
        return MoveCaret(field, field.caret + 1);
    case KeyName::Home:
        return MoveCaret(field, 0);
    case KeyName::End:
        return MoveCaret(field, Cells(field));
    case KeyName::Backspace:
        return Erase(field, true);
    case KeyName::Delete:
        return Erase(field, false);
    default:
        return EditResult::Unchanged;
    }
}

std::string DateSlots(const std::string& value)
{
    std::string slots = value.substr(0, kDialogDateLength);
    slots.resize(kDialogDateLength, ' ');
    return slots;
}

int32_t FieldNumber(const std::string& text)
{
    long long n = 0;
    const bool negative = !text.empty() && text[0] == '-';
    for (char ch : text)
        if (ch >= '0' && ch <= '9')
            n = std::min(n * 10 + (ch - '0'), 1LL << 40);
    n = negative ? -n : n;
    return static_cast<int32_t>(std::clamp<long long>(n, INT32_MIN, INT32_MAX));
}

int ScrollToCaret(int scroll, int caret, int width)
{
    scroll = std::min(scroll, caret);
    if (caret - scroll >= width)
        scroll = caret - width + 1;
    return scroll;
}
