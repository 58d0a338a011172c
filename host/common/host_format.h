// printf formatting into a std::string of the length needed.
#pragma once

#include <cstdarg>
#include <string>

#if defined(__MINGW32__)
// The host formats with the C library of its own build, which on Windows
// follows the C99 conversions (%zu): check against those.
#define HOST_PRINTF_CHECK(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define HOST_PRINTF_CHECK(f, a) __attribute__((format(printf, f, a)))
#endif

// A null format gives the empty text; a format the C library refuses is
// given back as it stands.
std::string HostFormat(const char* format, ...) HOST_PRINTF_CHECK(1, 2);
std::string HostFormatV(const char* format, va_list args);
