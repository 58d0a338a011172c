// The host module "TOMIVA" as the plug-in finds it: every line of the host
// entry list is looked up here by its number.  An entry that the host does
// not define (a weak declaration left undefined) or that a test withholds is
// missing, exactly as in a host of an older version.
#include <algorithm>
#include <array>
#include <set>

#include "contract/host_api.h"
#include "contract/native_module.h"
#include "host/module/host_entry_impl.h"
#include "host/app/host_runtime.h"

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

void* LookupByNumber(int number)
{
    const int row = RowOf(number);
    if (row < 0)
        return nullptr;
    ++Lookups()[static_cast<std::size_t>(row)];
    if (Withheld().count(number) != 0)
        return nullptr;
    return ExportTable()[static_cast<std::size_t>(row)].address;
}

} // namespace

extern "C" {
__attribute__((visibility("default"))) extern const NativeModule native_module_TOMIVA;
const NativeModule native_module_TOMIVA = {"TOMIVA", &LookupByNumber};
}

void HostWithholdEntry(int number) { Withheld().insert(number); }
void HostClearWithheldEntries() { Withheld().clear(); }

long HostLookupCount(int number)
{
    const int row = RowOf(number);
    return row < 0 ? 0 : Lookups()[static_cast<std::size_t>(row)];
}
