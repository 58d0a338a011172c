// tomiva run in batch mode checks what it wrote: every export file
// (qPX_*.xml) against the schema and, when the run also wrote its settings
// file (the options it exported with), reconciled with the firm for that
// period and those kinds.  A brief per file on standard output, verify's own
// failures on standard error.
#pragma once

#include <string>
#include <vector>

enum class WrittenExports {
    Agree,      // every export file agrees (or the run wrote none)
    Fail,       // an export file failed: not valid, or not what the firm holds
    OwnFailure, // verify itself failed (a read, memory, the settings file
                // unreadable, the firm): that says nothing of the files
};

// written: the files the run wrote complete, by path; firmPath the firm the
// run exported from.
WrittenExports VerifyWrittenExports(const std::string& firmPath, const std::vector<std::string>& written);
