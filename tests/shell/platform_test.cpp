// The platform layer's module file name: a path longer than its buffer is
// given cut short, on both builds, and never replaced by "<nieznany>".
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shell/platform.h"
#include "shell/platform_prompt.h"

namespace {

TEST(PlatformModuleName, LongerThanItsBufferIsCutNotRefused)
{
    char whole[4096];
    ASSERT_TRUE(PlatformModuleFileName(nullptr, whole, sizeof whole));
    const std::string path = whole;
    ASSERT_GT(path.size(), 10u);
    for (int size : {1, 2, 10, static_cast<int>(path.size()), static_cast<int>(path.size()) + 1}) {
        char cut[4096];
        std::memset(cut, 'x', sizeof cut);
        EXPECT_TRUE(PlatformModuleFileName(nullptr, cut, size)) << size;
        EXPECT_EQ(std::string(cut), path.substr(0, static_cast<std::size_t>(size - 1))) << size;
    }
}

// The Windows build's reading of what GetModuleFileNameA wrote.
TEST(PlatformModuleName, WhatTheSystemWroteIsCutToTheBuffer)
{
    struct Case {
        std::string written; // the buffer's bytes as the system left them (the rest untouched)
        int size;
        unsigned long count; // what it returned
        bool given;
        const char* shown;
    };
    const Case cases[] = {
        {std::string("C:\\p\\a.dll\0", 11), 11, 10, true, "C:\\p\\a.dll"}, // fits with its NUL
        {std::string("C:\\p\\a.dl\0", 10), 10, 10, true, "C:\\p\\a.dl"},   // cut, a NUL in the last byte
        {"C:\\p\\a.dll", 10, 10, true, "C:\\p\\a.dl"},                    // cut without a NUL (older systems)
        {"", 10, 0, false, ""},                                               // failed
    };
    for (const Case& c : cases) {
        char buffer[32];
        std::memset(buffer, '?', sizeof buffer);
        std::memcpy(buffer, c.written.data(), c.written.size());
        EXPECT_EQ(PlatformCutModuleName(buffer, c.size, c.count), c.given) << c.written;
        EXPECT_STREQ(buffer, c.shown) << c.written;
    }
}

} // namespace
