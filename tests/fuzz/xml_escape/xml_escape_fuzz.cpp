// XML escaping and the split of an escaped full name into its two elements.
// Input: two bytes of room (the buffer holds room + 1 bytes), then a host
// text (cut at its first NUL, and to the room).
//   - the escaped text stays in its buffer and is well-formed element
//     content: no markup character left bare, every "&" the start of one of
//     the five entities, no control byte;
//   - a text whose escaped form fits its room comes out exactly escaped;
//   - the name split never cuts an entity, puts at most 70 characters in
//     each part, and keeps a name whole when its parts can hold it.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "export/contractor_element.h"
#include "export/line_writer.h"
#include "fuzz_support.h"

namespace {

constexpr std::string_view kEntities[] = {"&lt;", "&gt;", "&apos;", "&amp;", "&quot;"};

std::string Escaped(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\'': out += "&apos;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
    }
    return out;
}

// The length of the entity at text[at], or 0 when none starts there.
std::size_t EntityAt(std::string_view text, std::size_t at)
{
    for (std::string_view e : kEntities)
        if (text.substr(at, e.size()) == e)
            return e.size();
    return 0;
}

void CheckWellFormed(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        FUZZ_CHECK(c >= 0x20);
        FUZZ_CHECK(c != '<' && c != '>' && c != '"' && c != '\'');
        if (c == '&')
            FUZZ_CHECK(EntityAt(text, i) != 0);
    }
}

// True when position cut lies inside an entity (after its "&", up to its ";").
bool InsideEntity(std::string_view text, std::size_t cut)
{
    for (std::size_t start = 0; start < cut && start < text.size(); ++start)
        if (text[start] == '&') {
            const std::size_t length = EntityAt(text, start);
            if (start < cut && cut < start + length)
                return true;
        }
    return false;
}

void CheckSplit(std::string_view name)
{
    int first = -1, second = -1;
    SplitEscapedName(std::string(name).c_str(), &first, &second);
    const int length = static_cast<int>(name.size());
    FUZZ_CHECK(0 <= first && first <= second && second <= length);
    FUZZ_CHECK(first <= kNamePartChars && second - first <= kNamePartChars);
    FUZZ_CHECK(!InsideEntity(name, static_cast<std::size_t>(first)));
    FUZZ_CHECK(!InsideEntity(name, static_cast<std::size_t>(second)));
    // Each part is as long as it can be: full, or up to the entity that
    // would be cut.
    auto fullest = [&](int start) {
        int end = std::min(start + kNamePartChars, length);
        while (end > start && InsideEntity(name, static_cast<std::size_t>(end)))
            --end;
        return end;
    };
    FUZZ_CHECK(first == fullest(0));
    FUZZ_CHECK(second == fullest(first));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzHostDirectory(); // the escaping inserts through a host entry
    if (size < 2)
        return 0;
    const int room = 1 + (data[0] | (data[1] << 8)) % 1100;
    std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
    text = text.substr(0, std::min(text.find('\0'), static_cast<std::size_t>(room)));

    // Exactly room + 1 bytes: the sanitizer sees a write past them.
    auto buffer = std::make_unique<char[]>(static_cast<std::size_t>(room) + 1);
    std::memcpy(buffer.get(), text.data(), text.size());
    buffer[text.size()] = '\0';
    EscapeXml(buffer.get(), static_cast<int16_t>(room));
    const std::string_view escaped(buffer.get());

    FUZZ_CHECK(escaped.size() <= static_cast<std::size_t>(room));
    CheckWellFormed(escaped);
    const std::string expected = Escaped(text);
    if (expected.size() <= static_cast<std::size_t>(room))
        FUZZ_CHECK(escaped == expected);
    CheckSplit(escaped);
    return 0;
}
