// What the fuzz targets share: a property that fails stops the run as a
// crash that libFuzzer reports with its input, and a host session over a
// data directory of its own, started once per process.
#pragma once

#include <string>

// Stops the process (libFuzzer keeps the input as a crash) unless the
// property holds.
#define FUZZ_CHECK(property)                                 \
    do {                                                     \
        if (!(property))                                     \
            FuzzPropertyFailed(#property, __FILE__, __LINE__); \
    } while (0)
[[noreturn]] void FuzzPropertyFailed(const char* property, const char* file, int line);

// The host started in batch over a fresh data directory, without a firm (or
// over the firm file given); the plug-in bound to it.  Returns the
// directory.  A failure that a host entry catches inside itself stops the
// run: the inputs are the host's to handle.
const std::string& FuzzHostDirectory();
