// ExportRun: the state of one export run and its operations.  The export
// command keeps it inside its dialog object, so that everything a run holds
// (the export file, the flag tables, the document array) lives in one place
// that the command can release when a host entry stays missing.
//
// A zero-filled ExportRun is empty: TearDown releases nothing.
#pragma once

#include <cstdint>

#include "contract/host_protocol.h"
#include "contract/host_records.h"
#include "export/export_document.h"
#include "export/export_options.h"
#include "export/vat_breakdown.h"

// One flag per contractor number (firms) and per |number| (natural persons).
inline constexpr int kContractorFlagCount = 66000;
// The export file's path: the host's directory, a separator and the name.
inline constexpr int kExportPathSize = 256;

struct ExportRun {
    int32_t invoiceCount;
    int32_t correctionCount;
    ExportDocument* documents;
    int32_t documentCount;
    int32_t documentCapacity;
    unsigned char purchaseKindSettings[kPurchaseKindCodesSize];
    VatBreakdown vatSumsB;
    VatBreakdown vatSumsN;
    VatBreakdown vatSumsW;
    unsigned char* firmFlags;
    unsigned char* personFlags;
    void* outputFile;
    char outputPath[kExportPathSize]; // the export file, once created
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
    // Closes the export file and gives the flag tables and the document array
    // back to the host; safe on an empty run and after an abandoned one.  A
    // file still open here is unfinished: it is removed and its path forgotten.
    void TearDown();
    // Names and creates the file, gathers the documents the options ask for,
    // writes the whole XML document and tells the user how many were written.
    void RunExport(const ExportOptions& options);
    // Reads the firm's purchase-kind settings; true when the firm has defined
    // its purchase kinds (codes outside 1 to 9 are taken as 1), false (and
    // the user told where the marker is missing) when the run must stop.
    bool CheckPurchaseKinds();

private:
    // Document records: the purchase invoices and corrections of the period.
    void BuildInvoiceDocuments(const ExportOptions& options);
    void BuildCorrectionDocuments(const ExportOptions& options);
    void BuildDocuments(const ExportOptions& options, const DocumentLayout& layout, unsigned char* record,
                        int kindRow, int32_t& counter);
    // Makes room for one more record; false when the array cannot grow.
    bool ReserveDocument();

    // VAT breakdown.
    void AppendVatPositions(const ExportOptions& options, int kind, const unsigned char* document);
    // header: index of the document's header record, named in notices.
    void CollectVatLines(int kind, const unsigned char* document, int header);
    void AddVatLine(VatBreakdown& accumulator, const unsigned char* line, const LineLayout& layout,
                    bool amountsIncludeVat, int header);
    void EmitVatPositions(const ExportOptions& options, const VatBreakdown& accumulator, const char* letter,
                          int header);

    // Output.
    void WriteContractor();
    void WriteRegisters();
};
