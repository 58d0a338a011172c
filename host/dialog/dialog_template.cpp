// Template blocks come from a plug-in, so every length in them is checked
// against the bytes actually there before anything is read: a bad block is
// refused with a message, never followed past its end.
#include "host/dialog/dialog_template.h"

#include <cstring>

#include "host/common/mazovia.h"

namespace {

constexpr std::size_t kInputBlockMinimum = kDialogHead.size + kDialogDescriptor.size;

// A window of the block that all reads go through.
class Reader {
public:
    Reader(const unsigned char* base, std::size_t begin, std::size_t end) : base_(base), at_(begin), end_(end) {}

    std::size_t at() const { return at_; }
    std::size_t left() const { return end_ - at_; }

    // The next n bytes, for the fields of an n-byte layout; null when fewer
    // are left.
    const unsigned char* Bytes(std::size_t n)
    {
        if (left() < n)
            return nullptr;
        const unsigned char* bytes = base_ + at_;
        at_ += n;
        return bytes;
    }
    // The next n bytes without moving on; null when fewer are left.
    const unsigned char* Peek(std::size_t n) const { return left() < n ? nullptr : base_ + at_; }
    // A NUL-terminated text that ends inside the window.
    bool Text(std::string* text)
    {
        const void* nul = std::memchr(base_ + at_, '\0', left());
        if (nul == nullptr)
            return false;
        const std::size_t length = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - (base_ + at_));
        text->assign(reinterpret_cast<const char*>(base_ + at_), length);
        at_ += length + 1;
        return true;
    }
    // The next n bytes as a window of their own; the caller checked left().
    Reader Take(std::size_t n)
    {
        Reader part(base_, at_, at_ + n);
        at_ += n;
        return part;
    }

private:
    const unsigned char* base_;
    std::size_t at_;
    std::size_t end_;
};

struct Head {
    uint16_t kind;
    int16_t id;
    uint16_t flags, hotKey;
    int16_t x, y, width, height;
    int32_t value;
};

bool ReadHead(Reader& r, Head* h)
{
    const unsigned char* bytes = r.Bytes(kDialogHead.size);
    if (bytes == nullptr)
        return false;
    h->kind = kDialogHead.kind.Read(bytes);
    h->id = kDialogHead.id.Read(bytes);
    h->flags = kDialogHead.flags.Read(bytes);
    h->hotKey = kDialogHead.hotKey.Read(bytes);
    h->x = kDialogHead.x.Read(bytes);
    h->y = kDialogHead.y.Read(bytes);
    h->width = kDialogHead.width.Read(bytes);
    h->height = kDialogHead.height.Read(bytes);
    h->value = kDialogHead.value.Read(bytes);
    return true;
}

void Apply(const Head& h, DialogControl* c)
{
    c->id = h.id;
    c->flags = h.flags;
    c->hotKey = h.hotKey;
    c->x = h.x;
    c->y = h.y;
    c->width = h.width;
    c->height = h.height;
    c->value = h.value;
}

bool KnownKind(uint16_t kind)
{
    switch (static_cast<DialogControlKind>(kind)) {
    case DialogControlKind::Button:
    case DialogControlKind::CheckBox:
    case DialogControlKind::Label:
    case DialogControlKind::Bar:
    case DialogControlKind::Input:
    case DialogControlKind::Frame:
        return true;
    }
    return false;
}

// An input's record up to its text: the kind, the block length, the block
// (head and field descriptor).
bool ReadInputBlock(Reader& r, DialogControl* c, std::string* why)
{
    const unsigned char* start = r.Bytes(kDialogInput.size);
    if (start == nullptr) {
        *why = "its block length is cut off";
        return false;
    }
    const uint16_t blockLength = kDialogInput.blockLength.Read(start);
    if (blockLength < kInputBlockMinimum) {
        *why = "its block of " + std::to_string(blockLength) + " bytes is too short for a head and a field descriptor";
        return false;
    }
    if (r.left() < blockLength) {
        *why = "its block of " + std::to_string(blockLength) + " bytes runs past the end of the dialog record";
        return false;
    }
    Reader block = r.Take(blockLength);

    Head h{};
    ReadHead(block, &h);
    if (h.kind != static_cast<uint16_t>(DialogControlKind::Input)) {
        *why = "the head inside its block has kind " + std::to_string(h.kind) + ", not an input's";
        return false;
    }
    Apply(h, c);
    const unsigned char* descriptor = block.Bytes(kDialogDescriptor.size);
    const uint16_t length = kDialogDescriptor.inputLength.Read(descriptor);
    const uint16_t type = kDialogDescriptor.fieldType.Read(descriptor);
    // The block's own end bounds the field type's own words.
    const std::size_t ownBytes = (blockLength - kInputBlockMinimum) / LeU16::kWidth * LeU16::kWidth;
    const unsigned char* own = block.Bytes(ownBytes);

    c->inputLength = length;
    switch (type) {
    case kDialogFieldText:
        c->input = DialogInputType::Text;
        break;
    case kDialogFieldDate:
        c->input = DialogInputType::Date;
        if (length != kDialogDateLength) {
            *why = "it is a date input of " + std::to_string(length) + " characters; the host's dates have " +
                   std::to_string(kDialogDateLength);
            return false;
        }
        break;
    case kDialogFieldNumber:
        c->input = DialogInputType::Number;
        // The range closes the descriptor: its lowest and highest value.
        if (ownBytes < kDialogNumberRange.size) {
            *why = "its number descriptor gives no range";
            return false;
        }
        c->minimum = kDialogNumberRange.minimum.Read(own + ownBytes - kDialogNumberRange.size);
        c->maximum = kDialogNumberRange.maximum.Read(own + ownBytes - kDialogNumberRange.size);
        if (c->minimum > c->maximum) {
            *why = "its range " + std::to_string(c->minimum) + " to " + std::to_string(c->maximum) + " is empty";
            return false;
        }
        break;
    default:
        *why = "its field type " + std::to_string(type) + " is unknown";
        return false;
    }
    if (length == 0) {
        *why = "its input length is 0";
        return false;
    }
    return true;
}

bool ReadControl(Reader& r, DialogControl* c, std::string* why)
{
    // The kind opens a head and an input's record alike.
    const unsigned char* first = r.Peek(kDialogHead.kind.end());
    if (first == nullptr) {
        *why = "it is cut off";
        return false;
    }
    const uint16_t kind = kDialogHead.kind.Read(first);
    if (kind == kDialogHeaderKind) {
        *why = "it is a second dialog header";
        return false;
    }
    if (!KnownKind(kind)) {
        *why = "its kind " + std::to_string(kind) + " is unknown";
        return false;
    }
    c->kind = static_cast<DialogControlKind>(kind);
    if (c->kind == DialogControlKind::Input) {
        if (!ReadInputBlock(r, c, why))
            return false;
    } else {
        Head h{};
        if (!ReadHead(r, &h)) {
            *why = "its head is cut off";
            return false;
        }
        Apply(h, c);
    }
    if (!r.Text(&c->text)) {
        *why = "its text runs past the end of the dialog record";
        return false;
    }
    return true;
}

// Data layout: controls take their storage one after the other in template
// order; a run of consecutive check boxes shares one 16-bit bit set.
bool Bind(DialogLayout* d, std::string* error)
{
    int offset = 0;
    int runStart = -1; // offset of the current run's bit set
    int runCount = 0;
    for (DialogControl& c : d->controls) {
        if (c.kind == DialogControlKind::CheckBox) {
            if (runCount == 0) {
                runStart = offset;
                offset += 2;
            } else if (runCount == kDialogMaxBoxesInRun) {
                *error = "dialog " + std::to_string(d->id) + ": control " + std::to_string(c.number) +
                         " would be check box " + std::to_string(runCount + 1) +
                         " in a row; a bit set holds " + std::to_string(kDialogMaxBoxesInRun);
                return false;
            }
            c.offset = runStart;
            c.size = 2;
            c.bit = runCount++;
            continue;
        }
        runCount = 0;
        if (c.kind != DialogControlKind::Input)
            continue;
        c.offset = offset;
        c.size = c.input == DialogInputType::Number ? 4 : c.inputLength + 1;
        offset += c.size;
    }
    d->dataSize = offset;
    return true;
}

bool ReadDialog(const unsigned char* block, std::size_t recordAt, std::size_t end, DialogLayout* d,
                std::size_t* next, std::string* error)
{
    const std::string where = "dialog record at byte " + std::to_string(recordAt);
    Reader r(block, recordAt, end);
    const unsigned char* start = r.Bytes(kDialogRecord.size);
    if (start == nullptr) {
        *error = where + " is cut off before its length and count";
        return false;
    }
    const uint16_t length = kDialogRecord.length.Read(start);
    const uint16_t count = kDialogRecord.count.Read(start);
    if (r.left() < length) {
        *error = where + " says " + std::to_string(length) + " bytes follow, but the block has " +
                 std::to_string(r.left()) + " left";
        return false;
    }
    const std::size_t recordEnd = r.at() + length;
    Reader body(block, r.at(), recordEnd);
    d->recordOffset = static_cast<int>(recordAt);
    d->recordLength = length;

    Head h{};
    if (!ReadHead(body, &h) || h.kind != kDialogHeaderKind || !body.Text(&d->title)) {
        *error = where + " does not start with a dialog header and its title";
        return false;
    }
    d->id = h.id;
    d->flags = h.flags;
    d->width = h.width;
    d->height = h.height;
    const std::string name = "dialog " + std::to_string(d->id);

    d->controls.reserve(count);
    for (int i = 1; i <= count; ++i) {
        DialogControl c;
        c.number = i;
        std::string why;
        if (!ReadControl(body, &c, &why)) {
            *error = name + ", control " + std::to_string(i) + " of " + std::to_string(count) + ": " + why +
                     " (its record says " + std::to_string(length) + " bytes)";
            return false;
        }
        d->controls.push_back(std::move(c));
    }
    if (body.left() != 0) {
        *error = name + ": its length says " + std::to_string(length) + " bytes, but its header and " +
                 std::to_string(count) + " controls take " + std::to_string(length - body.left());
        return false;
    }
    if (!Bind(d, error))
        return false;
    *next = recordEnd;
    return true;
}

} // namespace

bool ParseDialogTemplate(const unsigned char* block, std::size_t size, DialogTemplateBlock* out, std::string* error)
{
    std::string scratch;
    if (error == nullptr)
        error = &scratch;
    if (block == nullptr || size < kDialogBlock.size) {
        *error = "the template block is shorter than its length field";
        return false;
    }
    DialogTemplateBlock parsed;
    parsed.bodyLength = kDialogBlock.bodyLength.Read(block);
    if (parsed.bodyLength > size - kDialogBlock.size) {
        *error = "the template block says " + std::to_string(parsed.bodyLength) + " bytes follow, but only " +
                 std::to_string(size - kDialogBlock.size) + " are there";
        return false;
    }
    const std::size_t end = kDialogBlock.size + static_cast<std::size_t>(parsed.bodyLength);
    std::size_t at = kDialogBlock.size;
    while (at < end) {
        DialogLayout d;
        if (!ReadDialog(block, at, end, &d, &at, error))
            return false;
        parsed.dialogs.push_back(std::move(d));
    }
    if (parsed.dialogs.empty()) {
        *error = "the template block holds no dialog";
        return false;
    }
    if (out != nullptr)
        *out = std::move(parsed);
    return true;
}

bool ReadDialogFromBlock(const void* block, int dialogId, DialogLayout* out, std::string* error)
{
    std::string scratch;
    if (error == nullptr)
        error = &scratch;
    if (block == nullptr) {
        *error = "no template block";
        return false;
    }
    const unsigned char* bytes = static_cast<const unsigned char*>(block);
    const uint32_t body = kDialogBlock.bodyLength.Read(bytes);
    if (body > kDialogMaxBlockBody) {
        *error = "the template block says " + std::to_string(body) + " bytes follow; no template is that long";
        return false;
    }
    DialogTemplateBlock parsed;
    if (!ParseDialogTemplate(bytes, kDialogBlock.size + static_cast<std::size_t>(body), &parsed, error))
        return false;
    for (DialogLayout& d : parsed.dialogs)
        if (d.id == dialogId) {
            if (out != nullptr)
                *out = std::move(d);
            return true;
        }
    *error = "the template block has no dialog " + std::to_string(dialogId);
    return false;
}

std::string DialogPlainText(std::string_view mazovia)
{
    std::string kept;
    kept.reserve(mazovia.size());
    for (char ch : mazovia) {
        const unsigned char b = static_cast<unsigned char>(ch);
        if (ch != '~' && (b == 0 || b > 0x05))
            kept.push_back(ch);
    }
    return MazoviaToUtf8(kept);
}

std::string DialogCaption(const DialogLayout& dialog, std::size_t index)
{
    if (index >= dialog.controls.size())
        return {};
    const DialogControl& c = dialog.controls[index];
    std::string text;
    if (c.kind == DialogControlKind::Input) {
        if (index > 0 && dialog.controls[index - 1].kind == DialogControlKind::Label)
            text = DialogPlainText(dialog.controls[index - 1].text);
    } else {
        text = DialogPlainText(c.text);
    }
    auto blank = [](char ch) { return ch == ' ' || ch == '\t'; };
    while (!text.empty() && blank(text.back()))
        text.pop_back();
    if (!text.empty() && text.back() == ':')
        text.pop_back();
    while (!text.empty() && blank(text.back()))
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && blank(text[start]))
        ++start;
    return text.substr(start);
}
