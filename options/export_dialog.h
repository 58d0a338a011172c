// CExportVentalorTxt: the dialog object of the export command.  It lives for
// one command: the host's dialog base part first, the options record that
// the dialog edits, and the state of the export run, kept here so that the
// command can release it wherever the run stopped.
#pragma once

#include <cstddef>

#include "contract/dialog_base.h"
#include "contract/host_api.h"
#include "export/export_options.h"
#include "export/export_run.h"

struct CExportVentalorTxt {
    WDialogBase base;      // first: the host sees the object as its dialog
    ExportOptions options; // the dialog's data record, loaded from and saved to the settings file
    ExportRun run;
    // Whether the host's part was built (its constructor may be the entry
    // that is missing): only a built part is destroyed.
    bool baseConstructed;

    // Empties the object, builds the host's part, loads the options and sets
    // the run up.
    void Construct();
    // Tears the run down and the host's part with it (where it was built).
    void Destroy();

    // The settings file: true when the whole record was read or written; on
    // failure the user is told (and a record that could not be read is empty).
    bool LoadOptions();
    bool SaveOptions();
};

static_assert(offsetof(CExportVentalorTxt, base) == 0, "the host reads the object from its start as its dialog");

// The export command: the handler of the plug-in's menu entry.  Its result is
// the handler's result for the host, always 0.
int ExportCommand();
