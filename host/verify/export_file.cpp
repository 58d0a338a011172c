// The export file read in one pass with libxml2's reader, which validates
// against the schema as it goes, so that a file of any size is held only as
// the few values the reconciliation needs.
#include "host/verify/export_file.h"

#include <libxml/parser.h>
#include <libxml/xmlreader.h>
#include <libxml/xmlschemas.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include "host/verify/export_schema.h"

namespace {

// libxml2 2.12 made the error a pointer to const.
#if LIBXML_VERSION >= 21200
using ErrorArgument = const xmlError*;
#else
using ErrorArgument = xmlError*;
#endif

struct SchemaParserFree {
    void operator()(xmlSchemaParserCtxt* p) const { xmlSchemaFreeParserCtxt(p); }
};
struct SchemaFree {
    void operator()(xmlSchema* p) const { xmlSchemaFree(p); }
};
struct ValidationFree {
    void operator()(xmlSchemaValidCtxt* p) const { xmlSchemaFreeValidCtxt(p); }
};
struct ReaderFree {
    void operator()(xmlTextReader* p) const { xmlFreeTextReader(p); }
};
using SchemaParser = std::unique_ptr<xmlSchemaParserCtxt, SchemaParserFree>;
using Schema = std::unique_ptr<xmlSchema, SchemaFree>;
using Validation = std::unique_ptr<xmlSchemaValidCtxt, ValidationFree>;
using Reader = std::unique_ptr<xmlTextReader, ReaderFree>;

class Problems {
public:
    explicit Problems(FileReading* reading) : reading_(reading) {}
    void Add(int line, std::string message)
    {
        while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
            message.pop_back();
        if (static_cast<int>(reading_->problems.size()) < kMaxFileProblems)
            reading_->problems.push_back({line, std::move(message)});
        else
            ++reading_->moreProblems;
    }
    bool any() const { return !reading_->problems.empty(); }

private:
    FileReading* reading_;
};

void CollectError(void* context, ErrorArgument error)
{
    if (error == nullptr)
        return;
    auto* problems = static_cast<Problems*>(context);
    problems->Add(error->line > 0 ? error->line : 0, error->message != nullptr ? error->message : "unknown error");
}

// The schema, parsed from the text compiled in; null (with a problem) if
// the text were not a schema, which a test of the build rules out.
Schema LoadSchema(Problems* problems)
{
    const std::string_view text = ExportSchemaText();
    SchemaParser parser(xmlSchemaNewMemParserCtxt(text.data(), static_cast<int>(text.size())));
    if (parser == nullptr) {
        problems->Add(0, "the schema of the export format cannot be read");
        return nullptr;
    }
    xmlSchemaSetParserStructuredErrors(parser.get(), CollectError, problems);
    Schema schema(xmlSchemaParse(parser.get()));
    if (schema == nullptr)
        problems->Add(0, "the schema of the export format cannot be read");
    return schema;
}

// Gathers the values of the elements into the file's model as the reader
// meets them.
class Gatherer {
public:
    explicit Gatherer(ExportFile* file, Problems* problems) : file_(file), problems_(problems) {}

    void Start(std::string_view name, int line)
    {
        text_.clear();
        if (name == "KONTRAHENT") {
            file_->contractors.push_back(FileContractor{});
            file_->contractors.back().line = line;
            contractor_ = &file_->contractors.back();
        } else if (name == "REJESTR") {
            file_->documents.push_back(FileDocument{});
            file_->documents.back().line = line;
            document_ = &file_->documents.back();
            position_ = nullptr;
        } else if (name == "POZYCJA" && document_ != nullptr) {
            document_->positions.push_back(FilePosition{});
            document_->positions.back().line = line;
            position_ = &document_->positions.back();
        }
    }

    void Text(const char* text) { text_ += text; }

    void End(std::string_view name, int line)
    {
        // A leaf knows its line also beyond line 65535 (through its text),
        // so the first leaf of an element gives the element's line.
        if (line > 0) {
            if (name == "ID_REJESTRU" && document_ != nullptr)
                document_->line = line;
            else if (name == "NAZWA_PELNA_1" && contractor_ != nullptr)
                contractor_->line = line;
            else if (name == "SYMBOL_ST_VAT" && position_ != nullptr)
                position_->line = line;
        }
        if (name == "KONTRAHENT")
            contractor_ = nullptr;
        else if (name == "REJESTR")
            document_ = nullptr, position_ = nullptr;
        else if (name == "POZYCJA")
            position_ = nullptr;
        else if (position_ != nullptr)
            PositionValue(name, line);
        else if (document_ != nullptr)
            DocumentValue(name, line);
        else if (contractor_ != nullptr)
            ContractorValue(name);
        text_.clear();
    }

private:
    void ContractorValue(std::string_view name)
    {
        FileContractor& c = *contractor_;
        std::string* field = name == "NAZWA_PELNA_1"    ? &c.fullName1
                             : name == "NAZWA_PELNA_2"  ? &c.fullName2
                             : name == "NAZWA_SKROCONA" ? &c.shortName
                             : name == "NIP"            ? &c.nip
                             : name == "KOD_POCZTOWY"   ? &c.postalCode
                             : name == "MIASTO"         ? &c.city
                             : name == "ADRES_1"        ? &c.street
                                                        : nullptr;
        if (field != nullptr)
            *field = text_;
    }

    void DocumentValue(std::string_view name, int line)
    {
        FileDocument& d = *document_;
        if (name == "KWOTA") {
            Amount(&d.amount, line);
            return;
        }
        std::string* field = name == "ID_REJESTRU"                   ? &d.registerId
                             : name == "DATA_WYSTAWIENIA_DOKUMENTU"  ? &d.issueDate
                             : name == "MIESIAC"                     ? &d.month
                             : name == "ROK"                         ? &d.year
                             : name == "WYROZNIK_FAKTURA"            ? &d.flagInvoice
                             : name == "WYROZNIK_KOREKTA"            ? &d.flagCorrection
                             : name == "TRANSAKCJA"                  ? &d.transaction
                             : name == "NIP"                         ? &d.nip
                             : name == "DATA_WYSTAWIENIA"            ? &d.issueDateAgain
                             : name == "DATA_WPLYWU"                 ? &d.receiptDate
                             : name == "TERMIN_ZAPLATY"              ? &d.dueDate
                             : name == "KOMENTARZ"                   ? &d.comment
                             : name == "ODLICZENIE_VAT"              ? &d.vatDeduction
                                                                     : nullptr;
        if (field != nullptr)
            *field = text_;
    }

    void PositionValue(std::string_view name, int line)
    {
        FilePosition& p = *position_;
        if (name == "KWOTA_NETTO")
            Amount(&p.net, line);
        else if (name == "KWOTA_VAT")
            Amount(&p.vat, line);
        else if (name == "SYMBOL_ST_VAT")
            p.rateText = text_;
        else if (name == "WYROZNIK")
            p.positionClass = text_;
        else if (name == "SRODKI_TRWALE")
            p.fixedAsset = text_;
        else if (name == "VAT_ROZLICZA_NABYWCA")
            p.buyerSettles = text_;
    }

    // An amount of the right form that does not fit 64-bit grosze; one of
    // a wrong form is the schema's to report.
    void Amount(Grosz* grosz, int line)
    {
        if (ParseGrosz(text_, grosz))
            return;
        const std::size_t digits = text_.find_first_not_of("0123456789", text_[0] == '-' ? 1 : 0);
        if (digits != std::string::npos && text_.size() > 3 && digits == text_.size() - 3 && text_[digits] == '.' &&
            text_.find_first_not_of("0123456789", digits + 1) == std::string::npos)
            problems_->Add(line, "the amount " + text_ + " is too large for verify to compare");
    }

    ExportFile* file_;
    Problems* problems_;
    FileContractor* contractor_ = nullptr;
    FileDocument* document_ = nullptr;
    FilePosition* position_ = nullptr;
    std::string text_;
};

// The line of the reader's node.  Beyond line 65535 an element knows its
// line only through its text, which its start does not have yet: no line
// rather than a wrong one.
int NodeLine(xmlTextReader* reader)
{
    const long line = xmlGetLineNo(xmlTextReaderCurrentNode(reader));
    return line > 0 && line != USHRT_MAX && line <= INT_MAX ? static_cast<int>(line) : 0;
}

// Whatever libxml2 reports outside the reader and the schema (input and
// output, say) goes to the same list while a file is read, and nowhere
// after.
class GlobalErrors {
public:
    explicit GlobalErrors(Problems* problems) { xmlSetStructuredErrorFunc(problems, CollectError); }
    ~GlobalErrors() { xmlSetStructuredErrorFunc(nullptr, nullptr); }
    GlobalErrors(const GlobalErrors&) = delete;
    GlobalErrors& operator=(const GlobalErrors&) = delete;
};

FileReading Read(const std::function<xmlTextReader*()>& open, const std::string& name)
{
    xmlInitParser();
    FileReading reading;
    Problems problems(&reading);
    GlobalErrors globalErrors(&problems);

    Schema schema = LoadSchema(&problems);
    if (schema == nullptr)
        return reading;
    Validation validation(xmlSchemaNewValidCtxt(schema.get()));
    Reader reader(open());
    if (validation == nullptr || reader == nullptr) {
        problems.Add(0, "cannot open " + name);
        return reading;
    }
    xmlSchemaSetValidStructuredErrors(validation.get(), CollectError, &problems);
    xmlTextReaderSetStructuredErrorHandler(reader.get(), CollectError, &problems);
    if (xmlTextReaderSchemaValidateCtxt(reader.get(), validation.get(), 0) != 0) {
        problems.Add(0, "the schema of the export format cannot be applied");
        return reading;
    }

    Gatherer gatherer(&reading.file, &problems);
    int status;
    while ((status = xmlTextReaderRead(reader.get())) == 1) {
        switch (xmlTextReaderNodeType(reader.get())) {
        case XML_READER_TYPE_ELEMENT: {
            const std::string_view element = reinterpret_cast<const char*>(xmlTextReaderConstName(reader.get()));
            const int line = NodeLine(reader.get());
            gatherer.Start(element, line);
            if (xmlTextReaderIsEmptyElement(reader.get()) == 1)
                gatherer.End(element, line);
            break;
        }
        case XML_READER_TYPE_TEXT:
        case XML_READER_TYPE_CDATA:
        case XML_READER_TYPE_WHITESPACE:
        case XML_READER_TYPE_SIGNIFICANT_WHITESPACE: {
            const xmlChar* value = xmlTextReaderConstValue(reader.get());
            if (value != nullptr)
                gatherer.Text(reinterpret_cast<const char*>(value));
            break;
        }
        case XML_READER_TYPE_END_ELEMENT:
            gatherer.End(reinterpret_cast<const char*>(xmlTextReaderConstName(reader.get())), NodeLine(reader.get()));
            break;
        default:
            break;
        }
    }
    if (status != 0 && !problems.any())
        problems.Add(0, "the file cannot be read to its end as XML");
    if (xmlTextReaderIsValid(reader.get()) != 1 && !problems.any())
        problems.Add(0, "the file is not valid against the schema of the export format");
    reading.valid = !problems.any();
    return reading;
}

constexpr int kReaderOptions = XML_PARSE_NONET | XML_PARSE_BIG_LINES;

} // namespace

std::string_view ExportSchemaText() { return {kExportSchemaXsd, kExportSchemaXsdSize}; }

FileReading ReadExportFile(const std::string& path)
{
    // Said plainly, before libxml2 would say it in its own words.
    if (std::FILE* probe = std::fopen(path.c_str(), "rb"); probe != nullptr) {
        std::fclose(probe);
    } else {
        FileReading reading;
        reading.problems.push_back({0, "cannot open " + path + ": " + std::strerror(errno)});
        return reading;
    }
    return Read([&] { return xmlReaderForFile(path.c_str(), nullptr, kReaderOptions); }, path);
}

FileReading ReadExportBytes(std::string_view bytes, const std::string& name)
{
    return Read(
        [&] {
            return xmlReaderForMemory(bytes.data(), static_cast<int>(bytes.size()), name.c_str(), nullptr,
                                      kReaderOptions);
        },
        name);
}
