#include "host/common/host_format.h"

#include <cstdio>
#include <vector>

std::string HostFormatV(const char* format, va_list args)
{
    if (format == nullptr)
        return {};
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0)
        return format;
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    va_list fill;
    va_copy(fill, args);
    std::vsnprintf(text.data(), text.size(), format, fill);
    va_end(fill);
    return std::string(text.data(), static_cast<std::size_t>(length));
}

std::string HostFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = HostFormatV(format, args);
    va_end(args);
    return text;
}
