// Runs the options dialog in the terminal it is started in, as tomiva would
// for a person: the host without a firm, not in batch mode, a dialog object
// whose virtual table holds the host's own entries looked up by number, and
// a zeroed options record.  After the dialog it prints the button that
// closed it and the record in hex, on standard output and into OUT.
//
//   dialog_terminal_driver OUT
#include <cstdio>
#include <cstring>
#include <string>

#include "host/dialog/dialog_host.h"
#include "host/app/host_runtime.h"
#include "options/options_dialog_block.h"
#include "export/export_options.h"
#include "contract/dialog_base.h"
#include "contract/host_api.h"
#include "contract/native_module.h"

extern "C" const NativeModule native_module_TOMIVA;

namespace {

template <typename Fn>
Fn* Entry(int number)
{
    return reinterpret_cast<Fn*>(native_module_TOMIVA.lookupByNumber(number));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: dialog_terminal_driver OUT\n");
        return 2;
    }
    HostConfig config;
    config.batch = false;
    std::string error;
    if (!HostStart(config, &error)) {
        std::fprintf(stderr, "dialog_terminal_driver: %s\n", error.c_str());
        return 2;
    }

    const void* vtable[kDialogSlotCount] = {HostDialogBaseVtable()[0]};
    for (int slot = 1; slot < kDialogSlotCount; ++slot) {
        vtable[slot] = native_module_TOMIVA.lookupByNumber(kDialogBaseSlotEntries[slot]);
        if (vtable[slot] == nullptr) {
            std::fprintf(stderr, "dialog_terminal_driver: the host lacks entry %d\n", kDialogBaseSlotEntries[slot]);
            return 2;
        }
    }
    WDialogBase object{};
    Entry<host_types::WDialogBaseConstruct>(20902)(&object);
    object.vtable = vtable;

    unsigned char record[kExportOptionsSize] = {};
    const int result =
        Entry<host_types::HostRunDialog>(24007)(&object, ExportDialogTemplate(), kDialogOptions, record, 0);
    Entry<host_types::WDialogBaseDestroy>(20903)(&object);
    HostStop();

    std::string line = "result ";
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(result));
    line += hex;
    line += " record ";
    for (unsigned char b : record) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
    }
    line += '\n';
    std::fputs(line.c_str(), stdout);

    // Written whole under a temporary name, so that a reader never sees half.
    const std::string out = argv[1];
    const std::string partial = out + ".part";
    FILE* file = std::fopen(partial.c_str(), "w");
    if (file == nullptr || std::fputs(line.c_str(), file) < 0 || std::fclose(file) != 0 ||
        std::rename(partial.c_str(), out.c_str()) != 0) {
        std::fprintf(stderr, "dialog_terminal_driver: cannot write %s\n", out.c_str());
        return 2;
    }
    return 0;
}
