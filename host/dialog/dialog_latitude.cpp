// The host with latitude checks the dialog object it is handed: slots 1 to
// 34 of its virtual table must be the dialog base's own operations, as the
// host implements them (entries 20937-20967, 24002-24004), not code of the
// plug-in's own.  A slot passes when it is the host's operation itself, or
// a call routine of the plug-in (an indirect jump through a word) whose word
// holds that operation, or holds no operation of the base yet (the routine
// is bound on its first call, after which the slot is checked again).
#include <bitset>
#include <cstdint>
#include <cstring>
#include <string>

#include "host/dialog/dialog_host.h"
#include "host/dialog/dialog_state.h"
#include "host/services/host_latitude.h"

namespace {

// Slots already reported during this dialog run, so that each is told once.
std::bitset<kDialogSlotCount>& Reported()
{
    static std::bitset<kDialogSlotCount> reported;
    return reported;
}

// The word an indirect jump at `code` goes through ("jmp *word": FF 25 and a
// 32-bit displacement, from the next instruction on x86-64, an address on
// i386), past an endbr prefix; null for any other code.
const void* const* JumpWord(const void* code)
{
    const unsigned char* p = static_cast<const unsigned char*>(code);
    static constexpr unsigned char kEndbr64[] = {0xF3, 0x0F, 0x1E, 0xFA};
    static constexpr unsigned char kEndbr32[] = {0xF3, 0x0F, 0x1E, 0xFB};
    if (std::memcmp(p, kEndbr64, 4) == 0 || std::memcmp(p, kEndbr32, 4) == 0)
        p += 4;
    if (p[0] != 0xFF || p[1] != 0x25)
        return nullptr;
    int32_t displacement;
    std::memcpy(&displacement, p + 2, sizeof displacement);
#if defined(__x86_64__)
    return reinterpret_cast<const void* const*>(p + 6 + displacement);
#else
    return reinterpret_cast<const void* const*>(static_cast<uintptr_t>(static_cast<uint32_t>(displacement)));
#endif
}

// The slot of the base whose own operation `function` is; 0 for none.
int BaseSlotOf(const void* function)
{
    const void* const* own = HostDialogBaseVtable();
    for (int slot = 1; slot < kDialogSlotCount; ++slot)
        if (own[slot] == function)
            return slot;
    return 0;
}

std::string SlotName(int slot)
{
    return "slot " + std::to_string(slot) + " (entry " +
           std::to_string(kDialogBaseSlotEntries[static_cast<std::size_t>(slot)]) + ")";
}

void Breach(int slot, const std::string& what)
{
    if (Reported().test(static_cast<std::size_t>(slot)))
        return;
    Reported().set(static_cast<std::size_t>(slot));
    LatitudeBreach("the dialog object's virtual-table " + SlotName(slot) + " " + what);
}

} // namespace

void LatitudeCheckDialogSlot(const void* object, int slot)
{
    if (!LatitudeOn() || object == nullptr || slot < 1 || slot >= kDialogSlotCount)
        return;
    const void* const* table = static_cast<const WDialogBase*>(object)->vtable;
    if (table == nullptr) {
        Breach(slot, "is missing: the object has no virtual table");
        return;
    }
    const void* own = HostDialogBaseVtable()[slot];
    const void* function = table[slot];
    if (function == own)
        return;
    if (function == nullptr) {
        Breach(slot, "is empty, not the dialog base's own operation");
        return;
    }
    if (const int other = BaseSlotOf(function); other != 0) {
        Breach(slot, "holds the base's operation of " + SlotName(other));
        return;
    }
    const void* const* word = JumpWord(function);
    if (word == nullptr) {
        Breach(slot, "is overridden: it holds code of the plug-in's own, not the dialog base's operation");
        return;
    }
    const void* target = *word;
    if (target == own)
        return;
    if (const int other = BaseSlotOf(target); other != 0)
        Breach(slot, "leads to the base's operation of " + SlotName(other));
}

void LatitudeCheckDialogTable(const void* object)
{
    if (!LatitudeOn())
        return;
    Reported().reset();
    for (int slot = 1; slot < kDialogSlotCount; ++slot)
        LatitudeCheckDialogSlot(object, slot);
}
