// ExportRun: the state of one export run and its operations.  The export
// command keeps it inside its dialog object, so that everything a run holds
// (the export file, the flag tables, the stored documents, the buffers)
// lives in one place that the command can release when a host entry stays
// missing.  A set-up serves one run.
//
// One pass over the host's tables reads the documents of the period, sums
// their VAT lines, marks their contractors and keeps each document as a
// compact record in a stream of blocks (document_records.h); the
// contractors are written (contractor_element.h), then the documents from
// the stream (docs/export-run.md).  The run keeps the state and the order of
// the steps; each step is a function over the parts it uses.
//
// A zero-filled ExportRun is empty: TearDown releases nothing.
#pragma once

#include <cstdint>

#include "contract/host_protocol.h"
#include "export/contractor_flags.h"
#include "export/document_store.h"
#include "export/export_options.h"
#include "export/line_writer.h"
#include "export/register_element.h"
#include "export/run_notices.h"
#include "shell/platform.h"
#include "export/vat_breakdown.h"

// What became of the export file: not created; being written under its
// temporary name; removed unfinished; left behind unfinished because it
// could not be removed; complete and in the place of the export file.
enum class ExportFileState : uint8_t { NotCreated, Unfinished, Removed, LeftBehind, Written };

struct ExportRun {
    int32_t invoiceCount;
    int32_t correctionCount;
    unsigned char purchaseKindSettings[kPurchaseKindCodesSize];
    VatBreakdown vat;
    ContractorFlags flags;
    void* outputFile;
    // The file being written, under its temporary name while it exists
    // ("" otherwise), and the name it gets when it is complete.
    char temporaryPath[kPathSize];
    char exportPath[kPathSize];
    // The temporary file as the plug-in created it, held until it is in
    // place or removed.
    PlatformNewFile temporaryFile;
    OutputLines out;
    // The documents between their reading and their writing.
    DocumentStore store;
    // The document being written and one of its positions, and their
    // shared lines.
    RegisterRecords records;
    // Set at the first failure of a run that created its file.
    RunFailure failure;
    NoticeCases contractorsMissing;
    ExportFileState fileState;
    void* contractorTable;
    void* invoiceTable;
    void* correctionTable;
    unsigned char* contractorRecord;
    unsigned char* invoiceRecord;
    unsigned char* correctionRecord;
    // Set when the set-up opened every table and allocated both flag tables:
    // without them the run must not start.
    bool ready;

    // Opens the host's tables and allocates the flag tables; tells the user
    // when something is missing.  True when the run can start.
    bool SetUp();
    // Closes the export file and removes it when it is still the temporary
    // one, and gives every block back to the host; safe on an empty run and
    // after an abandoned one.
    void TearDown();
    // Names the file, writes the whole XML document under a temporary name,
    // checks it and puts it in the place of the export file, then tells the
    // user how many documents were written.  True only when the complete,
    // checked file is in place; otherwise the user has been told why not and
    // the export file of that name is as it was.
    bool RunExport(const ExportOptions& options);
    // Reads the firm's purchase-kind settings; true when the firm has defined
    // its purchase kinds (codes outside 1 to 9 are taken as 1), false (and
    // the user told where the marker is missing) when the run must stop.
    bool CheckPurchaseKinds();

    // What a command that was abandoned tells of the run: whether the run
    // holds memory from the host (before it is torn down), what became of
    // the export file and its two paths.
    bool HoldsMemory() const;
    ExportFileState FileState() const { return fileState; }
    const char* ExportPath() const { return exportPath; }
    const char* TemporaryPath() const { return temporaryPath; }

private:
    // The file: created under its temporary name; finished (closed, read
    // back, moved over the export file) or discarded.
    bool WriteExport(const ExportOptions& options);
    bool FinishFile();
    void DiscardFile();
    bool VerifyFile();
    void ReportFailure();
    // The run's buffers, allocated once per run.
    bool AllocateBuffers();
};
