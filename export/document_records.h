// The documents of the run: read from the host's scan (their VAT lines
// summed, their contractors marked) into compact records in the document
// store, and written from there as REJESTR elements.  The compact record,
// its sums included, is this file's alone: written and read only here.
#pragma once

#include <cstdint>

#include "contract/host_records.h"
#include "export/contractor_flags.h"
#include "export/document_store.h"
#include "export/export_document.h"
#include "export/export_options.h"
#include "export/line_writer.h"
#include "export/register_element.h"
#include "export/run_notices.h"
#include "export/vat_breakdown.h"

// Reads the documents of one kind (layout) of the options' period from the
// host's scan, whose record the host fills at each step: each one's VAT
// lines summed (by the firm's purchase-kind codes), its contractor marked,
// its compact record put in the store; counter counts them on the progress
// window.  header is the scratch record that names a document in a reason.
// False when the run must stop: failure says why, unless the command was
// abandoned.
bool GatherDocuments(const ExportOptions& options, const DocumentLayout& layout, const unsigned char* record,
                     const unsigned char* purchaseKindSettings, VatBreakdown& vat, ExportDocument& header,
                     DocumentStore& store, ContractorFlags& flags, int32_t& counter, RunFailure& failure);

// Writes the stored documents in the order they were read, the invoices'
// and then the corrections' shared lines rendered from the options; a
// document whose contractor was not written is named in contractorsMissing.
bool WriteDocuments(const ExportOptions& options, int32_t invoiceCount, int32_t correctionCount,
                    DocumentStore& store, RateTextCache& rateTexts, const ContractorFlags& flags,
                    RegisterRecords& records, NoticeCases& contractorsMissing, OutputLines& out, RunFailure& failure);

// The 36-character register identifier 8-4-4-4-12 of a document: its key,
// the (moved) contractor key, and its two identifier numbers.
inline constexpr int kRegisterIdSize = 41;
void FormatRegisterId(char* destination, int32_t documentKey, int64_t contractorKey, uint32_t id1, uint32_t id2);
// The contractor key of a contractor number: natural persons (negative
// numbers) moved to |n| + 70000, computed without overflow.
int64_t ContractorKeyOf(int32_t contractorNumber);
