// The REJESTR element of a document and its POZYCJA elements, written from
// the fixed-width records of export_document.h.
#pragma once

#include "export/export_document.h"
#include "export/line_writer.h"

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

// The document being written and one of its positions, and their shared
// lines.
struct RegisterRecords {
    ExportDocument header;
    ExportDocument position;
    RenderedLines sharedHeader;
    RenderedLines sharedPosition;
};

// Renders the shared lines of the header and the position as they stand.
void RenderSharedLines(RegisterRecords& records);
// "<REJESTR>", the header's elements and "<POZYCJE>".
bool WriteRegisterOpening(OutputLines& out, const RegisterRecords& records);
// One POZYCJA element of the position record.
bool WritePosition(OutputLines& out, const RegisterRecords& records);
// The lines that close the positions and the REJESTR element.
bool WriteRegisterClosing(OutputLines& out);
