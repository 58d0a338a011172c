// The export file read in one pass with libxml2's reader, which validates
// against the schema as it goes; a screen of our own looks at every block
// before libxml2 does, and each element is handed on as it ends.
#include "host/verify/export_file.h"

#include <libxml/parser.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlmemory.h>
#include <libxml/xmlreader.h>
#include <libxml/xmlschemas.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <unordered_map>

#include "host/common/file_kind.h"
#include "host/services/host_files.h"
#include "host/verify/export_schema.h"

namespace {

// libxml2 2.12 made the error a pointer to const.
#if LIBXML_VERSION >= 21200
using ErrorArgument = const xmlError*;
#else
using ErrorArgument = xmlError*;
#endif

// ---------------------------------------------------------------------------
// libxml2's memory: a block it is refused is remembered, so that whatever
// libxml2 then makes of it, the reading is verify's failure, not the file's.
// (libxml2 2.9 is not proof against a shortage everywhere; the switch that
// tries verify's own, --fail-allocation, leaves libxml2's blocks alone.)

bool g_libxmlShort = false;

void* ShortMalloc(std::size_t size)
{
    void* block = std::malloc(size);
    g_libxmlShort = g_libxmlShort || (block == nullptr && size != 0);
    return block;
}
void* ShortRealloc(void* block, std::size_t size)
{
    void* moved = std::realloc(block, size);
    g_libxmlShort = g_libxmlShort || (moved == nullptr && size != 0);
    return moved;
}
char* ShortStrdup(const char* text)
{
    const std::size_t n = std::strlen(text) + 1;
    char* copy = static_cast<char*>(ShortMalloc(n));
    if (copy != nullptr)
        std::memcpy(copy, text, n);
    return copy;
}

void SetUpLibxml()
{
    static const bool done = [] {
        xmlMemSetup(std::free, ShortMalloc, ShortRealloc, ShortStrdup);
        xmlInitParser();
        return true;
    }();
    (void)done;
}

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

// The problems of one reading.  Once the screen has refused the file, or
// the reading failed on our side, what libxml2 says after that (that its
// input broke off) is not news and is dropped.
class Problems {
public:
    explicit Problems(FileReading* reading) : reading_(reading) {}
    void Add(int line, std::string message)
    {
        if (closed_)
            return;
        while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
            message.pop_back();
        if (static_cast<int>(reading_->problems.size()) < kMaxFileProblems)
            reading_->problems.push_back({line, std::move(message)});
        else
            ++reading_->moreProblems;
    }
    // The last word on the file (the screen's refusal).
    void Final(int line, std::string message)
    {
        Add(line, std::move(message));
        closed_ = true;
    }
    void OwnFailure(std::string why)
    {
        if (reading_->ownFailure.empty())
            reading_->ownFailure = std::move(why);
        closed_ = true;
    }
    bool any() const { return !reading_->problems.empty(); }
    bool closed() const { return closed_; }

private:
    FileReading* reading_;
    bool closed_ = false;
};

void CollectError(void* context, ErrorArgument error) noexcept
{
    if (error == nullptr)
        return;
    auto* problems = static_cast<Problems*>(context);
    try {
        if (error->code == XML_ERR_NO_MEMORY) {
            problems->OwnFailure("memory ran short");
            return;
        }
        problems->Add(error->line > 0 ? error->line : 0, error->message != nullptr ? error->message : "unknown error");
    } catch (...) {
        problems->OwnFailure("memory ran short");
    }
}

// ---------------------------------------------------------------------------
// The screen: what an export never has, refused before libxml2 reads it.

constexpr unsigned char kMarker[] = {0xEF, 0xBB, 0xBF};
// ROOT, a list, its element, a block of it (POZYCJE, ADRESY), one of those
// (POZYCJA, ADRES), a value.
constexpr int kExportDepth = 6;

bool IsSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsNameStart(unsigned char c)
{
    return c >= 0x80 || c == ':' || c == '_' || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}
bool IsNameChar(unsigned char c) { return IsNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9'); }

class Screen {
public:
    // Looks at the next block; false at the first thing an export never
    // has, with the reason in problem().
    bool Look(const unsigned char* p, std::size_t n)
    {
        std::size_t i = 0;
        while (i < n && problem_.empty()) {
            if (state_ == State::Content) {
                // The bulk of a file: text up to the next '<'.
                const void* lt = std::memchr(p + i, '<', n - i);
                if (lt == nullptr) {
                    offset_ += static_cast<long long>(n - i);
                    return true;
                }
                const std::size_t at = static_cast<std::size_t>(static_cast<const unsigned char*>(lt) - p);
                offset_ += static_cast<long long>(at - i);
                i = at;
                // Most tags are plain, "<NAME>", "</NAME>" or "<NAME/>", and
                // lie whole in the block: read in one go.
                if (const std::size_t tag = PlainTag(p + i, n - i); tag > 0) {
                    i += tag;
                    offset_ += static_cast<long long>(tag);
                    continue;
                }
            }
            Step(p[i++]);
            ++offset_;
        }
        return problem_.empty();
    }

    // After the last block: false when the file ended before the screen
    // could tell (an empty file, or one shorter than the marker bytes).
    bool End()
    {
        if (problem_.empty() && state_ == State::Marker)
            Refuse(offset_ == 0 ? "the file is empty (an export never is)" : MarkerMissing());
        else if (problem_.empty() && state_ == State::Prolog)
            Refuse("the file holds no root element");
        return problem_.empty();
    }

    const std::string& problem() const { return problem_; }

private:
    // A plain tag at p, whole: its length, 0 for anything else (which the
    // byte-at-a-time path reads).
    std::size_t PlainTag(const unsigned char* p, std::size_t n)
    {
        std::size_t i = 1;
        const bool end = i < n && p[i] == '/';
        i += end;
        const std::size_t nameAt = i;
        if (i >= n || p[i] >= 0x80 || !IsNameStart(p[i]))
            return 0;
        while (i < n && p[i] < 0x80 && IsNameChar(p[i]))
            ++i;
        if (i >= n)
            return 0;
        if (end) {
            if (p[i] != '>' || depth_ == 0)
                return 0;
            --depth_;
            state_ = depth_ == 0 ? State::Epilog : State::Content;
            return i + 1;
        }
        const bool empty = p[i] == '/' && i + 1 < n && p[i + 1] == '>';
        if ((p[i] != '>' && !empty) || depth_ >= kExportDepth || depth_ == 0)
            return 0;
        if (!empty)
            names_[static_cast<std::size_t>(depth_++)].assign(reinterpret_cast<const char*>(p) + nameAt, i - nameAt);
        return i + (empty ? 2 : 1);
    }

    enum class State { Marker, Prolog, Open, StartName, InTag, EmptyEnd, EndTag, Bang, Comment, CData, Pi, Content, Epilog };

    void Refuse(std::string why)
    {
        problem_ = std::move(why);
        if (offset_ >= 3)
            problem_ += " (at byte " + std::to_string(offset_ + 1) + ")";
    }

    std::string MarkerMissing() const
    {
        const std::string& h = head_;
        auto begins = [&](const char* bytes, std::size_t n) { return h.size() >= n && h.compare(0, n, bytes, n) == 0; };
        std::string why = "the file does not begin with the UTF-8 marker bytes EF BB BF, as an export does";
        if (begins("\xFF\xFE", 2) || begins("\xFE\xFF", 2))
            return why + ": it is UTF-16 (or UTF-32), not UTF-8";
        if (!h.empty() && (h[0] == '\0' || (h.size() > 1 && h[1] == '\0')))
            return why + ": it is UTF-16 or UTF-32 without marker bytes, not UTF-8";
        if (begins("<?xml", 5))
            return why + ", and it begins with an XML declaration, which an export never has";
        return why;
    }

    void Step(unsigned char c)
    {
        switch (state_) {
        case State::Marker:
            // The marker bytes; when they are not there, a few bytes more
            // tell what the file is instead.
            head_ += static_cast<char>(c);
            if (head_.size() <= sizeof kMarker &&
                std::string_view(reinterpret_cast<const char*>(kMarker), head_.size()) == head_) {
                if (head_.size() == sizeof kMarker)
                    state_ = State::Prolog;
            } else if (head_.size() >= 5) {
                Refuse(MarkerMissing());
            }
            return;
        case State::Prolog:
        case State::Epilog:
            if (c == '<') {
                text_.clear();
                state_ = State::Open;
            } else if (!IsSpace(c)) {
                Refuse(depth_ == 0 && !rootSeen_ ? "text before the root element" : "text after the root element");
            }
            return;
        case State::Content:
            // Only '<' stops here (the block is searched for it).
            text_.clear();
            state_ = State::Open;
            return;
        case State::Open:
            if (c == '/') {
                state_ = State::EndTag;
            } else if (c == '?') {
                if (!rootSeen_) {
                    Refuse(PrologPi());
                    return;
                }
                state_ = State::Pi;
            } else if (c == '!') {
                state_ = State::Bang;
            } else if (IsNameStart(c)) {
                if (rootSeen_ && depth_ == 0) {
                    Refuse("a second root element");
                    return;
                }
                ++depth_;
                rootSeen_ = true;
                text_.assign(1, static_cast<char>(c));
                state_ = State::StartName;
            } else {
                Refuse("a '<' that starts no markup");
            }
            return;
        case State::StartName:
            if (IsNameChar(c)) {
                if (text_.size() < 40)
                    text_ += static_cast<char>(c);
                return;
            }
            if (depth_ > kExportDepth) {
                std::string path;
                for (const std::string& name : names_)
                    path += "<" + name + ">";
                Refuse("elements nested deeper than an export's " + std::to_string(kExportDepth) + " levels: " + path +
                       "<" + text_ + ">");
                return;
            }
            names_[static_cast<std::size_t>(depth_ - 1)] = text_;
            if (c == '>') {
                state_ = State::Content;
            } else if (c == '/') {
                state_ = State::EmptyEnd;
            } else if (IsSpace(c)) {
                state_ = State::InTag;
            } else {
                Refuse("the start tag <" + text_ + "> holds more than its name (an export's tags have no attributes)");
            }
            return;
        case State::InTag:
            // White space may follow the name ("<BLAD />"); nothing else.
            if (c == '>')
                state_ = State::Content;
            else if (c == '/')
                state_ = State::EmptyEnd;
            else if (!IsSpace(c))
                Refuse("an attribute in the start tag <" + text_ + "> (an export's tags have none)");
            return;
        case State::EmptyEnd:
            if (c != '>') {
                Refuse("a '/' in the start tag <" + text_ + "> not followed by '>'");
                return;
            }
            Closed();
            return;
        case State::EndTag:
            if (c == '>') {
                if (depth_ == 0) {
                    Refuse("an end tag outside any element");
                    return;
                }
                Closed();
            }
            return;
        case State::Bang:
            text_ += static_cast<char>(c);
            if (text_ == "--") {
                if (!rootSeen_) {
                    Refuse("a comment before the root element (an export has none)");
                    return;
                }
                state_ = State::Comment;
                text_.clear();
            } else if (text_ == "[CDATA[") {
                state_ = State::CData;
                text_.clear();
            } else if (std::string_view("DOCTYPE").substr(0, text_.size()) == text_) {
                if (text_.size() == 7)
                    Refuse("a DOCTYPE (an export has none)");
            } else if (std::string_view("--").substr(0, text_.size()) != text_ &&
                       std::string_view("[CDATA[").substr(0, text_.size()) != text_) {
                Refuse("a '<!' that starts no comment or CDATA section");
            }
            return;
        case State::Comment:
            Until(c, "-->");
            return;
        case State::CData:
            Until(c, "]]>");
            return;
        case State::Pi:
            Until(c, "?>");
            return;
        }
    }

    std::string PrologPi() const
    {
        return offset_ == 4 ? "an XML declaration (an export has none: it is UTF-8, told by its marker bytes)"
                            : "a processing instruction before the root element (an export has none)";
    }

    void Closed()
    {
        --depth_;
        state_ = depth_ == 0 ? State::Epilog : State::Content;
    }

    void Until(unsigned char c, std::string_view end)
    {
        text_ += static_cast<char>(c);
        if (text_.size() > end.size())
            text_.erase(0, text_.size() - end.size());
        if (text_ == end)
            state_ = State::Content;
    }

    State state_ = State::Marker;
    std::string head_; // the first bytes, to name what the file is when it is no export
    std::string text_;
    bool rootSeen_ = false;
    int depth_ = 0;
    std::string names_[kExportDepth]; // of the open elements
    long long offset_ = 0;
    std::string problem_;
};

// ---------------------------------------------------------------------------
// The input: blocks of the file (or of memory), each screened before libxml2
// reads it.

class Input {
public:
    Input(Problems* problems, std::string name) : problems_(problems), name_(std::move(name)) {}
    virtual ~Input() = default;

    static int ReadBlock(void* context, char* buffer, int size) noexcept
    {
        auto* input = static_cast<Input*>(context);
        if (input->stopped_)
            return -1;
        const int n = input->Next(buffer, size);
        if (n < 0) {
            input->stopped_ = true;
            return -1;
        }
        bool passed = false;
        try {
            passed = n == 0 ? input->screen_.End()
                            : input->screen_.Look(reinterpret_cast<const unsigned char*>(buffer),
                                                  static_cast<std::size_t>(n));
        } catch (...) {
            input->stopped_ = true;
            input->problems_->OwnFailure("memory ran short");
            return -1;
        }
        if (!passed) {
            input->stopped_ = true;
            input->Refuse();
            return -1;
        }
        return n;
    }
    static int Close(void*) noexcept { return 0; }

protected:
    // The next block: its size, 0 at the end, -1 when it cannot be read
    // (after telling problems_ why).
    virtual int Next(char* buffer, int size) = 0;

    Problems* problems_;
    std::string name_;

private:
    void Refuse()
    {
        try {
            problems_->Final(0, screen_.problem());
        } catch (...) {
            problems_->OwnFailure("memory ran short");
        }
    }

    Screen screen_;
    bool stopped_ = false;
};

class FileInput : public Input {
public:
    FileInput(Problems* problems, const std::string& path, std::FILE* file) : Input(problems, path), file_(file) {}
    ~FileInput() override { std::fclose(file_); }

private:
    int Next(char* buffer, int size) override
    {
        errno = 0;
        const std::size_t n = std::fread(buffer, 1, static_cast<std::size_t>(size), file_);
        if (n == 0 && std::ferror(file_) != 0) {
            const int error = errno;
            try {
                problems_->OwnFailure("could not read " + name_ + ": " + ErrnoText(error != 0 ? error : EIO));
            } catch (...) {
                problems_->OwnFailure("memory ran short");
            }
            return -1;
        }
        return static_cast<int>(n);
    }

    std::FILE* file_;
};

class MemoryInput : public Input {
public:
    MemoryInput(Problems* problems, std::string_view bytes, const std::string& name)
        : Input(problems, name), bytes_(bytes)
    {
    }

private:
    int Next(char* buffer, int size) override
    {
        const std::size_t n = std::min(bytes_.size(), static_cast<std::size_t>(size));
        std::memcpy(buffer, bytes_.data(), n);
        bytes_.remove_prefix(n);
        return static_cast<int>(n);
    }

    std::string_view bytes_;
};

// The schema, parsed from the text compiled in; null (with a problem) if
// the text were not a schema, which a test of the build rules out.
Schema LoadSchema(Problems* problems)
{
    const std::string_view text = ExportSchemaText();
    SchemaParser parser(xmlSchemaNewMemParserCtxt(text.data(), static_cast<int>(text.size())));
    if (parser == nullptr) {
        problems->OwnFailure("the schema of the export format cannot be read: memory ran short");
        return nullptr;
    }
    xmlSchemaSetParserStructuredErrors(parser.get(), CollectError, problems);
    Schema schema(xmlSchemaParse(parser.get()));
    if (schema == nullptr)
        problems->OwnFailure("the schema of the export format cannot be read");
    return schema;
}

// The line of the reader's node.  Beyond line 65535 an element knows its
// line only through its text, which its start does not have yet: no line
// rather than a wrong one.
int NodeLine(xmlTextReader* reader)
{
    const long line = xmlGetLineNo(xmlTextReaderCurrentNode(reader));
    return line > 0 && line != USHRT_MAX && line <= INT_MAX ? static_cast<int>(line) : 0;
}

// The elements whose values are gathered (the rest are only validated).
enum class Element : unsigned char {
    Other, Contractor, Document, Position,
    FullName1, FullName2, ShortName, Nip, PostalCode, City, Street,
    RegisterId, IssueDate, Month, Year, FlagInvoice, FlagCorrection, Transaction, IssueDateAgain, ReceiptDate,
    DueDate, Comment, VatDeduction, Amount,
    Net, Vat, RateText, PositionClass, FixedAsset, BuyerSettles,
};

Element ElementOf(std::string_view name)
{
    static const struct {
        const char* name;
        Element element;
    } kElements[] = {
        {"KONTRAHENT", Element::Contractor}, {"REJESTR", Element::Document}, {"POZYCJA", Element::Position},
        {"NAZWA_PELNA_1", Element::FullName1}, {"NAZWA_PELNA_2", Element::FullName2},
        {"NAZWA_SKROCONA", Element::ShortName}, {"NIP", Element::Nip}, {"KOD_POCZTOWY", Element::PostalCode},
        {"MIASTO", Element::City}, {"ADRES_1", Element::Street}, {"ID_REJESTRU", Element::RegisterId},
        {"DATA_WYSTAWIENIA_DOKUMENTU", Element::IssueDate}, {"MIESIAC", Element::Month}, {"ROK", Element::Year},
        {"WYROZNIK_FAKTURA", Element::FlagInvoice}, {"WYROZNIK_KOREKTA", Element::FlagCorrection},
        {"TRANSAKCJA", Element::Transaction}, {"DATA_WYSTAWIENIA", Element::IssueDateAgain},
        {"DATA_WPLYWU", Element::ReceiptDate}, {"TERMIN_ZAPLATY", Element::DueDate},
        {"KOMENTARZ", Element::Comment}, {"ODLICZENIE_VAT", Element::VatDeduction}, {"KWOTA", Element::Amount},
        {"KWOTA_NETTO", Element::Net}, {"KWOTA_VAT", Element::Vat}, {"SYMBOL_ST_VAT", Element::RateText},
        {"WYROZNIK", Element::PositionClass}, {"SRODKI_TRWALE", Element::FixedAsset},
        {"VAT_ROZLICZA_NABYWCA", Element::BuyerSettles},
    };
    for (const auto& e : kElements)
        if (name == e.name)
            return e.element;
    return Element::Other;
}

// Names come from the reader's dictionary, each name one pointer for the
// whole reading: looked up by it, the name compared once.
class ElementNames {
public:
    Element Of(const xmlChar* name)
    {
        const auto found = known_.find(name);
        if (found != known_.end())
            return found->second;
        const Element element = ElementOf(reinterpret_cast<const char*>(name));
        known_.emplace(name, element);
        return element;
    }

private:
    std::unordered_map<const xmlChar*, Element> known_;
};

// Gathers the values of the elements as the reader meets them, and hands
// each contractor and document on when its element ends.
class Gatherer {
public:
    Gatherer(ExportFileSink* sink, Problems* problems, xmlTextReader* reader)
        : sink_(sink), problems_(problems), reader_(reader)
    {
    }

    void Start(Element e)
    {
        text_.clear();
        switch (e) {
        case Element::Contractor:
            contractor_ = FileContractor{};
            contractor_.line = NodeLine(reader_);
            inContractor_ = true;
            return;
        case Element::Document:
            document_ = FileDocument{};
            document_.line = NodeLine(reader_);
            inDocument_ = true;
            inPosition_ = false;
            return;
        case Element::Position:
            if (inDocument_) {
                document_.positions.push_back(FilePosition{});
                document_.positions.back().line = NodeLine(reader_);
                inPosition_ = true;
            }
            return;
        default:
            return;
        }
    }

    void Text(const char* text) { text_ += text; }

    void End(Element e)
    {
        switch (e) {
        case Element::Other:
            break;
        case Element::Contractor:
            if (inContractor_ && sink_ != nullptr)
                sink_->Contractor(std::move(contractor_));
            inContractor_ = false;
            break;
        case Element::Document:
            if (inDocument_ && sink_ != nullptr)
                sink_->Document(std::move(document_));
            inDocument_ = false, inPosition_ = false;
            break;
        case Element::Position:
            inPosition_ = false;
            break;
        default:
            if (inPosition_)
                PositionValue(e);
            else if (inDocument_)
                DocumentValue(e);
            else if (inContractor_)
                ContractorValue(e);
            break;
        }
        text_.clear();
    }

private:
    // A leaf knows its line also beyond line 65535 (through its text), so
    // the first leaf of an element gives the element's line.
    void LineOfLeaf(int* line)
    {
        if (const int leaf = NodeLine(reader_); leaf > 0)
            *line = leaf;
    }

    void ContractorValue(Element e)
    {
        FileContractor& c = contractor_;
        switch (e) {
        case Element::FullName1: LineOfLeaf(&c.line), c.fullName1 = text_; return;
        case Element::FullName2: c.fullName2 = text_; return;
        case Element::ShortName: c.shortName = text_; return;
        case Element::Nip: c.nip = text_; return;
        case Element::PostalCode: c.postalCode = text_; return;
        case Element::City: c.city = text_; return;
        case Element::Street: c.street = text_; return;
        default: return;
        }
    }

    void DocumentValue(Element e)
    {
        FileDocument& d = document_;
        switch (e) {
        case Element::Amount: Amount(&d.amount); return;
        case Element::RegisterId: LineOfLeaf(&d.line), d.registerId = text_; return;
        case Element::IssueDate: d.issueDate = text_; return;
        case Element::Month: d.month = text_; return;
        case Element::Year: d.year = text_; return;
        case Element::FlagInvoice: d.flagInvoice = text_; return;
        case Element::FlagCorrection: d.flagCorrection = text_; return;
        case Element::Transaction: d.transaction = text_; return;
        case Element::Nip: d.nip = text_; return;
        case Element::IssueDateAgain: d.issueDateAgain = text_; return;
        case Element::ReceiptDate: d.receiptDate = text_; return;
        case Element::DueDate: d.dueDate = text_; return;
        case Element::Comment: d.comment = text_; return;
        case Element::VatDeduction: d.vatDeduction = text_; return;
        default: return;
        }
    }

    void PositionValue(Element e)
    {
        FilePosition& p = document_.positions.back();
        switch (e) {
        case Element::Net: Amount(&p.net); return;
        case Element::Vat: Amount(&p.vat); return;
        case Element::RateText: LineOfLeaf(&p.line), p.rateText = text_; return;
        case Element::PositionClass: p.positionClass = text_; return;
        case Element::FixedAsset: p.fixedAsset = text_; return;
        case Element::BuyerSettles: p.buyerSettles = text_; return;
        default: return;
        }
    }

    // An amount of the right form that does not fit 64-bit grosze; one of
    // a wrong form is the schema's to report.
    void Amount(Grosz* grosz)
    {
        if (ParseGrosz(text_, grosz) || text_.empty())
            return;
        const std::size_t digits = text_.find_first_not_of("0123456789", text_[0] == '-' ? 1 : 0);
        if (digits != std::string::npos && text_.size() > 3 && digits == text_.size() - 3 && text_[digits] == '.' &&
            text_.find_first_not_of("0123456789", digits + 1) == std::string::npos)
            problems_->Add(NodeLine(reader_), "the amount " + text_ + " is too large for verify to compare");
    }

    ExportFileSink* sink_;
    Problems* problems_;
    xmlTextReader* reader_;
    FileContractor contractor_;
    FileDocument document_;
    bool inContractor_ = false, inDocument_ = false, inPosition_ = false;
    std::string text_;
};

// Whatever libxml2 reports outside the reader and the schema goes to the
// same list while a file is read, and nowhere after.
class GlobalErrors {
public:
    explicit GlobalErrors(Problems* problems) { xmlSetStructuredErrorFunc(problems, CollectError); }
    ~GlobalErrors() { xmlSetStructuredErrorFunc(nullptr, nullptr); }
    GlobalErrors(const GlobalErrors&) = delete;
    GlobalErrors& operator=(const GlobalErrors&) = delete;
};

constexpr int kReaderOptions = XML_PARSE_NONET | XML_PARSE_BIG_LINES | XML_PARSE_COMPACT;

void Read(Input* input, ExportFileSink* sink, Problems& problems, FileReading& reading)
{
    GlobalErrors globalErrors(&problems);
    Schema schema = LoadSchema(&problems);
    if (schema == nullptr)
        return;
    Validation validation(xmlSchemaNewValidCtxt(schema.get()));
    // The reader owns the input from here: it calls Close, which leaves the
    // input to us.
    Reader reader(xmlReaderForIO(Input::ReadBlock, Input::Close, input, nullptr, nullptr, kReaderOptions));
    if (validation == nullptr || reader == nullptr) {
        problems.OwnFailure("memory ran short");
        return;
    }
    xmlSchemaSetValidStructuredErrors(validation.get(), CollectError, &problems);
    xmlTextReaderSetStructuredErrorHandler(reader.get(), CollectError, &problems);
    if (xmlTextReaderSchemaValidateCtxt(reader.get(), validation.get(), 0) != 0) {
        problems.OwnFailure("the schema of the export format cannot be applied");
        return;
    }

    Gatherer gatherer(sink, &problems, reader.get());
    ElementNames names;
    // Text matters only inside an element whose value is gathered.
    bool wanted = false;
    int status;
    while ((status = xmlTextReaderRead(reader.get())) == 1) {
        switch (xmlTextReaderNodeType(reader.get())) {
        case XML_READER_TYPE_ELEMENT: {
            const Element element = names.Of(xmlTextReaderConstName(reader.get()));
            gatherer.Start(element);
            wanted = element != Element::Other;
            if (xmlTextReaderIsEmptyElement(reader.get()) == 1)
                gatherer.End(element), wanted = false;
            break;
        }
        case XML_READER_TYPE_TEXT:
        case XML_READER_TYPE_CDATA:
        case XML_READER_TYPE_WHITESPACE:
        case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
            if (wanted) {
                const xmlChar* value = xmlTextReaderConstValue(reader.get());
                if (value != nullptr)
                    gatherer.Text(reinterpret_cast<const char*>(value));
            }
            break;
        case XML_READER_TYPE_END_ELEMENT:
            gatherer.End(names.Of(xmlTextReaderConstName(reader.get())));
            wanted = false;
            break;
        default:
            break;
        }
    }
    if (!reading.ownFailure.empty())
        return;
    if (status != 0 && !problems.any())
        problems.Add(0, "the file cannot be read to its end as XML");
    if (xmlTextReaderIsValid(reader.get()) != 1 && !problems.any())
        problems.Add(0, "the file is not valid against the schema of the export format");
    reading.valid = !problems.any();
}

FileReading ReadFrom(const std::function<std::unique_ptr<Input>(Problems*)>& open, ExportFileSink* sink)
{
    FileReading reading;
    Problems problems(&reading);
    g_libxmlShort = false;
    try {
        SetUpLibxml();
        std::unique_ptr<Input> input = open(&problems);
        if (input != nullptr)
            Read(input.get(), sink, problems, reading);
    } catch (const std::bad_alloc&) {
        problems.OwnFailure("memory ran short");
    }
    if (g_libxmlShort)
        problems.OwnFailure("memory ran short");
    if (!reading.ownFailure.empty() || !reading.notAFile.empty())
        reading.valid = false;
    return reading;
}

} // namespace

std::string_view ExportSchemaText() { return {kExportSchemaXsd, kExportSchemaXsdSize}; }

FileReading ReadExportFile(const std::string& path, ExportFileSink* sink)
{
    std::string why;
    std::FILE* file = OpenHostStream(path, "rb", &why);
    if (file == nullptr) {
        FileReading reading;
        try {
            // A plain file that cannot be opened is verify's failure, not
            // the file's; anything else is no file to verify.
            if (KindOfPath(path) == PathKind::Regular)
                reading.ownFailure = "could not read " + path + ": " + why;
            else
                reading.notAFile = why;
        } catch (const std::bad_alloc&) {
            reading.ownFailure = "memory ran short";
        }
        return reading;
    }
    return ReadFrom(
        [&](Problems* problems) -> std::unique_ptr<Input> {
            std::unique_ptr<std::FILE, int (*)(std::FILE*)> owned(file, std::fclose);
            auto input = std::make_unique<FileInput>(problems, path, file);
            owned.release();
            return input;
        },
        sink);
}

FileReading ReadExportBytes(std::string_view bytes, const std::string& name, ExportFileSink* sink)
{
    return ReadFrom([&](Problems* problems) { return std::make_unique<MemoryInput>(problems, bytes, name); }, sink);
}
