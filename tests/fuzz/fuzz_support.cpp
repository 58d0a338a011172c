#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "host/app/host_runtime.h"
#include "host/common/entry_guard.h"

void FuzzPropertyFailed(const char* property, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, property);
    std::abort();
}

const std::string& FuzzHostDirectory()
{
    static std::string directory;
    if (!directory.empty())
        return directory;
    directory = [] {
        char pattern[] = "/tmp/ventalor-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        FUZZ_CHECK(made != nullptr);
        HostConfig config;
        config.dataDirectory = made;
        config.batch = true;
        std::string error;
        FUZZ_CHECK(HostStart(config, &error));
        SetEntryFailureReporter(
            [](EntryFailure) noexcept { FuzzPropertyFailed("no host entry fails inside", __FILE__, __LINE__); });
        return std::string(made);
    }();
    // Registered after the directory's text is made, so it runs before the
    // text is destroyed.  The host is left as it is: the statics it uses may
    // be gone by then.
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(directory, ec);
    });
    return directory;
}
