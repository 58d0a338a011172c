// Reading an export file: parsed with libxml2, validated against the schema
// of the export format (docs/export-file.xsd, compiled in) while it is read,
// and gathered into what the reconciliation compares.  Texts are as the file
// holds them after parsing (UTF-8, entities replaced).
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

struct ExportFile {
    std::vector<FileContractor> contractors; // in file order
    std::vector<FileDocument> documents;     // in file order
};

// A reason the file is not a valid export file: where (line, 0 when not
// known) and what libxml2 or the reader said.
struct FileProblem {
    int line = 0;
    std::string message;
};

struct FileReading {
    bool valid = false;                // well-formed, and valid against the schema
    std::vector<FileProblem> problems; // the first kMaxFileProblems
    int moreProblems = 0;              // problems beyond those
    ExportFile file;                   // complete only when valid
};
inline constexpr int kMaxFileProblems = 50;

// Reads and validates the file at path.  Never throws for a bad file; a
// file that cannot be opened is a problem like any other.
FileReading ReadExportFile(const std::string& path);
// The same over bytes in memory (name is used in messages only).
FileReading ReadExportBytes(std::string_view bytes, const std::string& name);

// The schema text compiled into the program (docs/export-file.xsd).
std::string_view ExportSchemaText();
