// CExportVentalorTxt: the dialog object of the export command.  Besides the
// host's dialog base part it carries the options and the whole state of one
// export run; it lives for one command.
#pragma once

#include <cstdint>

#include "export/export_document.h"
#include "export/vat_breakdown.h"
#include "contract/dialog_base.h"
#include "contract/host_records.h"
#include "options/export_options.h"

inline constexpr int kContractorFlagCount = 66000;
inline constexpr int kPurchaseKindSettingsSize = 544;
inline constexpr int kPurchaseKindCodeCount = 90;

struct CExportVentalorTxt {
    WDialogBase base; // first: the host sees the object as its dialog

    int32_t invoiceCount;
    int32_t correctionCount;
    ExportDocument* documents;
    int32_t documentCount;
    int32_t documentCapacity;
    ExportOptions options;
    unsigned char purchaseKindSettings[kPurchaseKindSettingsSize];
    VatBreakdown vatSumsB;
    VatBreakdown vatSumsN;
    VatBreakdown vatSumsW;
    unsigned char* firmFlags;
    unsigned char* personFlags;
    void* outputFile;
    void* contractorTable;
    void* invoiceTable;
    void* correctionTable;
    unsigned char* contractorRecord;
    unsigned char* invoiceRecord;
    unsigned char* correctionRecord;
    // 1 when the set-up opened every table and allocated both flag tables:
    // without them the run must not start.
    int runStateReady;

    // Dialog object (export command).
    void Construct();
    void Destroy();
    int LoadOptions();
    int SaveOptions();

    // Run state (export run).
    int SetUpRunState();
    void TearDownRunState();
    void RunExport();
    int CheckPurchaseKinds();

    // Document records.
    void BuildInvoiceDocuments();
    void BuildCorrectionDocuments();
    void BuildDocuments(const DocumentLayout& layout, unsigned char* record, int kindRow, int32_t& counter);
    // Makes room for one more record; 0 when the array cannot grow.
    int ReserveDocument();

    // VAT breakdown.
    void AppendVatPositions(int kind, const unsigned char* document);
    // header: index of the document's header record, named in notices.
    void AddVatLine(VatBreakdown& accumulator, const unsigned char* line, const LineLayout& layout,
                    int amountsIncludeVat, int header);
    void EmitVatPositions(VatBreakdown& accumulator, const char* letter, int header);
    void CollectVatLines(int kind, const unsigned char* document, int header);

    // Output.
    void WriteContractor();
    void WriteRegisters();
};

// The export command: the handler of the plug-in's menu entry; returns 0.
int ExportCommand();
