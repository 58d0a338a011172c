// printf formatting into a string of the length needed.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "host/common/host_format.h"

namespace {

TEST(HostFormat, AnyLengthComesOutWhole)
{
    const std::string longText(5000, 'x');
    const std::string text = HostFormat("[%s] %d %zu", longText.c_str(), -12, static_cast<std::size_t>(4096));
    EXPECT_EQ(text, "[" + longText + "] -12 4096");
    EXPECT_EQ(HostFormat("%s", ""), "");
}

TEST(HostFormat, ANullFormatIsTheEmptyText) { EXPECT_EQ(HostFormat(nullptr), ""); }

} // namespace
