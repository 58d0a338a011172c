// The written-file check's own reader (host/app/xml_check) and libxml2 over
// the same bytes.  Input: a document, also handed to the check in blocks of
// the sizes its first byte picks.
//   - the check never calls a document whole and well-formed that libxml2
//     refuses;
//   - within the export's kind of XML (UTF-8 with or without the marker
//     bytes; elements with ASCII names and no attributes; text with the five
//     entities and character references, no control characters; line ends
//     and blanks around the root), with processing instructions of ASCII
//     names other than the declaration's anywhere in it, the check never
//     refuses what libxml2 accepts;
//   - the check's answer does not depend on where the blocks break;
//   - a ^Z as the very last byte is the end of a text-mode file to the check:
//     libxml2's verdict is taken on the bytes before it.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include <libxml/parser.h>

#include "fuzz_support.h"
#include "host/app/xml_check.h"

namespace {

void Quiet(void*, const char*, ...) {}

bool LibxmlAccepts(std::string_view bytes)
{
    xmlDoc* doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "fuzz.xml", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    const bool accepted = doc != nullptr;
    xmlFreeDoc(doc);
    return accepted;
}

std::string Check(std::string_view bytes, std::size_t block)
{
    XmlDocumentCheck check;
    for (std::size_t at = 0; at < bytes.size(); at += block) {
        const std::size_t n = std::min(block, bytes.size() - at);
        if (!check.Feed(reinterpret_cast<const unsigned char*>(bytes.data()) + at, n))
            break;
    }
    return check.Finish();
}

// Of the export's kind: no markup but start and end tags with ASCII names
// and nothing else in them (blanks before '>' and an empty element's '/'
// aside) and processing instructions whose name is ASCII and not "xml", no
// control character but line ends and tabs (which libxml2 2.9 takes for the
// end of the input when it meets NUL after the root).
bool OfTheExportsKind(std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
            return false;
    bool inTag = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (!inTag) {
            if (c == '<' && i + 1 < bytes.size() && bytes[i + 1] == '?') {
                // Its name, up to a blank or '?', then whatever stands up to
                // "?>" (or the end).
                const std::size_t name = i + 2;
                std::size_t end = name;
                while (end < bytes.size() && bytes[end] != '?' && bytes[end] != ' ' && bytes[end] != '\t' &&
                       bytes[end] != '\n' && bytes[end] != '\r')
                    ++end;
                const std::string_view target = bytes.substr(name, end - name);
                if (target == "xml" ||
                    std::any_of(target.begin(), target.end(), [](char n) { return static_cast<unsigned char>(n) >= 0x80; }))
                    return false;
                const std::size_t close = bytes.find("?>", name);
                if (close == std::string_view::npos)
                    return true;
                i = close + 1;
            } else if (c == '<') {
                if (i + 1 < bytes.size() && bytes[i + 1] == '!')
                    return false;
                inTag = true;
            }
            continue;
        }
        if (c == '>')
            inTag = false;
        else if (c >= 0x80 || c == '=' || c == '"' || c == '\'' || c == '<' || c == '&')
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > (1 << 16))
        return 0;
    static const bool quiet = [] {
        xmlSetGenericErrorFunc(nullptr, Quiet);
        return true;
    }();
    (void)quiet;
    const std::size_t block = 1 + data[0] % 17;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    const std::string whole = Check(bytes, bytes.size() + 1);
    FUZZ_CHECK(Check(bytes, block).empty() == whole.empty());
    // One ^Z as the very last byte ends a text-mode file for the check (a
    // text-mode run-time writes it at close); libxml2 judges what is before it.
    std::string_view judged = bytes;
    if (!judged.empty() && judged.back() == '\x1a')
        judged.remove_suffix(1);
    const bool libxml = LibxmlAccepts(judged);
    if (whole.empty())
        FUZZ_CHECK(libxml);
    else if (OfTheExportsKind(judged))
        FUZZ_CHECK(!libxml);
    return 0;
}
