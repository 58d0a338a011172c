// Paths inside the host are UTF-8 text, like its command line and its
// messages.  The system takes them as they are natively; on Windows they go
// to the wide (UTF-16) functions, never to the ANSI ones, which would read
// the bytes in the system's code page.  Every file call of the host with a
// path of its own or of the plug-in goes through these.  (What the plug-in
// hands the host is Mazovia text: HostResolvePath turns it into UTF-8.)
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// The path for std::filesystem, and a path of std::filesystem as UTF-8.
std::filesystem::path SystemPath(const std::string& utf8);
std::string Utf8Path(const std::filesystem::path& path);

// The names in a folder (UTF-8; "." and ".." among them natively), none
// when it cannot be read.  Throws std::bad_alloc when memory runs short.
std::vector<std::string> NamesInFolder(const std::string& folder);

// fopen and remove over a UTF-8 path.
std::FILE* OpenSystemFile(const std::string& utf8, const char* mode);
int RemoveSystemFile(const std::string& utf8);

#ifdef _WIN32
// UTF-8 to UTF-16 and back (a sequence that is not UTF-8 becomes U+FFFD).
std::wstring WideText(const std::string& utf8);
std::string Utf8Text(const wchar_t* wide);
#endif
