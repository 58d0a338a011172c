// The host module "TOMIVA" as the plug-in finds it: every line of the host
// entry list is looked up here by its number.  An entry that the host does
// not define (a weak declaration left undefined) or that a test withholds is
// missing, exactly as in a host of an older version.
#include <algorithm>
#include <array>
#include <set>
#include <string>

#include "contract/host_api.h"
#include "contract/native_module.h"
#include "host/common/entry_guard.h"
#include "host/host_entry_impl.h"
#include "host/module/host_exports.h"
#include "host/services/host_session.h"

namespace {

struct ExportRow {
    int number;
    void* address;
};

const std::array<ExportRow, kHostEntryCount>& ExportTable()
{
    static const std::array<ExportRow, kHostEntryCount> table = [] {
        std::array<ExportRow, kHostEntryCount> t{{
#define HOST_ENTRY(number, name, conv, argc, result, params) {number, reinterpret_cast<void*>(&tomiva::name)},
#include "contract/host_entries.h"
#undef HOST_ENTRY
        }};
        std::sort(t.begin(), t.end(), [](const ExportRow& a, const ExportRow& b) { return a.number < b.number; });
        return t;
    }();
    return table;
}

// The row of an entry in the table, or -1.
int RowOf(int number)
{
    const auto& table = ExportTable();
    const auto it = std::lower_bound(table.begin(), table.end(), number,
                                     [](const ExportRow& row, int n) { return row.number < n; });
    return it != table.end() && it->number == number ? static_cast<int>(it - table.begin()) : -1;
}

// Look-ups per row.  The plug-in calls the look-up like an entry: nothing
// in it may allocate (or throw).
std::array<long, kHostEntryCount>& Lookups()
{
    static std::array<long, kHostEntryCount> lookups{};
    return lookups;
}

std::set<int>& Withheld()
{
    static std::set<int> withheld;
    return withheld;
}

// The entry in that row, unless a test withholds it; null for no row.
void* Find(int row, int number)
{
    if (row < 0 || Withheld().count(number) != 0)
        return nullptr;
    return ExportTable()[static_cast<std::size_t>(row)].address;
}

// A plug-in that asks for an entry this host lacks either abandons the
// command that needed it or goes on with a stand-in answer of its own: in
// neither case can the host vouch for what the command did, so it is marked.
void* LookupByNumber(int number)
{
    const int row = RowOf(number);
    if (row >= 0)
        ++Lookups()[static_cast<std::size_t>(row)];
    void* entry = Find(row, number);
    if (entry == nullptr) {
        const bool named = HostEntryGuard(false, [number] {
            const std::string text = "the plug-in asked for host entry " + std::to_string(number) +
                                     ", which this host does not have";
            for (const HostFailure& failure : HostState().failures)
                if (failure.text == text)
                    return true;
            HostRecordFailure(HostFailureKind::EntryMissing, text);
            return true;
        });
        // Without memory for the entry's number the kind is kept all the same.
        if (!named)
            HostRecordFailure(HostFailureKind::EntryMissing, "the plug-in asked for a host entry this host does not have");
    }
    return entry;
}

} // namespace

extern "C" {
__attribute__((visibility("default"))) extern const NativeModule native_module_TOMIVA;
const NativeModule native_module_TOMIVA = {"TOMIVA", &LookupByNumber};
}

void HostWithholdEntry(int number) { Withheld().insert(number); }
void HostClearWithheldEntries() { Withheld().clear(); }
void HostMarkWithheldEntries() {}

long HostLookupCount(int number)
{
    const int row = RowOf(number);
    return row < 0 ? 0 : Lookups()[static_cast<std::size_t>(row)];
}
