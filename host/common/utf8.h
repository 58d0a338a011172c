// UTF-8, the text of the host's own messages, its command line and the firm
// database.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "contract/utf8_encode.h"

// Decodes the sequence at text[*position] (which must lie inside text) and
// moves *position past it.  What is not valid UTF-8 (a stray or unknown
// byte, a sequence cut short, an overlong form, a surrogate, a value past
// U+10FFFF) gives U+FFFD; *position then stands after the bytes read so
// far, so that a byte that breaks a sequence starts the next one.
char32_t DecodeUtf8(std::string_view text, std::size_t* position);

// EncodeUtf8(char32_t, char*), one character, is contract/utf8_encode.h's,
// the one encoder of both sides.
// A text of characters in UTF-8.
std::string EncodeUtf8(std::u32string_view text);

// A character's name as the Unicode standard writes it: "U+00E9", "U+1F600".
std::string CodePointName(char32_t code);
