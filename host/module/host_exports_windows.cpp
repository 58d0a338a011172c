// The host module "TOMIVA" of the Windows build: TOMIVA.exe exports every
// entry of the list by number (TOMIVA.def, made from host/TOMIVA.def.in) and
// the plug-in finds them with GetProcAddress.  Withholding an entry clears
// its address in the program's own export table, which is then exactly the
// table of an older host that lacks the entry: GetProcAddress finds nothing
// at that number.  (The look-up count of the native build has no counterpart
// here: the system answers the look-ups.)
#include <windows.h>

#include <string>
#include <vector>

#include "host/module/host_exports.h"
#include "host/services/host_session.h"

namespace {

struct WithheldEntry {
    int number;
    DWORD address; // the entry's address in the table, put back when cleared
};

std::vector<WithheldEntry>& Withheld()
{
    static std::vector<WithheldEntry> withheld;
    return withheld;
}

// The export table's cell of an entry number, or null.
DWORD* ExportCell(int number)
{
    auto* base = reinterpret_cast<unsigned char*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (directory.VirtualAddress == 0 || directory.Size == 0)
        return nullptr;
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
    if (number < static_cast<int>(exports->Base) ||
        static_cast<DWORD>(number) - exports->Base >= exports->NumberOfFunctions)
        return nullptr;
    return reinterpret_cast<DWORD*>(base + exports->AddressOfFunctions) + (number - exports->Base);
}

bool WriteCell(DWORD* cell, DWORD value)
{
    DWORD protection = 0;
    if (!VirtualProtect(cell, sizeof *cell, PAGE_READWRITE, &protection))
        return false;
    *cell = value;
    VirtualProtect(cell, sizeof *cell, protection, &protection);
    return true;
}

} // namespace

void HostWithholdEntry(int number)
{
    for (const WithheldEntry& e : Withheld())
        if (e.number == number)
            return;
    DWORD* cell = ExportCell(number);
    if (cell == nullptr || *cell == 0)
        return; // not exported anyway
    const DWORD address = *cell;
    if (WriteCell(cell, 0))
        Withheld().push_back({number, address});
}

void HostMarkWithheldEntries()
{
    for (const WithheldEntry& e : Withheld())
        HostRecordFailure(HostFailureKind::EntryMissing,
                          "host entry " + std::to_string(e.number) +
                              " was withheld; the plug-in may have asked for it, unseen by this host");
}

void HostClearWithheldEntries()
{
    for (const WithheldEntry& e : Withheld())
        if (DWORD* cell = ExportCell(e.number); cell != nullptr)
            WriteCell(cell, e.address);
    Withheld().clear();
}
