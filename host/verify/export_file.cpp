// The export file read in one pass by libxml2's SAX parser with the schema's
// validator plugged into its events, so the file is validated as it is read
// and no tree is built; a screen of our own looks at every block before
// libxml2 does, and each element is handed on as it ends.
#include "host/verify/export_file.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlmemory.h>
#include <libxml/xmlschemas.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>

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
struct ParserFree {
    void operator()(xmlParserCtxt* p) const { xmlFreeParserCtxt(p); }
};
struct PlugRemove {
    void operator()(xmlSchemaSAXPlugStruct* p) const { xmlSchemaSAXUnplug(p); }
};
using SchemaParser = std::unique_ptr<xmlSchemaParserCtxt, SchemaParserFree>;
using Schema = std::unique_ptr<xmlSchema, SchemaFree>;
using Validation = std::unique_ptr<xmlSchemaValidCtxt, ValidationFree>;
using Parser = std::unique_ptr<xmlParserCtxt, ParserFree>;
using Plug = std::unique_ptr<xmlSchemaSAXPlugStruct, PlugRemove>;

// The problems of one reading.  Once the screen has refused the file, the
// parser has met the first thing that makes it no XML, or the reading failed
// on our side, what libxml2 says after that (that its input broke off, what
// it makes of the rest) is not news and is dropped, and no more is read.
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
        const int line = error->line > 0 ? error->line : 0;
        std::string message = error->message != nullptr ? error->message : "unknown error";
        // A fatal error is the parser's: the file is no XML from there on.
        // (The schema's findings are errors, and reading goes on past them.)
        if (error->level == XML_ERR_FATAL && error->domain != XML_FROM_SCHEMASV)
            problems->Final(line, std::move(message));
        else
            problems->Add(line, std::move(message));
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
// The longest text between two tags the screen lets through.
constexpr long long kMaxTextRun = 65536;

constexpr bool IsSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
constexpr bool IsNameStart(unsigned char c)
{
    return c >= 0x80 || c == ':' || c == '_' || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}
constexpr bool IsNameChar(unsigned char c) { return IsNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9'); }
// The ASCII bytes of names, by value, for the screen's fast path over plain
// tags (one look per byte).
constexpr auto kAsciiNameChar = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 0x80; ++c)
        table[static_cast<std::size_t>(c)] = IsNameChar(static_cast<unsigned char>(c));
    return table;
}();

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
                const std::size_t at =
                    lt == nullptr ? n : static_cast<std::size_t>(static_cast<const unsigned char*>(lt) - p);
                if (!Text(at - i))
                    return false;
                offset_ += static_cast<long long>(at - i);
                if (lt == nullptr)
                    return true;
                i = at;
                // Most tags are plain, "<NAME>", "</NAME>" or "<NAME/>", and
                // lie whole in the block: read in one go.
                if (const std::size_t tag = PlainTag(p + i, n - i); tag > 0) {
                    i += tag;
                    offset_ += static_cast<long long>(tag);
                    continue;
                }
            }
            if ((state_ == State::Comment || state_ == State::CData || state_ == State::Pi) && !Text(1))
                break;
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
        while (i < n && kAsciiNameChar[p[i]])
            ++i;
        if (i >= n)
            return 0;
        if (end) {
            if (p[i] != '>' || depth_ == 0)
                return 0;
            --depth_;
            state_ = depth_ == 0 ? State::Epilog : State::Content;
            run_ = 0;
            return i + 1;
        }
        const bool empty = p[i] == '/' && i + 1 < n && p[i + 1] == '>';
        if ((p[i] != '>' && !empty) || depth_ >= kExportDepth || depth_ == 0)
            return 0;
        if (!empty)
            names_[static_cast<std::size_t>(depth_++)].assign(reinterpret_cast<const char*>(p) + nameAt, i - nameAt);
        run_ = 0;
        return i + (empty ? 2 : 1);
    }

    enum class State { Marker, Prolog, Open, StartName, InTag, EmptyEnd, EndTag, Bang, Comment, CData, Pi, Content, Epilog };

    // Counts the next n bytes, from offset_ on, of what lies between two
    // tags (text, CDATA, comments): an export's values are short, and a run
    // far longer than any would only make libxml2's validator gather it,
    // piece by piece.
    bool Text(std::size_t n)
    {
        const long long room = kMaxTextRun - run_;
        run_ += static_cast<long long>(n);
        if (run_ <= kMaxTextRun)
            return true;
        offset_ += room; // at the first byte beyond the bound
        Refuse("more than " + std::to_string(kMaxTextRun) +
               " bytes of text between two tags (an export's values are at most a few hundred)");
        return false;
    }

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
                run_ = 0;
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
                run_ = 0;
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
    long long run_ = 0; // bytes since the last tag of an element
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
        if (input->stopped_ || input->problems_->closed())
            return -1;
        const int n = input->NextOfFile(buffer, size);
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

    // Next, without the end-of-file mark that a text-mode run-time writes
    // when it closes a file: a ^Z (0x1A) that is the very last byte is the
    // file's end, not a byte of the document.  A ^Z anywhere else is kept,
    // and refused as the control character it is.
    int NextOfFile(char* buffer, int size)
    {
        if (size < 2)
            return Next(buffer, size);
        for (;;) {
            int at = 0;
            if (heldEndMark_) {
                buffer[at++] = kEndOfFileMark;
                heldEndMark_ = false;
            }
            const int n = Next(buffer + at, size - at);
            if (n <= 0)
                return n; // at the end, a mark held back is left out
            int total = at + n;
            if (buffer[total - 1] == kEndOfFileMark) {
                heldEndMark_ = true;
                --total;
            }
            if (total > 0)
                return total;
        }
    }
    static constexpr char kEndOfFileMark = 0x1A;
    bool heldEndMark_ = false;

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

// Names come from the parser's dictionary, each name one pointer for the
// whole reading: looked up by it in a small table, the name compared only
// when its slot holds another.
class ElementNames {
public:
    Element Of(const xmlChar* name)
    {
        const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(name));
        Slot& slot = slots_[(bits * 0x9E3779B97F4A7C15ULL) >> (64 - kSlotBits)];
        if (slot.name != name)
            slot = {name, ElementOf(reinterpret_cast<const char*>(name))};
        return slot.element;
    }

private:
    static constexpr int kSlotBits = 8;
    struct Slot {
        const xmlChar* name = nullptr;
        Element element = Element::Other;
    };
    Slot slots_[1 << kSlotBits];
};

// The line the parser stands on (in an element's start event, the line of
// its start tag); 0 before it has any.
int LineOf(const xmlParserCtxt* parser)
{
    const int line = parser != nullptr && parser->input != nullptr ? parser->input->line : 0;
    return line > 0 ? line : 0;
}

// Gathers the values of the elements from the parser's events, and hands
// each contractor and document on when its element ends.
class Gatherer {
public:
    Gatherer(ExportFileSink* sink, Problems* problems) : sink_(sink), problems_(problems) {}

    // The events it takes; the schema's validator is plugged in before them.
    static xmlSAXHandler Events()
    {
        xmlSAXHandler events;
        std::memset(&events, 0, sizeof events);
        events.initialized = XML_SAX2_MAGIC;
        events.startElementNs = &Gatherer::StartEvent;
        events.endElementNs = &Gatherer::EndEvent;
        events.characters = &Gatherer::TextEvent;
        events.ignorableWhitespace = &Gatherer::TextEvent;
        events.cdataBlock = &Gatherer::TextEvent;
        return events;
    }

    void Watch(xmlParserCtxt* parser) { parser_ = parser; }

private:
    // Nothing may leave an event into libxml2: memory refused on the way
    // stops the parser, and the reading is verify's failure.
    template <typename Step>
    static void Guarded(void* self, Step step) noexcept
    {
        auto* gatherer = static_cast<Gatherer*>(self);
        try {
            step(*gatherer);
        } catch (...) {
            gatherer->problems_->OwnFailure("memory ran short");
            xmlStopParser(gatherer->parser_);
        }
    }
    static void StartEvent(void* self, const xmlChar* name, const xmlChar*, const xmlChar*, int, const xmlChar**, int,
                           int, const xmlChar**) noexcept
    {
        Guarded(self, [name](Gatherer& g) { g.Start(name); });
    }
    static void EndEvent(void* self, const xmlChar*, const xmlChar*, const xmlChar*) noexcept
    {
        Guarded(self, [](Gatherer& g) { g.End(); });
    }
    static void TextEvent(void* self, const xmlChar* text, int length) noexcept
    {
        auto* gatherer = static_cast<Gatherer*>(self);
        if (!gatherer->wanted_ || length <= 0)
            return;
        Guarded(self, [text, length](Gatherer& g) {
            g.text_.append(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
        });
    }

    void Start(const xmlChar* name)
    {
        const Element e = names_.Of(name);
        if (depth_ < kOpen)
            open_[depth_] = e;
        ++depth_;
        text_.clear();
        // Text matters only inside an element whose value is gathered.
        wanted_ = e != Element::Other;
        startLine_ = LineOf(parser_);
        switch (e) {
        case Element::Contractor:
            contractor_ = FileContractor{};
            contractor_.line = startLine_;
            inContractor_ = true;
            return;
        case Element::Document:
            document_ = FileDocument{};
            document_.line = startLine_;
            inDocument_ = true;
            inPosition_ = false;
            return;
        case Element::Position:
            if (inDocument_) {
                document_.positions.push_back(FilePosition{});
                document_.positions.back().line = startLine_;
                inPosition_ = true;
            }
            return;
        default:
            return;
        }
    }

    void End()
    {
        --depth_;
        const Element e = depth_ >= 0 && depth_ < kOpen ? open_[depth_] : Element::Other;
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
        wanted_ = false;
    }

    // The first leaf of an element gives the element's line, as the line a
    // reader of the file looks for (its register id, its first name part,
    // its rate).
    void ContractorValue(Element e)
    {
        FileContractor& c = contractor_;
        switch (e) {
        case Element::FullName1: c.line = startLine_, c.fullName1 = text_; return;
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
        case Element::RegisterId: d.line = startLine_, d.registerId = text_; return;
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
        case Element::RateText: p.line = startLine_, p.rateText = text_; return;
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
            problems_->Add(startLine_, "the amount " + text_ + " is too large for verify to compare");
    }

    // The elements open, outermost first (an export nests 6 deep; the
    // screen refuses deeper before the parser sees it).
    static constexpr int kOpen = 16;

    ExportFileSink* sink_;
    Problems* problems_;
    xmlParserCtxt* parser_ = nullptr;
    ElementNames names_;
    Element open_[kOpen] = {};
    int depth_ = 0;
    bool wanted_ = false;
    int startLine_ = 0; // of the element that started last
    FileContractor contractor_;
    FileDocument document_;
    bool inContractor_ = false, inDocument_ = false, inPosition_ = false;
    std::string text_;
};

// Whatever libxml2 reports outside the parser and the schema goes to the
// same list while a file is read, and nowhere after.
class GlobalErrors {
public:
    explicit GlobalErrors(Problems* problems) { xmlSetStructuredErrorFunc(problems, CollectError); }
    ~GlobalErrors() { xmlSetStructuredErrorFunc(nullptr, nullptr); }
    GlobalErrors(const GlobalErrors&) = delete;
    GlobalErrors& operator=(const GlobalErrors&) = delete;
};

constexpr int kParserOptions = XML_PARSE_NONET;

// The schema's findings name the line the parser stands on.
int ParserLine(void* parser, const char** file, unsigned long* line)
{
    if (file != nullptr)
        *file = nullptr;
    if (line != nullptr)
        *line = static_cast<unsigned long>(LineOf(static_cast<const xmlParserCtxt*>(parser)));
    return 0;
}

void Read(Input* input, ExportFileSink* sink, Problems& problems, FileReading& reading)
{
    GlobalErrors globalErrors(&problems);
    Schema schema = LoadSchema(&problems);
    if (schema == nullptr)
        return;
    Validation validation(xmlSchemaNewValidCtxt(schema.get()));
    if (validation == nullptr) {
        problems.OwnFailure("memory ran short");
        return;
    }
    xmlSchemaSetValidStructuredErrors(validation.get(), CollectError, &problems);

    Gatherer gatherer(sink, &problems);
    xmlSAXHandler events = Gatherer::Events();
    // The parser owns the input from here: it calls Close, which leaves the
    // input to us.
    Parser parser(
        xmlCreateIOParserCtxt(&events, &gatherer, Input::ReadBlock, Input::Close, input, XML_CHAR_ENCODING_NONE));
    if (parser == nullptr) {
        problems.OwnFailure("memory ran short");
        return;
    }
    xmlCtxtUseOptions(parser.get(), kParserOptions);
    gatherer.Watch(parser.get());
    // Removed before the parser is freed: it puts the parser's events back.
    Plug plug(xmlSchemaSAXPlug(validation.get(), &parser->sax, &parser->userData));
    if (plug == nullptr) {
        problems.OwnFailure(g_libxmlShort ? "memory ran short" : "the schema of the export format cannot be applied");
        return;
    }
    xmlSchemaValidateSetLocator(validation.get(), ParserLine, parser.get());

    const int status = xmlParseDocument(parser.get());
    plug.reset();
    if (!reading.ownFailure.empty())
        return;
    if ((status != 0 || parser->wellFormed == 0) && !problems.any())
        problems.Add(0, "the file cannot be read to its end as XML");
    if (xmlSchemaIsValid(validation.get()) != 1 && !problems.any())
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
