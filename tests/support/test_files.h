// Temporary folders and whole-file reads for tests.
#pragma once

#include <string>
#include <vector>

// A fresh folder under the system's temporary directory, removed with
// everything in it when the object goes.
class TestDir {
public:
    TestDir();
    ~TestDir();
    TestDir(const TestDir&) = delete;
    TestDir& operator=(const TestDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The whole file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
// The names in a folder (not "." and ".."), sorted.
std::vector<std::string> DirectoryEntries(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// The file's lines without their line ends.
std::vector<std::string> SplitLines(const std::string& text);
// xmllint on an export file: "" when it is well-formed and valid against the
// schema of the export format (docs/export-file.xsd), else xmllint's report.
std::string XmlLintErrors(const std::string& path);
// xmllint --noout on the file: "" when well-formed, else xmllint's report
// (for a file that, by design, no longer holds every element).
std::string XmlWellFormedErrors(const std::string& path);
