// The split of a contractor's one-line address into street, postal code and
// city.  Input: the address as host text (cut at its first NUL).
//   - every part stays inside its buffer and ends in a NUL;
//   - every part is a piece of the address (of its first 255 characters, as
//     the split reads it, each control byte a space), trimmed of blanks;
//   - a postal code is always "DD-DDD".
#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "export/contractor_element.h"
#include "fuzz_support.h"

namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }

void CheckPart(const char* part, std::string_view address)
{
    const std::size_t length = strnlen(part, kAddressPartSize);
    FUZZ_CHECK(length < static_cast<std::size_t>(kAddressPartSize));
    const std::string_view text(part, length);
    FUZZ_CHECK(address.find(text) != std::string_view::npos);
    if (!text.empty())
        FUZZ_CHECK(!Blank(text.front()) && !Blank(text.back()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzHostDirectory(); // the split copies and trims through host entries
    std::string address(reinterpret_cast<const char*>(data), size);
    address.resize(std::min(address.find('\0'), address.size()));

    auto street = std::make_unique<char[]>(kAddressPartSize);
    auto postal = std::make_unique<char[]>(kAddressPartSize);
    auto city = std::make_unique<char[]>(kAddressPartSize);
    SplitAddress(address.c_str(), street.get(), postal.get(), city.get());

    std::string spaced = address.substr(0, 255);
    for (char& c : spaced)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    const std::string_view read(spaced);
    CheckPart(street.get(), read);
    CheckPart(postal.get(), read);
    CheckPart(city.get(), read);
    const std::string_view code(postal.get());
    if (!code.empty()) {
        FUZZ_CHECK(code.size() == 6 && code[2] == '-');
        for (std::size_t i : {0, 1, 3, 4, 5})
            FUZZ_CHECK(std::isdigit(static_cast<unsigned char>(code[i])));
    }
    return 0;
}
