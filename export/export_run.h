// ExportRun: the state of one export run and its operations.  The export
// command keeps it inside its dialog object, so that everything a run holds
// (the export file, the flag tables, the stored documents, the buffers)
// lives in one place that the command can release when a host entry stays
// missing.  A set-up serves one run.
//
// One pass over the host's tables reads the documents of the period, sums
// their VAT lines, marks their contractors and keeps each document as a
// compact record in a stream of blocks; the contractors are written, then
// the documents from the stream (docs/export-run.md).
//
// A zero-filled ExportRun is empty: TearDown releases nothing.
#pragma once

#include <cstdint>

#include "contract/host_protocol.h"
#include "contract/host_records.h"
#include "export/document_store.h"
#include "export/export_document.h"
#include "export/export_options.h"
#include "export/export_text.h"
#include "export/vat_breakdown.h"

// One flag per contractor number (firms) and per |number| (natural persons).
inline constexpr int kContractorFlagCount = 66000;
// What a flag byte says of its contractor.
inline constexpr unsigned char kContractorUnmarked = 0;
inline constexpr unsigned char kContractorMarked = 1;  // an exported document refers to it
inline constexpr unsigned char kContractorMissing = 2; // marked, but the host did not find it

// The paths of the run: the host's directory, a separator and a file name.
inline constexpr int kPathSize = 256;

// What became of the export file: not created; being written under its
// temporary name; removed unfinished; left behind unfinished because it
// could not be removed; complete and in the place of the export file.
enum class ExportFileState : uint8_t { NotCreated, Unfinished, Removed, LeftBehind, Written };

// Cases of one kind of notice, gathered over a run and shown once: the
// first few named, the rest counted.
inline constexpr int kNoticeCasesNamed = 5;
inline constexpr int kNoticeCasesSize = 1024;
struct NoticeCases {
    long count;
    char named[kNoticeCasesSize]; // the first cases, one per line
};
// Counts a case and names it when it is one of the first.
void AddNoticeCase(NoticeCases& cases, const char* text);
// The one notice of the cases, if there were any: the format takes the
// count and the list of those named (with "... i N innych" after them).
void ShowNoticeCases(const NoticeCases& cases, const char* format);

// Lines that every document of a kind, or every position, shares: rendered
// once per kind, element by element (an element that is not shared has an
// empty part), and copied into the output in runs.
inline constexpr int kRenderedSlots = 32;
struct RenderedLines {
    char* text; // kBatchSize bytes
    int start[kRenderedSlots];
    int end[kRenderedSlots];
    bool ready;
};

struct ExportRun {
    int32_t invoiceCount;
    int32_t correctionCount;
    unsigned char purchaseKindSettings[kPurchaseKindCodesSize];
    VatBreakdown vat;
    unsigned char* firmFlags;
    unsigned char* personFlags;
    void* outputFile;
    // The file being written, under its temporary name while it exists
    // ("" otherwise), and the name it gets when it is complete.
    char temporaryPath[kPathSize];
    char exportPath[kPathSize];
    OutputLines out;
    // The documents between their reading and their writing.
    DocumentStore store;
    // The document being written and one of its positions, and their
    // shared lines.
    ExportDocument document;
    ExportDocument position;
    RenderedLines sharedHeader;
    RenderedLines sharedPosition;
    // Set at the first failure of a run that created its file: the reason,
    // in host text, with its arguments filled in.
    bool failed;
    char failure[kPathSize * 3];
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

private:
    // The file: created under its temporary name; finished (closed, read
    // back, moved over the export file) or discarded.
    bool WriteExport(const ExportOptions& options);
    bool FinishFile();
    void DiscardFile();
    bool VerifyFile();
    // Records the first failure's reason (a printf format of host text and
    // its arguments); always false.
    bool Fail(const char* reason, ...);
    void ReportFailure();
    // The run's buffers, allocated once per run.
    bool AllocateBuffers();

    // Documents: gathered from the host's scan into the store, then written.
    bool GatherDocuments(const ExportOptions& options, const DocumentLayout& layout, int32_t& counter);
    bool ScanNext(unsigned char* scan, bool* read);
    bool StoreDocument(const DocumentLayout& layout, const unsigned char* record);
    void PrepareHeader(const ExportOptions& options, const DocumentLayout& layout);
    bool LoadDocument(int32_t* contractor, int32_t* sumCount);
    void CheckContractor(int32_t contractor);
    bool WriteDocuments(const ExportOptions& options);

    // VAT breakdown.
    bool CollectVatLines(int kind, const unsigned char* record);
    bool AddVatLine(const unsigned char* line, const LineLayout& layout, int deductionClass, bool amountsIncludeVat);
    bool WritePositions(int32_t sumCount);

    // Output.
    bool WriteContractors();
    bool WriteContractor();
    void RenderSharedLines();
    bool WriteRegister(int32_t sumCount);
    bool WritePosition();
};
