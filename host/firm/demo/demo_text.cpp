#include "host/firm/demo/demo_text.h"

namespace demo_firm {

std::size_t CharCount(std::string_view utf8)
{
    std::size_t count = 0;
    for (const char c : utf8)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

std::string Clip(const std::string& utf8, std::size_t n)
{
    std::size_t chars = 0, end = 0;
    while (end < utf8.size()) {
        std::size_t next = end + 1;
        while (next < utf8.size() && (static_cast<unsigned char>(utf8[next]) & 0xC0) == 0x80)
            ++next;
        if (chars == n)
            break;
        ++chars;
        end = next;
    }
    while (end > 0 && utf8[end - 1] == ' ')
        --end;
    return utf8.substr(0, end);
}

std::string UpperPolish(std::string_view utf8)
{
    static const struct {
        const char* lower;
        const char* upper;
    } kLetters[] = {
        {"ą", "Ą"}, {"ć", "Ć"}, {"ę", "Ę"}, {"ł", "Ł"}, {"ń", "Ń"}, {"ó", "Ó"}, {"ś", "Ś"}, {"ź", "Ź"}, {"ż", "Ż"},
    };
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char c = utf8[i];
        if (c >= 'a' && c <= 'z') {
            out += static_cast<char>(c - 'a' + 'A');
            ++i;
            continue;
        }
        bool mapped = false;
        for (const auto& letter : kLetters) {
            if (utf8.compare(i, 2, letter.lower) == 0) {
                out += letter.upper;
                i += 2;
                mapped = true;
                break;
            }
        }
        if (!mapped)
            out += utf8[i++];
    }
    return out;
}

} // namespace demo_firm
