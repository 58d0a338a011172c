// The options dialog, described control by control as a person reads it,
// and laid out into the host's template bytes when first asked for.
#include "options/options_dialog_block.h"

#include <cctype>
#include <cstddef>
#include <cstring>
#include <initializer_list>

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

constexpr Control kOptionsControls[] = {
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
    Writer(unsigned char* out, std::size_t capacity) : out_(out), capacity_(capacity) {}
    void Put(const void* bytes, std::size_t n)
    {
        if (at_ + n > capacity_) {
            overflowed_ = true;
            return;
        }
        std::memcpy(out_ + at_, bytes, n);
        at_ += n;
    }
    // Words of a field type's own, after an input's descriptor.
    void Words(std::initializer_list<uint16_t> words)
    {
        for (uint16_t word : words) {
            unsigned char bytes[LeU16::kWidth];
            LeU16::Store(bytes, word);
            Put(bytes, sizeof bytes);
        }
    }
    void Text(const char* text) { Put(text, std::strlen(text) + 1); }
    // Sets a field of the record that starts at `where`, already put.
    template <typename Scalar, typename V> void Patch(std::size_t where, Field<Scalar> field, V value)
    {
        if (where + field.end() <= at_)
            field.Write(out_ + where, value);
    }
    bool overflowed() const { return overflowed_; }
    std::size_t at() const { return at_; }

private:
    unsigned char* out_;
    std::size_t capacity_;
    std::size_t at_ = 0;
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

// What a head holds, filled by name.
struct Head {
    uint16_t kind;
    int16_t id = -1;
    uint16_t flags = 0;
    uint16_t hotKey = 0;
    int16_t x = 0, y = 0, width = 0, height = 0;
    int32_t value = 0;
};

void WriteHead(Writer& w, const Head& h)
{
    unsigned char bytes[kDialogHead.size] = {};
    kDialogHead.kind.Write(bytes, h.kind);
    kDialogHead.id.Write(bytes, h.id);
    kDialogHead.flags.Write(bytes, h.flags);
    kDialogHead.hotKey.Write(bytes, h.hotKey);
    kDialogHead.x.Write(bytes, h.x);
    kDialogHead.y.Write(bytes, h.y);
    kDialogHead.width.Write(bytes, h.width);
    kDialogHead.height.Write(bytes, h.height);
    kDialogHead.value.Write(bytes, h.value);
    w.Put(bytes, sizeof bytes);
}

void WriteInput(Writer& w, const Control& c)
{
    constexpr uint16_t kInput = static_cast<uint16_t>(Kind::Input);
    uint16_t fieldType = 0;
    std::size_t ownBytes = 0; // the field type's own words and range
    switch (c.input) {
    case Input::Text:
        fieldType = kDialogFieldText;
        ownBytes = 3 * LeU16::kWidth;
        break;
    case Input::Date:
        fieldType = kDialogFieldDate;
        ownBytes = 3 * LeU16::kWidth;
        break;
    case Input::Number:
        fieldType = kDialogFieldNumber;
        ownBytes = 2 * LeU16::kWidth + kDialogNumberRange.size;
        break;
    case Input::None:
        break;
    }

    unsigned char start[kDialogInput.size] = {};
    kDialogInput.kind.Write(start, kInput);
    kDialogInput.blockLength.Write(start,
                                   static_cast<uint16_t>(kDialogHead.size + kDialogDescriptor.size + ownBytes));
    w.Put(start, sizeof start);
    WriteHead(w, {.kind = kInput, .id = c.id, .flags = c.flags, .x = c.x, .y = c.y, .width = c.width,
                  .height = c.height});

    unsigned char descriptor[kDialogDescriptor.size] = {};
    kDialogDescriptor.inputLength.Write(descriptor, static_cast<uint16_t>(c.length));
    kDialogDescriptor.fieldType.Write(descriptor, fieldType);
    w.Put(descriptor, sizeof descriptor);
    switch (c.input) {
    case Input::Text:
        w.Words({0, static_cast<uint16_t>(c.length), 1});
        break;
    case Input::Date:
        w.Words({2, 8, 1});
        break;
    case Input::Number: { // range 0 to 99
        w.Words({0, 0});
        unsigned char range[kDialogNumberRange.size] = {};
        kDialogNumberRange.minimum.Write(range, int16_t{0});
        kDialogNumberRange.maximum.Write(range, int16_t{99});
        w.Put(range, sizeof range);
        break;
    }
    case Input::None:
        break;
    }
    w.Text("");
}

void WriteDialog(Writer& w, const Dialog& d)
{
    const std::size_t recordAt = w.at();
    unsigned char start[kDialogRecord.size] = {};
    kDialogRecord.count.Write(start, static_cast<uint16_t>(d.count));
    w.Put(start, sizeof start); // the length is patched below
    const std::size_t bodyAt = w.at();
    WriteHead(w, {.kind = kDialogHeaderKind, .id = d.id, .flags = d.flags, .width = d.width, .height = d.height});
    w.Text(d.title);
    for (int i = 0; i < d.count; ++i) {
        const Control& c = d.controls[i];
        if (c.kind == Kind::Input) {
            WriteInput(w, c);
            continue;
        }
        WriteHead(w, {.kind = static_cast<uint16_t>(c.kind),
                      .id = c.id,
                      .flags = c.flags,
                      .hotKey = c.hotKey != 0 ? c.hotKey : HotKeyOf(c.text),
                      .x = c.x,
                      .y = c.y,
                      .width = c.width,
                      .height = c.height,
                      .value = c.value});
        w.Text(c.text);
    }
    w.Patch(recordAt, kDialogRecord.length, static_cast<uint16_t>(w.at() - bodyAt));
}

} // namespace

const unsigned char* ExportDialogTemplate()
{
    static unsigned char block[kTemplateBlockSize];
    static bool built = false;
    if (!built) {
        Writer w(block, kTemplateBlockSize);
        const unsigned char start[kDialogBlock.size] = {};
        w.Put(start, sizeof start); // the total length is patched below
        for (const Dialog& d : kDialogs)
            WriteDialog(w, d);
        w.Patch(0, kDialogBlock.bodyLength, static_cast<uint32_t>(w.overflowed() ? 0 : w.at() - kDialogBlock.size));
        built = true;
    }
    return block;
}
