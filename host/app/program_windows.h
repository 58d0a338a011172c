// What the host program needs of Windows that the C++ library does not give:
// its command line in UTF-8, a console that shows UTF-8, its own path, and
// the environment the plug-in reads (GetEnvironmentVariableA sees only the
// process's own block, not the C library's copy).
#pragma once

#include <string>
#include <vector>

// The program's arguments as the system keeps them (UTF-16), in UTF-8 like
// every other text of the host: main's own are in the ANSI code page, which
// cannot hold every Polish letter of an answer.  Keeps the texts for as long
// as it lives.
class Utf8CommandLine {
public:
    Utf8CommandLine();
    bool valid() const { return !pointers_.empty(); }
    int argc() const { return static_cast<int>(texts_.size()); }
    char** argv() { return pointers_.data(); }

private:
    std::vector<std::string> texts_;
    std::vector<char*> pointers_;
};

// The path of TOMIVA.exe in UTF-8, or empty.
std::string ProgramFilePath();

// A console shows what the host prints as UTF-8.
void UseUtf8Console();

// Sets a variable in the process's environment block.
void SetProcessVariable(const char* name, const char* value);
