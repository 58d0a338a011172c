// The host's reading of a dialog template block, which comes from a plug-in.
// Input: the block's bytes.
//   - nothing is read outside the bytes given (the sanitizer watches), and
//     a block is either refused with a message or read whole;
//   - a block that is read binds its data controls inside the data record,
//     one after the other without overlap (a run of check boxes shares one
//     16-bit set, a bit per box), and every control has a caption to answer
//     it by;
//   - the same block handed over by its address reads alike.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_support.h"
#include "host/dialog/dialog_template.h"

namespace {

void CheckBinding(const DialogLayout& dialog)
{
    int next = 0; // where the next data control's storage may begin
    int setOffset = -1;
    for (std::size_t i = 0; i < dialog.controls.size(); ++i) {
        const DialogControl& c = dialog.controls[i];
        FUZZ_CHECK(c.number == static_cast<int>(i) + 1);
        DialogCaption(dialog, i);
        if (!c.carriesData())
            continue;
        FUZZ_CHECK(c.size > 0 && c.offset + c.size <= dialog.dataSize);
        if (c.kind == DialogControlKind::CheckBox) {
            FUZZ_CHECK(c.size == 2 && c.bit >= 0 && c.bit < kDialogMaxBoxesInRun);
            if (c.offset == setOffset)
                continue; // the run's set, already counted
            setOffset = c.offset;
        } else {
            setOffset = -1;
        }
        FUZZ_CHECK(c.offset >= next);
        next = c.offset + c.size;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly the input's size: a read past it is a finding.
    auto block = std::make_unique<unsigned char[]>(size);
    std::memcpy(block.get(), data, size);
    DialogTemplateBlock parsed;
    std::string error;
    const bool read = ParseDialogTemplate(block.get(), size, &parsed, &error);
    FUZZ_CHECK(read == error.empty());
    if (!read)
        return 0;
    for (const DialogLayout& dialog : parsed.dialogs) {
        CheckBinding(dialog);
        // By address: the block's own length says where it ends, and the
        // bytes given hold at least that much.  The first dialog of an id
        // is the one picked.
        const DialogLayout* first = &dialog;
        for (const DialogLayout& other : parsed.dialogs)
            if (other.id == dialog.id) {
                first = &other;
                break;
            }
        DialogLayout again;
        FUZZ_CHECK(ReadDialogFromBlock(block.get(), dialog.id, &again, &error));
        FUZZ_CHECK(again.controls.size() == first->controls.size() && again.dataSize == first->dataSize);
    }
    return 0;
}
