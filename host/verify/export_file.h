// Reading an export file: once, from its first byte to its last, with
// libxml2's SAX parser, validated against the schema of the export format
// (docs/export-file.xsd, compiled in) as it goes.  Each contractor and
// each document is handed on as soon as its element ends, so a file of any
// size is held only one element at a time.  Texts are as the file holds
// them after parsing (UTF-8, entities replaced).
//
// Before libxml2 sees a byte, a screen looks at it for what an export never
// has: a file without the marker bytes EF BB BF, in another encoding, with an
// XML declaration, a DOCTYPE or anything else before the root element, an
// attribute (or anything but the name) in a start tag, elements nested deeper
// than an export's.  Such a file is refused at the first of these, before
// anything in it is expanded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/verify/export_rules.h"

struct FilePosition {
    int line = 0;
    std::string rateText;      // SYMBOL_ST_VAT
    std::string positionClass; // WYROZNIK: B, N, W
    std::string fixedAsset;    // SRODKI_TRWALE: T, N
    std::string buyerSettles;  // VAT_ROZLICZA_NABYWCA: T, or empty when absent
    Grosz net = 0, vat = 0;
};

struct FileDocument {
    int line = 0;
    std::string registerId;
    std::string issueDate, month, year; // DATA_WYSTAWIENIA_DOKUMENTU, MIESIAC, ROK
    std::string issueDateAgain;         // DATA_WYSTAWIENIA
    std::string flagInvoice, flagCorrection;
    std::string transaction, nip, receiptDate, dueDate, comment, vatDeduction;
    Grosz amount = 0;
    std::vector<FilePosition> positions;
};

struct FileContractor {
    int line = 0;
    std::string fullName1, fullName2, shortName, nip, postalCode, city, street;
};

// A whole file's contractors and documents, for a caller that wants them
// all (the tests); verify itself never holds them.
struct ExportFile {
    std::vector<FileContractor> contractors; // in file order
    std::vector<FileDocument> documents;     // in file order
};

// What receives the file's elements as they end, in file order.
class ExportFileSink {
public:
    virtual ~ExportFileSink() = default;
    virtual void Contractor(FileContractor&& contractor) = 0;
    virtual void Document(FileDocument&& document) = 0;
};

// A reason the file is not a valid export file: where (line, 0 when not
// known) and what libxml2 or the screen said.
struct FileProblem {
    int line = 0;
    std::string message;
};

struct FileReading {
    bool valid = false;                // well-formed, and valid against the schema
    std::vector<FileProblem> problems; // the first kMaxFileProblems
    int moreProblems = 0;              // problems beyond those
    // Not the file's fault: it could not be read (an input or output error,
    // memory refused).  When set, nothing is said of the file's validity.
    std::string ownFailure;
    // Not a file at all (missing, a folder, a FIFO, a device): the reason.
    std::string notAFile;
};
inline constexpr int kMaxFileProblems = 50;

// Reads and validates the file at path, handing its elements to sink (may
// be null).  Never throws.
FileReading ReadExportFile(const std::string& path, ExportFileSink* sink);
// The same over bytes in memory (name is used in messages only).
FileReading ReadExportBytes(std::string_view bytes, const std::string& name, ExportFileSink* sink = nullptr);

// A sink that keeps everything (for the tests).
class ExportFileCollector : public ExportFileSink {
public:
    void Contractor(FileContractor&& c) override { file.contractors.push_back(std::move(c)); }
    void Document(FileDocument&& d) override { file.documents.push_back(std::move(d)); }
    ExportFile file;
};

// The schema text compiled into the program (docs/export-file.xsd).
std::string_view ExportSchemaText();
