#include "host/app/xml_check.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "host/common/file_kind.h"
#include "host/common/host_format.h"
#include "host/services/host_files.h"

namespace {

// What each byte may be, looked up rather than worked out: the checks run
// once per byte of files of a hundred megabytes and more.
enum ByteClass : unsigned char {
    kNameStart = 1, // may start a name (ASCII: see below)
    kName = 2,      // may stand in a name
    kPlainText = 4, // text between markup that needs no second look: ASCII, no '<', '&', ']' or control
    kAsciiNameStart = 8, // may start a name, and is ASCII
    kAsciiName = 16,     // may stand in a name, and is ASCII
};
constexpr auto kByteClasses = [] {
    std::array<unsigned char, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        const bool letter = (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
        // Names of ASCII only: a name with other characters is refused (the
        // check does not judge which of them XML allows in names).
        const bool start = c == ':' || c == '_' || letter;
        const bool name = start || c == '-' || c == '.' || (c >= '0' && c <= '9');
        const bool plain = c >= 0x20 && c < 0x80 && c != '<' && c != '&' && c != ']';
        const bool ascii = c < 0x80;
        classes[static_cast<std::size_t>(c)] = static_cast<unsigned char>(
            (start ? kNameStart : 0) | (name ? kName : 0) | (plain ? kPlainText : 0) |
            (start && ascii ? kAsciiNameStart : 0) | (name && ascii ? kAsciiName : 0));
    }
    return classes;
}();

// Whether any of eight bytes read as one word would stop a run of plain
// text: a byte of 0x80 or more, below 0x20, '<', '&' or ']' (of "]]>",
// which text may not hold).
bool StopsPlainText(const unsigned char* p)
{
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    constexpr uint64_t kHigh = 0x8080808080808080ULL;
    uint64_t x;
    std::memcpy(&x, p, sizeof x);
    const auto hasZero = [](uint64_t v) { return (v - kOnes) & ~v & kHigh; };
    const uint64_t below = (x - kOnes * 0x20) & ~x & kHigh;
    return ((x & kHigh) | below | hasZero(x ^ (kOnes * '<')) | hasZero(x ^ (kOnes * '&')) |
            hasZero(x ^ (kOnes * ']'))) != 0;
}

bool NameStart(unsigned char c) { return (kByteClasses[c] & kNameStart) != 0; }
bool NameChar(unsigned char c) { return (kByteClasses[c] & kName) != 0; }
bool PlainText(unsigned char c) { return (kByteClasses[c] & kPlainText) != 0; }
bool AsciiNameStart(unsigned char c) { return (kByteClasses[c] & kAsciiNameStart) != 0; }
bool AsciiNameChar(unsigned char c) { return (kByteClasses[c] & kAsciiName) != 0; }
bool Space(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
// Text of a comment, processing instruction or CDATA section that cannot
// start or continue its end ("-->", "?>", "]]>") and is counted as it stands.
bool QuietMarkupText(unsigned char c)
{
    return c >= 0x20 && c < 0x80 && c != '-' && c != '?' && c != ']' && c != '>';
}

constexpr unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};

// What XML parsers take at most, and refuse beyond: names of 50,000
// characters, elements nested 257 deep, comments, processing instructions
// and CDATA sections of 10,000,000 bytes of text (a CR LF counted as one
// byte; a processing instruction's text starts after the blanks that
// follow its name).
constexpr std::size_t kMaxNameLength = 50000;
constexpr std::size_t kMaxDepth = 257;
constexpr std::size_t kMaxMarkupText = 10000000;
// A DOCTYPE or declaration longer than this is refused unread.
constexpr std::size_t kMaxPrologMarkup = 4096;

// What is wrong with a processing instruction's name followed straight by
// something other than a blank or "?>".
constexpr const char* kPiNameRunsOn = "a processing instruction whose name is followed by neither a blank nor \"?>\"";

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Steps i over the blanks of t from i on; true when there was at least one.
bool SkipSpaces(std::string_view t, std::size_t& i)
{
    const std::size_t from = i;
    while (i < t.size() && IsAsciiSpace(t[i]))
        ++i;
    return i > from;
}

// "<?xml" S "version" Eq ("'1.x'" | "\"1.x\"") [S "encoding" Eq "UTF-8"]
// [S "standalone" Eq ("yes" | "no")] S? "?>": the text after "<?xml",
// "?>" included.  Another encoding is refused: the check reads UTF-8.
bool DeclarationRight(std::string_view t)
{
    std::size_t i = 0;
    auto spaces = [&] { return SkipSpaces(t, i); };
    auto attribute = [&](std::string_view name, auto valueRight) {
        const std::size_t from = i;
        if (t.substr(i, name.size()) != name) {
            i = from;
            return false;
        }
        i += name.size();
        spaces();
        if (i >= t.size() || t[i] != '=')
            return i = from, false;
        ++i;
        spaces();
        if (i >= t.size() || (t[i] != '"' && t[i] != '\''))
            return i = from, false;
        const char quote = t[i++];
        const std::size_t end = t.find(quote, i);
        if (end == std::string_view::npos || !valueRight(t.substr(i, end - i)))
            return i = from, false;
        i = end + 1;
        return true;
    };
    auto version = [](std::string_view v) {
        return v.size() > 2 && v.substr(0, 2) == "1." && v.find_first_not_of("0123456789", 2) == std::string_view::npos;
    };
    auto utf8 = [](std::string_view v) {
        return v.size() == 5 && (v[0] | 0x20) == 'u' && (v[1] | 0x20) == 't' && (v[2] | 0x20) == 'f' && v[3] == '-' &&
               v[4] == '8';
    };
    auto standalone = [](std::string_view v) { return v == "yes" || v == "no"; };
    if (!spaces() || !attribute("version", version))
        return false;
    std::size_t mark = i;
    if (spaces() && !attribute("encoding", utf8))
        i = mark;
    mark = i;
    if (spaces() && !attribute("standalone", standalone))
        i = mark;
    spaces();
    return t.substr(i) == "?>";
}

// "<!DOCTYPE" S Name [S ("SYSTEM" S literal | "PUBLIC" S literal S literal)] S? ">":
// the text after "<!DOCTYPE", ">" included; no internal subset.
bool DoctypeRight(std::string_view t)
{
    std::size_t i = 0;
    auto spaces = [&] { return SkipSpaces(t, i); };
    auto name = [&] {
        const std::size_t from = i;
        if (i < t.size() && (((t[i] | 0x20) >= 'a' && (t[i] | 0x20) <= 'z') || t[i] == '_' || t[i] == ':'))
            ++i;
        else
            return false;
        while (i < t.size() && (((t[i] | 0x20) >= 'a' && (t[i] | 0x20) <= 'z') || t[i] == '_' || t[i] == ':' ||
                                t[i] == '-' || t[i] == '.' || (t[i] >= '0' && t[i] <= '9')))
            ++i;
        return i > from;
    };
    auto literal = [&](bool pubid) {
        if (i >= t.size() || (t[i] != '"' && t[i] != '\''))
            return false;
        const char quote = t[i++];
        const std::size_t end = t.find(quote, i);
        if (end == std::string_view::npos)
            return false;
        if (pubid) {
            static constexpr std::string_view kPubid = " \r\nabcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                       "0123456789-'()+,./:=?;!*#@$_%";
            for (std::size_t k = i; k < end; ++k)
                if (kPubid.find(t[k]) == std::string_view::npos || (t[k] == '\'' && quote == '\''))
                    return false;
        }
        i = end + 1;
        return true;
    };
    if (!spaces() || !name())
        return false;
    const std::size_t mark = i;
    if (spaces()) {
        if (t.substr(i, 6) == "SYSTEM") {
            i += 6;
            if (!spaces() || !literal(false))
                return false;
        } else if (t.substr(i, 6) == "PUBLIC") {
            i += 6;
            if (!spaces() || !literal(true) || !spaces() || !literal(false))
                return false;
        } else {
            i = mark;
        }
    }
    spaces();
    return t.substr(i) == ">";
}

} // namespace

// A byte-at-a-time reader of one document.  Markup is taken as XML 1.0
// writes it; what a well-formedness check needs of it is kept, nothing more.
class XmlDocumentCheck::Checker {
public:
    // Reads a block of the file; false once the document is known to be
    // broken.  Text between markup, the bulk of a file, is passed over a run
    // at a time.
    bool FeedBlock(const unsigned char* bytes, std::size_t n)
    {
        std::size_t i = 0;
        while (i < n) {
            if (state_ == State::Content && pending_ == 0) {
                const std::size_t start = i;
                while (i < n) {
                    const unsigned char c = bytes[i];
                    if (c == '<') {
                        // Inside the root: most lines are one whole element.
                        // (At the deepest level XML parsers take, the
                        // byte-at-a-time path reads it.)
                        std::size_t tag = Depth() < kMaxDepth ? LeafElement(bytes + i, n - i) : 0;
                        if (tag == 0 && Depth() < kMaxDepth)
                            tag = PlainTag(bytes + i, n - i);
                        if (tag == 0)
                            break;
                        i += tag;
                        brackets_ = 0;
                        if (state_ != State::Content)
                            break;
                    } else if (PlainText(c) && (brackets_ < 2 || c != '>')) {
                        // A run of text: the rest of it eight bytes at a time.
                        brackets_ = 0;
                        ++i;
                        while (i + 8 <= n && !StopsPlainText(bytes + i))
                            i += 8;
                    } else if (c == '\n') {
                        ++line_;
                        ++i;
                    } else {
                        break;
                    }
                }
                offset_ += static_cast<long>(i - start);
                if (i == n || state_ != State::Content)
                    continue;
            } else if ((state_ == State::StartName || (state_ == State::EndName && !name_.empty())) &&
                       pending_ == 0) {
                // The rest of a tag's name, ASCII a run at a time.
                const std::size_t start = i;
                while (i < n && AsciiNameChar(bytes[i]))
                    ++i;
                name_.append(reinterpret_cast<const char*>(bytes) + start, i - start);
                offset_ += static_cast<long>(i - start);
                if (name_.size() > kMaxNameLength && !Fail("a name longer than 50,000 characters, which XML parsers refuse"))
                    return false;
                if (i == n)
                    break;
            } else if ((state_ == State::Pi || state_ == State::CData || (state_ == State::Comment && dashes_ < 2)) &&
                       pending_ == 0) {
                // The text of a comment, processing instruction or CDATA
                // section a run at a time, up to a byte that may end it or
                // needs a second look.  None of the run can be part of the
                // end, so nothing of it is kept.
                const std::size_t start = i;
                while (i < n && QuietMarkupText(bytes[i]))
                    ++i;
                if (i > start) {
                    markupText_ += i - start;
                    markupCr_ = false;
                    dashes_ = 0;
                    text_.clear();
                    offset_ += static_cast<long>(i - start);
                    if (markupText_ > kMaxMarkupText + 3 && !TooLong())
                        return false;
                }
                if (i == n)
                    break;
            }
            if (!Feed(bytes[i++]))
                return false;
        }
        return true;
    }

    // False once the document is known to be broken (Finish says why).
    bool Feed(unsigned char c)
    {
        if (!problem_.empty())
            return false;
        if (!Utf8(c))
            return Fail("a byte that is not UTF-8");
        if (c < 0x20 && !Space(c))
            return Fail(HostFormat("the control character 0x%02X, which XML does not allow", c));
        Step(c);
        if (c == '\n')
            ++line_;
        ++offset_;
        return problem_.empty();
    }

    // The document's end: "" when whole.
    std::string Finish()
    {
        if (!problem_.empty())
            return problem_;
        if (pending_ != 0)
            return At("the file ends inside a UTF-8 character");
        if (state_ == State::Prolog && !rootSeen_)
            return offset_ == 0 ? "the file is empty" : At("the file holds no root element");
        if (state_ != State::Epilog && state_ != State::Content && state_ != State::Prolog)
            return At("the file ends inside markup");
        if (state_ != State::Epilog)
            return At("the file ends before the element <" + std::string(Innermost()) + "> is closed");
        return {};
    }

private:
    enum class State {
        Prolog,     // before the root element
        Content,    // inside the root element, between markup
        Epilog,     // after the root element
        Markup,     // just after '<'
        StartName,  // the name of a start tag
        InTag,      // between attributes
        AttrName,
        AttrEquals, // after an attribute's name, before '='
        AttrQuote,  // after '=', before the quote
        AttrValue,
        EmptyEnd,   // after '/' in a start tag
        EndName,    // the name of an end tag
        EndSpace,   // after an end tag's name
        Reference,  // after '&'
        Bang,       // after "<!"
        Comment,    // inside "<!--", until "-->"
        CData,      // inside "<![CDATA[", until "]]>"
        PiTarget,   // the name after "<?"
        PiNameEnd,  // after '?' straight after the name: only '>' may follow
        PiBlanks,   // the blanks after the name
        Pi,         // the text after them, until "?>"
        Declaration, // inside "<?xml" at the start, until "?>"
        Doctype,    // inside "<!DOCTYPE", until '>'
    };

    bool Fail(const std::string& what)
    {
        problem_ = At(what);
        return false;
    }
    std::string At(const std::string& what) const { return what + HostFormat(" (line %ld)", line_); }

    // One byte of UTF-8 as XML takes it: no overlong form, no surrogate,
    // nothing beyond U+10FFFF, and not U+FFFE or U+FFFF.
    bool Utf8(unsigned char c)
    {
        if (pending_ > 0) {
            if (c < low_ || c > high_)
                return false;
            low_ = 0x80, high_ = 0xBF;
            sequence_ = sequence_ << 6 | (c & 0x3F);
            --pending_;
            if (pending_ == 0 && (sequence_ == 0xFFFE || sequence_ == 0xFFFF))
                return false;
            return true;
        }
        if (c < 0x80)
            return true;
        low_ = 0x80, high_ = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            pending_ = 1, sequence_ = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            pending_ = 2, sequence_ = c & 0x0F;
            if (c == 0xE0)
                low_ = 0xA0; // no overlong form
            else if (c == 0xED)
                high_ = 0x9F; // no surrogate
        } else if (c >= 0xF0 && c <= 0xF4) {
            pending_ = 3, sequence_ = c & 0x07;
            if (c == 0xF0)
                low_ = 0x90;
            else if (c == 0xF4)
                high_ = 0x8F;
        } else {
            return false;
        }
        return true;
    }

    // Outside markup: before, inside or after the root.
    void Outside(unsigned char c)
    {
        if (c == '<') {
            after_ = state_;
            state_ = State::Markup;
            brackets_ = 0;
            return;
        }
        if (state_ == State::Content) {
            if (c == '>' && brackets_ >= 2) {
                Fail("\"]]>\" in text, which XML does not allow");
                return;
            }
            brackets_ = c == ']' ? brackets_ + 1 : 0;
            if (c == '&') {
                text_.clear();
                returnTo_ = State::Content;
                state_ = State::Reference;
            }
            return;
        }
        // Only white space may stand outside the root, and the byte order
        // mark before everything.
        if (state_ == State::Prolog && offset_ < 3 && offset_ == bom_ && c == kByteOrderMark[offset_]) {
            ++bom_;
            return;
        }
        if (!Space(c))
            Fail(state_ == State::Prolog ? "text before the root element" : "text after the root element");
    }

    void Step(unsigned char c)
    {
        switch (state_) {
        case State::Prolog:
        case State::Content:
        case State::Epilog:
            Outside(c);
            return;
        case State::Markup:
            if (c == '/') {
                if (Depth() == 0) {
                    Fail("an end tag outside any element");
                    return;
                }
                name_.clear();
                state_ = State::EndName;
            } else if (c == '?') {
                text_.clear();
                piAt_ = offset_ - 1;
                state_ = State::PiTarget;
            } else if (c == '!') {
                text_.clear();
                state_ = State::Bang;
            } else if (NameStart(c)) {
                if (after_ == State::Epilog) {
                    Fail("a second root element");
                    return;
                }
                if (Depth() >= kMaxDepth) {
                    Fail("elements nested deeper than 257 levels, which XML parsers refuse");
                    return;
                }
                name_.assign(1, static_cast<char>(c));
                attributes_.clear();
                state_ = State::StartName;
            } else {
                Fail(c >= 0x80 ? "a name with a character beyond ASCII, which this check does not read"
                               : "a '<' that starts no markup");
            }
            return;
        case State::StartName:
            if (NameChar(c)) {
                name_ += static_cast<char>(c);
                if (name_.size() > kMaxNameLength)
                    Fail("a name longer than 50,000 characters, which XML parsers refuse");
            } else {
                InStartTag(c);
            }
            return;
        case State::InTag:
            if (NameStart(c) && Space(last_)) {
                text_.assign(1, static_cast<char>(c));
                state_ = State::AttrName;
                return;
            }
            if (NameStart(c)) {
                Fail("attributes without a blank between them");
                return;
            }
            InStartTag(c);
            return;
        case State::AttrName:
            if (NameChar(c)) {
                text_ += static_cast<char>(c);
                if (text_.size() > kMaxNameLength)
                    Fail("a name longer than 50,000 characters, which XML parsers refuse");
                return;
            }
            if (!attributes_.insert(text_).second) {
                Fail("the attribute " + text_ + " twice in <" + name_ + ">");
                return;
            }
            if (Space(c)) {
                state_ = State::AttrEquals;
                return;
            }
            if (c == '=') {
                state_ = State::AttrQuote;
                return;
            }
            Fail("an attribute without a value");
            return;
        case State::AttrEquals:
            if (c == '=')
                state_ = State::AttrQuote;
            else if (!Space(c))
                Fail("an attribute without '='");
            return;
        case State::AttrQuote:
            if (c == '"' || c == '\'') {
                quote_ = c;
                state_ = State::AttrValue;
            } else if (!Space(c)) {
                Fail("an attribute value without quotes");
            }
            return;
        case State::AttrValue:
            if (c == quote_) {
                last_ = c;
                state_ = State::InTag;
            } else if (c == '<') {
                Fail("a '<' inside an attribute value");
            } else if (c == '&') {
                text_.clear();
                returnTo_ = State::AttrValue;
                state_ = State::Reference;
            }
            return;
        case State::EmptyEnd:
            if (c != '>') {
                Fail("a '/' in a start tag not followed by '>'");
                return;
            }
            Closed();
            return;
        case State::EndName:
            if (NameChar(c) && (!name_.empty() || NameStart(c))) {
                name_ += static_cast<char>(c);
                return;
            }
            state_ = State::EndSpace;
            [[fallthrough]];
        case State::EndSpace:
            if (Space(c))
                return;
            if (c != '>' || name_.empty()) {
                Fail("a broken end tag");
                return;
            }
            if (name_ != Innermost()) {
                Fail("the end tag </" + name_ + "> closes <" + std::string(Innermost()) + ">");
                return;
            }
            names_.resize(starts_.back());
            starts_.pop_back();
            Closed();
            return;
        case State::Reference:
            if (c != ';') {
                if (text_.size() > 1024 || !(NameChar(c) || (c == '#' && text_.empty())))
                    Fail("a '&' that starts no entity or character reference");
                else
                    text_ += static_cast<char>(c);
                return;
            }
            if (!KnownReference(text_)) {
                Fail("the unknown reference &" + text_ + ";");
                return;
            }
            state_ = returnTo_;
            return;
        case State::Bang:
            text_ += static_cast<char>(c);
            if (text_ == "--") {
                text_.clear();
                dashes_ = 0;
                MarkupTextStarts();
                state_ = State::Comment;
            } else if (text_ == "[CDATA[") {
                if (after_ != State::Content)
                    Fail("a CDATA section outside the root element");
                text_.clear();
                MarkupTextStarts();
                state_ = State::CData;
            } else if (text_ == "DOCTYPE") {
                if (after_ != State::Prolog || rootSeen_ || doctypeSeen_)
                    Fail(doctypeSeen_ ? "a second DOCTYPE" : "a DOCTYPE after the root element started");
                doctypeSeen_ = true;
                text_.clear();
                state_ = State::Doctype;
            } else if (std::string("--").rfind(text_, 0) != 0 && std::string("[CDATA[").rfind(text_, 0) != 0 &&
                       std::string("DOCTYPE").rfind(text_, 0) != 0) {
                Fail("a '<!' that starts no comment, CDATA section or DOCTYPE");
            }
            return;
        case State::Comment:
            if (!MarkupTextFits(c))
                return;
            // XML allows no "--" inside a comment, nor "--->" at its end.
            if (dashes_ >= 2) {
                if (c == '>')
                    MarkupTextEnds(3);
                else
                    Fail("\"--\" inside a comment, which XML does not allow");
                return;
            }
            dashes_ = c == '-' ? dashes_ + 1 : 0;
            return;
        case State::CData:
            if (MarkupTextFits(c) && EndsWith(c, "]]>"))
                MarkupTextEnds(3);
            return;
        case State::PiTarget:
            // The target's name; "xml" only for the declaration, at the very
            // start.
            if (NameChar(c) && (!text_.empty() || NameStart(c))) {
                text_ += static_cast<char>(c);
                if (text_.size() > kMaxNameLength)
                    Fail("a name longer than 50,000 characters, which XML parsers refuse");
                return;
            }
            if (text_.empty()) {
                Fail("a processing instruction without a name");
                return;
            }
            if (!Space(c) && c != '?') {
                Fail(kPiNameRunsOn);
                return;
            }
            if (text_.size() == 3 && (text_[0] | 0x20) == 'x' && (text_[1] | 0x20) == 'm' && (text_[2] | 0x20) == 'l') {
                if (text_ != "xml" || piAt_ != bom_) {
                    Fail("a processing instruction named " + text_ + ", a name XML keeps for the declaration at the start");
                    return;
                }
                text_.assign(1, static_cast<char>(c));
                state_ = State::Declaration;
                return;
            }
            // A name with colons or starting with "xml" otherwise is taken:
            // XML parsers warn of it, nothing more.
            state_ = c == '?' ? State::PiNameEnd : State::PiBlanks;
            return;
        case State::PiNameEnd:
            if (c == '>')
                state_ = after_;
            else
                Fail(kPiNameRunsOn);
            return;
        case State::PiBlanks:
            if (Space(c))
                return;
            text_.clear();
            MarkupTextStarts();
            state_ = State::Pi;
            [[fallthrough]];
        case State::Pi:
            if (MarkupTextFits(c) && EndsWith(c, "?>"))
                MarkupTextEnds(2);
            return;
        case State::Declaration:
            text_ += static_cast<char>(c);
            if (text_.size() > kMaxPrologMarkup) {
                Fail("an XML declaration too long to be one");
            } else if (text_.size() >= 2 && text_.compare(text_.size() - 2, 2, "?>") == 0) {
                if (!DeclarationRight(text_))
                    Fail("an XML declaration this check does not take (version 1.x, UTF-8 if any encoding)");
                else
                    state_ = after_;
            }
            return;
        case State::Doctype:
            text_ += static_cast<char>(c);
            if (c == '[')
                Fail("a DOCTYPE with an internal subset, which this check does not read");
            else if (text_.size() > kMaxPrologMarkup)
                Fail("a DOCTYPE too long for this check");
            else if (c == '>' && text_.find_first_of("\"'") == std::string::npos)
                DoctypeEnds();
            else if (c == '>' && std::count(text_.begin(), text_.end(), '"') % 2 == 0 &&
                     std::count(text_.begin(), text_.end(), '\'') % 2 == 0)
                DoctypeEnds();
            return;
        }
    }

    // An element with plain text and nothing else ("<NAME>text</NAME>",
    // ASCII names, the text without '<', '&', control bytes or bytes of
    // 0x80 and more) that lies whole in the block, read in one go: it opens
    // and closes where it stands, so the open elements do not change.  0 for
    // anything else.
    static std::size_t LeafElement(const unsigned char* p, std::size_t n)
    {
        std::size_t i = 1;
        if (i >= n || !AsciiNameStart(p[i]))
            return 0;
        while (i < n && AsciiNameChar(p[i]))
            ++i;
        if (i >= n || p[i] != '>')
            return 0;
        const std::size_t nameLength = i - 1;
        if (nameLength > kMaxNameLength)
            return 0;
        ++i;
        while (i + 8 <= n && !StopsPlainText(p + i))
            i += 8;
        while (i < n && PlainText(p[i]))
            ++i;
        if (i + 2 + nameLength >= n || p[i] != '<' || p[i + 1] != '/' || p[i + 2 + nameLength] != '>' ||
            std::memcmp(p + i + 2, p + 1, nameLength) != 0)
            return 0;
        return i + 3 + nameLength;
    }

    // A plain tag ("<NAME>", "</NAME>", "<NAME/>", ASCII names) that lies
    // whole in the block, read in one go; 0 for anything else, which the
    // byte-at-a-time path reads (and, if need be, names as broken).
    std::size_t PlainTag(const unsigned char* p, std::size_t n)
    {
        std::size_t i = 1;
        const bool end = i < n && p[i] == '/';
        if (end) {
            // The end tag of the innermost element, its name compared whole
            // (it was checked when the element started).
            const std::size_t length = Depth() == 0 ? 0 : names_.size() - starts_.back();
            if (length > 0 && length + 2 < n && p[length + 2] == '>' &&
                std::memcmp(p + 2, names_.data() + starts_.back(), length) == 0) {
                names_.resize(starts_.back());
                starts_.pop_back();
                Closed();
                return length + 3;
            }
            ++i;
        }
        const std::size_t nameAt = i;
        if (i >= n || !AsciiNameStart(p[i]))
            return 0;
        while (i < n && AsciiNameChar(p[i]))
            ++i;
        const std::string_view name(reinterpret_cast<const char*>(p) + nameAt, i - nameAt);
        if (name.size() > kMaxNameLength)
            return 0;
        if (i < n && p[i] == '>') {
            if (end) {
                if (Depth() == 0 || name != Innermost())
                    return 0;
                names_.resize(starts_.back());
                starts_.pop_back();
                Closed();
            } else {
                starts_.push_back(names_.size());
                names_ += name;
                rootSeen_ = true;
            }
            return i + 1;
        }
        if (!end && i + 1 < n && p[i] == '/' && p[i + 1] == '>')
            return i + 2; // an empty element inside the root
        return 0;
    }

    // The open elements: their names one after another in names_, where
    // each starts at its entry of starts_ (no allocation per element).
    std::size_t Depth() const { return starts_.size(); }
    std::string_view Innermost() const { return std::string_view(names_).substr(starts_.back()); }

    void InStartTag(unsigned char c)
    {
        last_ = c;
        if (Space(c)) {
            state_ = State::InTag;
        } else if (c == '/') {
            state_ = State::EmptyEnd;
        } else if (c == '>') {
            starts_.push_back(names_.size());
            names_ += name_;
            rootSeen_ = true;
            state_ = State::Content;
        } else {
            Fail("a broken start tag <" + name_ + ">");
        }
    }

    void DoctypeEnds()
    {
        if (!DoctypeRight(text_))
            Fail("a DOCTYPE this check does not take");
        else
            state_ = after_;
    }

    // An element ended (an empty element or an end tag).
    void Closed()
    {
        rootSeen_ = true;
        state_ = Depth() == 0 ? State::Epilog : State::Content;
    }

    // Whether the last bytes of a comment, processing instruction or CDATA
    // section, with c, are its end.
    bool EndsWith(unsigned char c, const char* end)
    {
        text_ += static_cast<char>(c);
        const std::size_t n = std::strlen(end);
        if (text_.size() > n)
            text_.erase(0, text_.size() - n);
        return text_ == end;
    }

    // The text of a comment, processing instruction or CDATA section,
    // counted as XML parsers count it against their limit.
    void MarkupTextStarts()
    {
        markupText_ = 0;
        markupCr_ = false;
    }
    // Counts c; false once the text is known to be too long, the end
    // (three bytes at most) aside.
    bool MarkupTextFits(unsigned char c)
    {
        if (c != '\n' || !markupCr_)
            ++markupText_;
        markupCr_ = c == '\r';
        return markupText_ <= kMaxMarkupText + 3 || TooLong();
    }
    // The markup's end, the last `end` bytes counted.
    void MarkupTextEnds(std::size_t end)
    {
        if (markupText_ - end > kMaxMarkupText)
            TooLong();
        else
            state_ = after_;
    }
    bool TooLong()
    {
        const char* what = state_ == State::Comment ? "a comment"
                           : state_ == State::Pi    ? "a processing instruction"
                                                    : "a CDATA section";
        return Fail(std::string(what) + " of more than 10,000,000 bytes, which XML parsers refuse");
    }

    // One of the five entities, or a reference to a character XML allows.
    static bool KnownReference(const std::string& r)
    {
        if (r == "amp" || r == "lt" || r == "gt" || r == "quot" || r == "apos")
            return true;
        if (r.size() < 2 || r[0] != '#')
            return false;
        const bool hex = r[1] == 'x';
        if (r.size() == (hex ? 2u : 1u))
            return false;
        uint32_t value = 0;
        for (std::size_t i = hex ? 2 : 1; i < r.size(); ++i) {
            const char d = r[i];
            const bool digit = d >= '0' && d <= '9';
            const bool hexDigit = (d | 0x20) >= 'a' && (d | 0x20) <= 'f';
            if (!digit && !(hex && hexDigit))
                return false;
            const uint32_t v = digit ? static_cast<uint32_t>(d - '0') : static_cast<uint32_t>((d | 0x20) - 'a' + 10);
            value = value * (hex ? 16 : 10) + v;
            if (value > 0x10FFFF)
                return false;
        }
        return value == 0x9 || value == 0xA || value == 0xD || (value >= 0x20 && value <= 0xD7FF) ||
               (value >= 0xE000 && value <= 0xFFFD) || value >= 0x10000;
    }

    State state_ = State::Prolog;
    State after_ = State::Prolog;    // where markup returns to
    State returnTo_ = State::Content; // where a reference returns to
    std::string names_;
    std::vector<std::size_t> starts_;
    std::string name_;
    std::string text_;
    unsigned char quote_ = 0;
    unsigned char last_ = 0;
    bool rootSeen_ = false;
    int pending_ = 0; // continuation bytes of the UTF-8 character still due
    unsigned char low_ = 0x80, high_ = 0xBF; // what the next of them may be
    uint32_t sequence_ = 0;                  // the character so far
    int brackets_ = 0;                       // "]" just before, in text
    int dashes_ = 0;                         // "-" just before, in a comment
    std::size_t markupText_ = 0;             // bytes of a comment's, PI's or CDATA section's text so far
    bool markupCr_ = false;                  // and whether the last was a CR
    long piAt_ = 0;                          // where the processing instruction's '<' stands
    bool doctypeSeen_ = false;
    std::unordered_set<std::string> attributes_; // of the start tag being read
    long offset_ = 0;
    long bom_ = 0;
    long line_ = 1;
    std::string problem_;
};

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

XmlDocumentCheck::XmlDocumentCheck() : checker_(std::make_unique<Checker>()) {}
XmlDocumentCheck::~XmlDocumentCheck() = default;

namespace {
constexpr unsigned char kEndOfFileMark = 0x1A;
}

bool XmlDocumentCheck::Feed(const unsigned char* bytes, std::size_t n)
{
    if (n == 0)
        return true;
    if (heldEndMark_) {
        // Something follows it: not the end-of-file mark after all.
        heldEndMark_ = false;
        if (!checker_->FeedBlock(&kEndOfFileMark, 1))
            return false;
    }
    if (bytes[n - 1] == kEndOfFileMark) {
        heldEndMark_ = true;
        --n;
    }
    return checker_->FeedBlock(bytes, n);
}

// A ^Z still held back was the file's last byte: the text mode's end mark.
std::string XmlDocumentCheck::Finish() { return checker_->Finish(); }

std::string XmlDocumentProblem(const std::string& path)
{
    std::string why;
    std::unique_ptr<std::FILE, FileCloser> file(OpenHostStream(path, "rb", &why));
    if (file == nullptr)
        return "it cannot be read: " + why;
    XmlDocumentCheck checker;
    std::vector<unsigned char> buffer(1 << 16);
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0)
        if (!checker.Feed(buffer.data(), n))
            return checker.Finish();
    if (std::ferror(file.get()) != 0)
        return "it cannot be read to its end";
    return checker.Finish();
}
