// The options dialog, described control by control as a person reads it,
// and laid out into the host's template bytes when first asked for.
#include "options/dialog_template.h"

#include <cctype>
#include <cstddef>
#include <cstring>

#include "contract/dialog_template_format.h"
#include "contract/mazovia_literal.h"

namespace {

using Input = DialogInputType;
using Kind = DialogControlKind;

struct Control {
    Kind kind;
    int16_t x, y, width, height;
    uint16_t flags = 0;
    const char* text = "";   // Mazovia; a letter between tildes is the hot key
    Input input = Input::None;
    int16_t length = 0;      // input length in characters
    int16_t id = -1;         // buttons and the bar are addressed by id
    uint16_t hotKey = 0;     // given where the text marks none (the OK button)
    int32_t value = 0;
};

struct Dialog {
    int16_t id;
    const char* title;
    int16_t width, height;
    uint16_t flags;
    const Control* controls;
    int count;
};

constexpr uint16_t kData = kDialogFlagData;
constexpr uint16_t kOff = kDialogFlagDisabled;

constexpr MazoviaText kTitleOptions{u8"Zakres eksportu dokumentów"};

// Every input has a label before it; an input without a visible caption
// gets an empty 1 x 1 label at (1, 1), disabled with its input.
#define EMPTY_LABEL(flags) {Kind::Label, 1, 1, 1, 1, flags, ""}
#define TEXT_ROW(y, flags)                                                   \
    EMPTY_LABEL(flags), {Kind::Input, 26, y, 18, 1, kData | flags, "", Input::Text, 10}, \
    EMPTY_LABEL(flags), {Kind::Input, 46, y, 12, 1, kData | flags, "", Input::Text, 20}

const Control kOptionsControls[] = {
    {Kind::Label, 2, 2, 9, 1, 0, "~O~d daty:"},
    {Kind::Input, 11, 2, 16, 1, kData, "", Input::Date, 8},
    {Kind::Label, 30, 2, 9, 1, 0, "D~o~ daty:"},
    {Kind::Input, 39, 2, 16, 1, kData, "", Input::Date, 8},
    {Kind::Label, 2, 4, 9, 1, 0, "Zakres:"},
    {Kind::CheckBox, 2, 5, 22, 1, kData, "Faktury ~z~akupu"},
    {Kind::CheckBox, 2, 6, 22, 1, kData, "Korekty za~k~upu"},
    {Kind::CheckBox, 2, 7, 22, 1, kData | kOff, "~F~aktury sprzed."},
    {Kind::CheckBox, 2, 8, 22, 1, kData | kOff, "Korekty s~p~rzed."},
    {Kind::CheckBox, 2, 9, 22, 1, kData | kOff, "~P~aragony"},
    {Kind::CheckBox, 2, 10, 22, 1, kData | kOff, "Z~w~roty"},
    {Kind::Label, 26, 4, 18, 1, 0, "Konto kh (brutto):"},
    {Kind::Input, 26, 5, 18, 1, kData, "", Input::Text, 10},
    {Kind::Label, 46, 4, 12, 1, 0, "Rejestr KH:"},
    {Kind::Input, 46, 5, 12, 1, kData, "", Input::Text, 20},
    TEXT_ROW(6, 0),
    TEXT_ROW(7, kOff),
    TEXT_ROW(8, kOff),
    TEXT_ROW(9, kOff),
    TEXT_ROW(10, kOff),
    // The captions are the exact texts users have always seen, "Kod oddzialu"
    // without its "ł" among them: do not correct them.
    {Kind::Label, 2, 12, 18, 1, 0, "Kod oddzialu:"},
    {Kind::Input, 23, 12, 12, 1, kData, "", Input::Text, 20},
    {Kind::Label, 2, 13, 18, 1, 0, "Miejsce powstania:"},
    {Kind::Input, 23, 13, 12, 1, kData, "", Input::Text, 20},
    {Kind::Label, 2, 14, 18, 1, 0, "ID firmy z KH:"},
    {Kind::Input, 23, 14, 12, 1, kData, "", Input::Number, 2},
    {Kind::Button, 15, 16, 16, 1, kDialogFlagDefault, "\x05" "F12\x01 OK", Input::None, 0, kButtonOk, kDialogHotKeyF12},
    {Kind::Button, 35, 16, 8, 1, 0, "~A~nuluj", Input::None, 0, kButtonCancel},
};

#undef TEXT_ROW
#undef EMPTY_LABEL

const Control kProcessingControls[] = {
    {Kind::Frame, 3, 1, 42, 3, 0, "", Input::None, 0, -1, 0, 3},
    {Kind::Bar, 4, 2, 40, 1, 0, "1234567890\x05" "1234567890\x02" "12345\x03" "67890\x04" "1234567890", Input::None, 0,
     0x4003},
};

const Dialog kDialogs[] = {
    {kDialogOptions, kTitleOptions.c_str(), 60, 19, 0, kOptionsControls,
     static_cast<int>(sizeof kOptionsControls / sizeof kOptionsControls[0])},
    {kDialogProcessing, "Przetwarzanie", 48, 5, 0x4008, kProcessingControls,
     static_cast<int>(sizeof kProcessingControls / sizeof kProcessingControls[0])},
};

// Writes into the fixed block and never past its end: a description that
// outgrew the block leaves the block's total length at 0, which no host
// accepts and the template's tests report.
class Writer {
public:
    Writer(unsigned char* out, int capacity) : out_(out), capacity_(capacity) {}
    void U16(int v)
    {
        const uint16_t u = static_cast<uint16_t>(v);
        Put(&u, 2);
    }
    void U32(int32_t v) { Put(&v, 4); }
    void Text(const char* text) { Put(text, static_cast<int>(std::strlen(text)) + 1); }
    bool overflowed() const { return overflowed_; }
    int at() const { return at_; }
    void PatchU16(int where, int v)
    {
        const uint16_t u = static_cast<uint16_t>(v);
        std::memcpy(out_ + where, &u, 2);
    }
    void PatchU32(int where, int32_t v) { std::memcpy(out_ + where, &v, 4); }

private:
    void Put(const void* bytes, int n)
    {
        if (at_ + n > capacity_) {
            overflowed_ = true;
            return;
        }
        std::memcpy(out_ + at_, bytes, static_cast<std::size_t>(n));
        at_ += n;
    }
    unsigned char* out_;
    int capacity_;
    int at_ = 0;
    bool overflowed_ = false;
};

// The upper-case form of the letter between the tildes, or 0.
uint16_t HotKeyOf(const char* text)
{
    const char* tilde = std::strchr(text, '~');
    if (tilde == nullptr || tilde[1] == '\0')
        return 0;
    return static_cast<uint16_t>(std::toupper(static_cast<unsigned char>(tilde[1])));
}

void WriteHead(Writer& w, uint16_t kind, int16_t id, uint16_t flags, uint16_t hotKey, int16_t x, int16_t y,
               int16_t width, int16_t height, int32_t value)
{
    w.U16(kind);
    w.U16(id);
    w.U16(flags);
    w.U16(hotKey);
    w.U16(x);
    w.U16(y);
    w.U16(width);
    w.U16(height);
    w.U32(value);
}

void WriteInput(Writer& w, const Control& c)
{
    const bool number = c.input == Input::Number;
    w.U16(static_cast<uint16_t>(Kind::Input));
    w.U16(number ? 40 : 38); // the block: the head again and the field descriptor
    WriteHead(w, static_cast<uint16_t>(Kind::Input), c.id, c.flags, 0, c.x, c.y, c.width, c.height, 0);
    for (int i = 0; i < 4; ++i)
        w.U16(0);
    w.U16(c.length);
    switch (c.input) {
    case Input::Text:
        w.U16(kDialogFieldText);
        w.U16(0);
        w.U16(c.length);
        w.U16(1);
        break;
    case Input::Date:
        w.U16(kDialogFieldDate);
        w.U16(2);
        w.U16(8);
        w.U16(1);
        break;
    case Input::Number: // range 0 to 99
        w.U16(kDialogFieldNumber);
        w.U16(0);
        w.U16(0);
        w.U16(0);
        w.U16(99);
        break;
    case Input::None:
        break;
    }
    w.Text("");
}

void WriteDialog(Writer& w, const Dialog& d)
{
    const int lengthAt = w.at();
    w.U16(0); // length, patched below
    w.U16(d.count);
    const int start = w.at();
    WriteHead(w, kDialogHeaderKind, d.id, d.flags, 0, 0, 0, d.width, d.height, 0);
    w.Text(d.title);
    for (int i = 0; i < d.count; ++i) {
        const Control& c = d.controls[i];
        if (c.kind == Kind::Input) {
            WriteInput(w, c);
            continue;
        }
        WriteHead(w, static_cast<uint16_t>(c.kind), c.id, c.flags, c.hotKey != 0 ? c.hotKey : HotKeyOf(c.text), c.x, c.y, c.width,
                  c.height, c.value);
        w.Text(c.text);
    }
    w.PatchU16(lengthAt, w.at() - start);
}

} // namespace

const unsigned char* ExportDialogTemplate()
{
    static unsigned char block[kTemplateBlockSize];
    static bool built = false;
    if (!built) {
        Writer w(block, kTemplateBlockSize);
        w.U32(0); // total length, patched below
        for (const Dialog& d : kDialogs)
            WriteDialog(w, d);
        w.PatchU32(0, w.overflowed() ? 0 : w.at() - 4);
        built = true;
    }
    return block;
}
