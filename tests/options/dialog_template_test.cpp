// The host's reading of template blocks: the plug-in's real block, the
// storage binding that must land on the options record, and blocks that are
// cut short or whose lengths disagree, which must be refused without a read
// past their end (the copies below are exactly as long as the block).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/dialog/dialog_template.h"
#include "options/options_dialog_block.h"
#include "export/export_options.h"

namespace {

std::vector<unsigned char> RealBlock()
{
    const unsigned char* block = ExportDialogTemplate();
    return std::vector<unsigned char>(block, block + kTemplateBlockSize);
}

DialogTemplateBlock Parse(const std::vector<unsigned char>& block)
{
    DialogTemplateBlock parsed;
    std::string error;
    EXPECT_TRUE(ParseDialogTemplate(block.data(), block.size(), &parsed, &error)) << error;
    return parsed;
}

DialogLayout OptionsDialog()
{
    DialogLayout d;
    std::string error;
    EXPECT_TRUE(ReadDialogFromBlock(ExportDialogTemplate(), kDialogOptions, &d, &error)) << error;
    return d;
}

void PutU16(std::vector<unsigned char>& b, std::size_t at, uint16_t v)
{
    b[at] = static_cast<unsigned char>(v & 0xFF);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}
uint16_t GetU16(const std::vector<unsigned char>& b, std::size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
void PutU32(std::vector<unsigned char>& b, std::size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
}

// Where control `number` of dialog 20021 starts in the block.
std::size_t ControlAt(const std::vector<unsigned char>& b, int number)
{
    std::size_t at = 8 + 20; // past the block and record lengths and the header's head
    while (b[at] != 0)
        ++at;
    ++at; // the title's NUL
    for (int n = 1; n < number; ++n) {
        if (GetU16(b, at) == static_cast<uint16_t>(DialogControlKind::Input)) {
            at += 4 + GetU16(b, at + 2) + 1;
            continue;
        }
        at += 20;
        while (b[at] != 0)
            ++at;
        ++at;
    }
    return at;
}

TEST(DialogTemplate, RealBlockHoldsBothDialogsWithTheirLengths)
{
    const DialogTemplateBlock parsed = Parse(RealBlock());
    EXPECT_EQ(parsed.bodyLength, 1655u);
    ASSERT_EQ(parsed.dialogs.size(), 2u);

    const DialogLayout& options = parsed.dialogs[0];
    EXPECT_EQ(options.id, 20021);
    EXPECT_EQ(options.recordOffset, 4);
    EXPECT_EQ(options.recordLength, 1527);
    EXPECT_EQ(options.controls.size(), 43u);
    EXPECT_EQ(DialogPlainText(options.title), "Zakres eksportu dokumentów");
    EXPECT_EQ(options.width, 60);
    EXPECT_EQ(options.height, 19);
    EXPECT_EQ(options.flags, 0);

    const DialogLayout& processing = parsed.dialogs[1];
    EXPECT_EQ(processing.id, 20069);
    EXPECT_EQ(processing.recordOffset, 4 + 4 + 1527);
    EXPECT_EQ(processing.recordLength, 120);
    EXPECT_EQ(processing.flags, 0x4008);
    EXPECT_EQ(processing.title, "Przetwarzanie");
    EXPECT_EQ(processing.width, 48);
    EXPECT_EQ(processing.height, 5);
    ASSERT_EQ(processing.controls.size(), 2u);
    EXPECT_EQ(processing.controls[0].kind, DialogControlKind::Frame);
    EXPECT_EQ(processing.controls[0].value, 3);
    EXPECT_EQ(processing.controls[1].kind, DialogControlKind::Bar);
    EXPECT_EQ(processing.controls[1].id, 0x4003);
    EXPECT_EQ(processing.controls[1].text,
              "1234567890\x05" "1234567890\x02" "12345\x03" "67890\x04" "1234567890");
    EXPECT_EQ(DialogPlainText(processing.controls[1].text), "1234567890123456789012345678901234567890");
    EXPECT_EQ(processing.dataSize, 0);
}

TEST(DialogTemplate, ControlsOfTheOptionsDialogAsWritten)
{
    struct Row {
        int number;
        DialogControlKind kind;
        int x, y, width;
        uint16_t flags, hotKey;
        int id;
        DialogInputType input;
        int length;
        const char* caption;
    };
    using K = DialogControlKind;
    using I = DialogInputType;
    const Row rows[] = {
        {1, K::Label, 2, 2, 9, 0, 'O', -1, I::None, 0, "Od daty"},
        {2, K::Input, 11, 2, 16, 0x0400, 0, -1, I::Date, 8, "Od daty"},
        {4, K::Input, 39, 2, 16, 0x0400, 0, -1, I::Date, 8, "Do daty"},
        {6, K::CheckBox, 2, 5, 22, 0x0400, 'Z', -1, I::None, 0, "Faktury zakupu"},
        {8, K::CheckBox, 2, 7, 22, 0x0402, 'F', -1, I::None, 0, "Faktury sprzed."},
        {13, K::Input, 26, 5, 18, 0x0400, 0, -1, I::Text, 10, "Konto kh (brutto)"},
        {15, K::Input, 46, 5, 12, 0x0400, 0, -1, I::Text, 20, "Rejestr KH"},
        {17, K::Input, 26, 6, 18, 0x0400, 0, -1, I::Text, 10, ""},
        {20, K::Label, 1, 1, 1, 0x0002, 0, -1, I::None, 0, ""},
        {35, K::Input, 46, 10, 12, 0x0402, 0, -1, I::Text, 20, ""},
        {37, K::Input, 23, 12, 12, 0x0400, 0, -1, I::Text, 20, "Kod oddzialu"},
        {41, K::Input, 23, 14, 12, 0x0400, 0, -1, I::Number, 2, "ID firmy z KH"},
        {42, K::Button, 15, 16, 16, 0x0004, 0x5500, 0x5001, I::None, 0, "F12 OK"},
        {43, K::Button, 35, 16, 8, 0, 'A', 0x5002, I::None, 0, "Anuluj"},
    };
    const DialogLayout d = OptionsDialog();
    for (const Row& row : rows) {
        SCOPED_TRACE("control " + std::to_string(row.number));
        const DialogControl& c = d.controls[static_cast<std::size_t>(row.number - 1)];
        EXPECT_EQ(c.number, row.number);
        EXPECT_EQ(c.kind, row.kind);
        EXPECT_EQ(c.x, row.x);
        EXPECT_EQ(c.y, row.y);
        EXPECT_EQ(c.width, row.width);
        EXPECT_EQ(c.height, 1);
        EXPECT_EQ(c.flags, row.flags);
        EXPECT_EQ(c.hotKey, row.hotKey);
        EXPECT_EQ(c.id, row.id);
        EXPECT_EQ(c.input, row.input);
        EXPECT_EQ(c.inputLength, row.length);
        EXPECT_EQ(DialogCaption(d, static_cast<std::size_t>(row.number - 1)), row.caption);
    }
    const DialogControl& firm = d.controls[40];
    EXPECT_EQ(firm.minimum, 0);
    EXPECT_EQ(firm.maximum, 99);
    EXPECT_TRUE(d.controls[41].isOkButton());
    EXPECT_FALSE(d.controls[42].isOkButton());
}

// Every control's flags as the template holds them, control by control, in
// both dialogs: 0x0400 holds data, 0x0002 disabled, 0x0004 the default
// button.  A flag lost or gained changes what the user may do.
TEST(DialogTemplate, FlagsOfEveryControlOfBothDialogs)
{
    constexpr uint16_t D = 0x0400, X = 0x0002;
    struct Case {
        int dialog;
        std::vector<uint16_t> flags; // of controls 1, 2, ...
    };
    const Case cases[] = {
        {kDialogOptions,
         {
             0, D, 0, D,                               // the period
             0, D, D, D | X, D | X, D | X, D | X,      // the scope's boxes
             0, D, 0, D,                               // the invoices' account and register
             0, D, 0, D,                               // the corrections'
             X, D | X, X, D | X, X, D | X, X, D | X,   // rows of kinds this export does not have
             X, D | X, X, D | X, X, D | X, X, D | X,
             0, D, 0, D, 0, D,                         // branch, place of origin, firm id
             0x0004, 0,                                // OK (the default), Anuluj
         }},
        {kDialogProcessing, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("dialog " + std::to_string(c.dialog));
        DialogLayout d;
        std::string error;
        ASSERT_TRUE(ReadDialogFromBlock(ExportDialogTemplate(), c.dialog, &d, &error)) << error;
        ASSERT_EQ(d.controls.size(), c.flags.size());
        for (std::size_t i = 0; i < c.flags.size(); ++i)
            EXPECT_EQ(d.controls[i].flags, c.flags[i]) << "control " << i + 1;
    }
}

TEST(DialogTemplate, BindingLandsOnTheOptionsRecord)
{
    struct Field {
        int number;
        std::size_t offset, size;
        int bit;
    };
    std::vector<Field> fields = {
        {2, offsetof(ExportOptions, dateFrom), 9, -1},
        {4, offsetof(ExportOptions, dateTo), 9, -1},
    };
    for (int bit = 0; bit < 6; ++bit)
        fields.push_back({6 + bit, offsetof(ExportOptions, scope), 2, bit});
    // Rows 0 and 1 after their captions, rows 2 to 5 after empty labels.
    for (int row = 0; row < 6; ++row) {
        const int account = row == 0 ? 13 : 17 + 4 * (row - 1);
        const std::size_t rowAt = offsetof(ExportOptions, kinds) + sizeof(KindRow) * static_cast<std::size_t>(row);
        fields.push_back({account, rowAt + offsetof(KindRow, account), 11, -1});
        fields.push_back({account + 2, rowAt + offsetof(KindRow, registerCode), 21, -1});
    }
    fields.push_back({37, offsetof(ExportOptions, branchCode), 21, -1});
    fields.push_back({39, offsetof(ExportOptions, originPlace), 21, -1});
    fields.push_back({41, offsetof(ExportOptions, firmId), 4, -1});

    const DialogLayout d = OptionsDialog();
    EXPECT_EQ(d.dataSize, static_cast<int>(sizeof(ExportOptions)));
    std::vector<bool> bound(d.controls.size() + 1, false);
    for (const Field& f : fields) {
        SCOPED_TRACE("control " + std::to_string(f.number));
        const DialogControl& c = d.controls[static_cast<std::size_t>(f.number - 1)];
        EXPECT_EQ(c.offset, static_cast<int>(f.offset));
        EXPECT_EQ(c.size, static_cast<int>(f.size));
        EXPECT_EQ(c.bit, f.bit);
        bound[static_cast<std::size_t>(f.number)] = true;
    }
    // Labels and buttons take no storage.
    for (const DialogControl& c : d.controls)
        EXPECT_EQ(c.carriesData(), bound[static_cast<std::size_t>(c.number)]) << "control " << c.number;
}

TEST(DialogTemplate, EveryCutOfTheBlockIsRefused)
{
    const std::vector<unsigned char> whole = RealBlock();
    const std::size_t firstRecordEnd = 4 + 4 + 1527;
    for (std::size_t n = 0; n < whole.size(); ++n) {
        // As cut, the length field promises more than is there.
        std::vector<unsigned char> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(ParseDialogTemplate(cut.data(), cut.size(), nullptr, nullptr)) << "cut at " << n;
        // With the length made to fit, the last record is cut instead; only
        // a cut right after the first dialog leaves a whole block.
        if (n >= 4 && n != firstRecordEnd) {
            PutU32(cut, 0, static_cast<uint32_t>(n - 4));
            std::string error;
            EXPECT_FALSE(ParseDialogTemplate(cut.data(), cut.size(), nullptr, &error)) << "cut at " << n;
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(DialogTemplate, MalformedBlocksAreRefusedWithTheReason)
{
    using Block = std::vector<unsigned char>;
    struct Case {
        const char* what;
        std::function<void(Block&)> spoil;
        const char* reason;
    };
    const std::size_t record = 4;
    const Case cases[] = {
        {"block length too long", [](Block& b) { PutU32(b, 0, 1656); }, "1656 bytes follow, but only 1655"},
        {"record length one more", [&](Block& b) { PutU16(b, record, 1528); },
         "its length says 1528 bytes, but its header and 43 controls take 1527"},
        {"record length one less", [&](Block& b) { PutU16(b, record, 1526); }, "control 43 of 43"},
        {"one control more", [&](Block& b) { PutU16(b, record + 2, 44); }, "control 44 of 44"},
        {"one control fewer", [&](Block& b) { PutU16(b, record + 2, 42); }, "but its header and 42 controls take"},
        {"header kind", [&](Block& b) { PutU16(b, record + 4, 3); }, "does not start with a dialog header"},
        {"unknown kind", [](Block& b) { PutU16(b, ControlAt(b, 1), 6); }, "control 1 of 43: its kind 6 is unknown"},
        {"second header", [](Block& b) { PutU16(b, ControlAt(b, 3), 0xFFFF); }, "control 3 of 43: it is a second"},
        {"input head kind", [](Block& b) { PutU16(b, ControlAt(b, 2) + 4, 3); }, "not an input's"},
        {"input block too short", [](Block& b) { PutU16(b, ControlAt(b, 2) + 2, 31); }, "too short for a head"},
        {"input block past the record", [](Block& b) { PutU16(b, ControlAt(b, 41) + 2, 2000); },
         "runs past the end of the dialog record"},
        {"field type", [](Block& b) { PutU16(b, ControlAt(b, 2) + 4 + 20 + 10, 9); }, "field type 9 is unknown"},
        {"date length", [](Block& b) { PutU16(b, ControlAt(b, 2) + 4 + 20 + 8, 7); },
         "date input of 7 characters"},
        {"number range", [](Block& b) { PutU16(b, ControlAt(b, 41) + 4 + 20 + 18, 0xFFFF); }, "is empty"},
        {"text without end", [&](Block& b) { b[record + 4 + 1527 - 1] = 'x'; }, "control 43 of 43: its text runs past"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Block block = RealBlock();
        c.spoil(block);
        std::string error;
        EXPECT_FALSE(ParseDialogTemplate(block.data(), block.size(), nullptr, &error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

// Synthetic dialogs for the binding rule alone.
class Builder {
public:
    void Head(uint16_t kind, uint16_t flags = 0)
    {
        for (uint16_t v : {kind, uint16_t(0xFFFF), flags, uint16_t(0), uint16_t(1), uint16_t(1), uint16_t(5),
                           uint16_t(1), uint16_t(0), uint16_t(0)})
            U16(v);
    }
    void Control(DialogControlKind kind, const char* text = "")
    {
        Head(static_cast<uint16_t>(kind));
        Text(text);
        ++count_;
    }
    void Input(uint16_t type, uint16_t length, std::vector<uint16_t> words)
    {
        U16(static_cast<uint16_t>(DialogControlKind::Input));
        U16(static_cast<uint16_t>(20 + 12 + 2 * words.size()));
        Head(static_cast<uint16_t>(DialogControlKind::Input), 0x0400);
        for (int i = 0; i < 4; ++i)
            U16(0);
        U16(length);
        U16(type);
        for (uint16_t w : words)
            U16(w);
        Text("");
        ++count_;
    }
    std::vector<unsigned char> Block(int id = 7) const
    {
        Builder h;
        h.Head(kDialogHeaderKind);
        h.bytes_[2] = static_cast<unsigned char>(id);
        h.bytes_[3] = 0;
        h.Text("T");
        std::vector<unsigned char> record = h.bytes_;
        record.insert(record.end(), bytes_.begin(), bytes_.end());
        std::vector<unsigned char> block;
        block.reserve(8 + record.size());
        block.resize(8);
        PutU32(block, 0, static_cast<uint32_t>(4 + record.size()));
        PutU16(block, 4, static_cast<uint16_t>(record.size()));
        PutU16(block, 6, static_cast<uint16_t>(count_));
        block.insert(block.end(), record.begin(), record.end());
        return block;
    }

private:
    void U16(uint16_t v)
    {
        bytes_.push_back(static_cast<unsigned char>(v & 0xFF));
        bytes_.push_back(static_cast<unsigned char>(v >> 8));
    }
    void Text(const char* text) { bytes_.insert(bytes_.end(), text, text + std::strlen(text) + 1); }
    std::vector<unsigned char> bytes_;
    int count_ = 0;
};

TEST(DialogTemplate, BoxRunsShareABitSetAndInputsFollowInOrder)
{
    Builder b;
    b.Control(DialogControlKind::Label, "A:");
    for (int i = 0; i < 3; ++i)
        b.Control(DialogControlKind::CheckBox, "box");
    b.Control(DialogControlKind::Label, "B:");
    for (int i = 0; i < 2; ++i)
        b.Control(DialogControlKind::CheckBox, "box");
    b.Input(kDialogFieldNumber, 3, {0, 0, 0xFFF6 /* -10 */, 500});
    b.Control(DialogControlKind::Frame);
    b.Input(kDialogFieldText, 3, {0, 3, 1});
    b.Control(DialogControlKind::CheckBox, "alone");
    b.Input(kDialogFieldDate, 8, {2, 8, 1});
    b.Control(DialogControlKind::Button, "OK");

    const DialogTemplateBlock parsed = Parse(b.Block());
    ASSERT_EQ(parsed.dialogs.size(), 1u);
    const DialogLayout& d = parsed.dialogs[0];
    struct Expect {
        int offset, size, bit;
    };
    const Expect expected[] = {
        {-1, 0, -1}, {0, 2, 0}, {0, 2, 1}, {0, 2, 2}, {-1, 0, -1}, {2, 2, 0}, {2, 2, 1},
        {4, 4, -1},  {-1, 0, -1}, {8, 4, -1}, {12, 2, 0}, {14, 9, -1}, {-1, 0, -1},
    };
    ASSERT_EQ(d.controls.size(), std::size(expected));
    for (std::size_t i = 0; i < d.controls.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(i + 1));
        EXPECT_EQ(d.controls[i].offset, expected[i].offset);
        EXPECT_EQ(d.controls[i].size, expected[i].size);
        EXPECT_EQ(d.controls[i].bit, expected[i].bit);
    }
    EXPECT_EQ(d.dataSize, 23);
    EXPECT_EQ(d.controls[7].minimum, -10);
    EXPECT_EQ(d.controls[7].maximum, 500);
}

TEST(DialogTemplate, SixteenBoxesInARowFitAndSeventeenDoNot)
{
    for (int boxes : {16, 17}) {
        Builder b;
        for (int i = 0; i < boxes; ++i)
            b.Control(DialogControlKind::CheckBox, "box");
        const std::vector<unsigned char> block = b.Block();
        std::string error;
        EXPECT_EQ(ParseDialogTemplate(block.data(), block.size(), nullptr, &error), boxes == 16) << error;
        if (boxes == 17) {
            EXPECT_NE(error.find("control 17 would be check box 17 in a row"), std::string::npos) << error;
        }
    }
}

TEST(DialogTemplate, ReadingByAddressFindsTheDialogOrSaysItIsMissing)
{
    DialogLayout d;
    std::string error;
    EXPECT_TRUE(ReadDialogFromBlock(ExportDialogTemplate(), kDialogProcessing, &d, &error)) << error;
    EXPECT_EQ(d.id, kDialogProcessing);
    EXPECT_FALSE(ReadDialogFromBlock(ExportDialogTemplate(), 4242, &d, &error));
    EXPECT_EQ(error, "the template block has no dialog 4242");

    // A length no template has is not followed at all.
    std::vector<unsigned char> block = RealBlock();
    PutU32(block, 0, 0x7FFFFFF0);
    EXPECT_FALSE(ReadDialogFromBlock(block.data(), kDialogOptions, &d, &error));
    EXPECT_NE(error.find("no template is that long"), std::string::npos) << error;
}

} // namespace
