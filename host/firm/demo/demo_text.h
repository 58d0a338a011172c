// Texts of the demo firm.  Every literal of the generator is ASCII or a
// Polish letter, all of which the host's text holds, one byte each: a
// character count is the host's length.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace demo_firm {

// Characters of a UTF-8 text.
std::size_t CharCount(std::string_view utf8);
// The first n characters, without blanks at the end.
std::string Clip(const std::string& utf8, std::size_t n);
// ASCII and Polish letters in upper case; anything else as it is.
std::string UpperPolish(std::string_view utf8);

} // namespace demo_firm
