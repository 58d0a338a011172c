// Mazovia and UTF-8.  Input: bytes, read both ways.
//   - as Mazovia: every byte converts to UTF-8 and back to itself;
//   - as UTF-8: a text that converts to Mazovia converts back to itself;
//   - the host's bounded conversion (HostConvertText's) fills at most its
//     buffer, always ends in a NUL, never cuts a UTF-8 sequence, and gives a
//     beginning of the whole conversion.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "host/common/utf8.h"
#include "host/common/mazovia.h"

namespace {

constexpr int kToUtf8 = 6;

void CheckBounded(std::string_view mazovia, int size)
{
    auto buffer = std::make_unique<char[]>(static_cast<std::size_t>(size));
    const std::string text(mazovia); // NUL-terminated at its first NUL
    const int written = ConvertMazovia(buffer.get(), size, text.c_str(), -1, kToUtf8);
    FUZZ_CHECK(written >= 0 && written < size);
    FUZZ_CHECK(buffer[static_cast<std::size_t>(written)] == '\0');
    const std::string_view out(buffer.get(), static_cast<std::size_t>(written));
    const std::string upToNul = MazoviaToUtf8(std::string_view(text.c_str()));
    FUZZ_CHECK(upToNul.compare(0, out.size(), out) == 0);
    // Whole characters only: what was written decodes back to Mazovia.
    std::string back;
    FUZZ_CHECK(Utf8ToMazovia(out, &back, nullptr));
    FUZZ_CHECK(std::string_view(text.c_str()).substr(0, back.size()) == back);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::string utf8 = MazoviaToUtf8(bytes);
    std::string back;
    char32_t offending = 0;
    FUZZ_CHECK(Utf8ToMazovia(utf8, &back, &offending));
    FUZZ_CHECK(back == bytes);

    std::string mazovia;
    if (Utf8ToMazovia(bytes, &mazovia, nullptr))
        FUZZ_CHECK(MazoviaToUtf8(mazovia) == bytes);

    if (size > 0)
        CheckBounded(bytes.substr(1), 1 + data[0] % 64);
    return 0;
}
