#include "support/test_files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TestDir::TestDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "ventalor-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TestDir::~TestDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> DirectoryEntries(const std::string& path)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool FileExists(const std::string& path)
{
    struct stat st{};
    return stat(path.c_str(), &st) == 0;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

namespace {

std::string XmlLint(const std::string& options, const std::string& path)
{
    const std::string command = std::string(VENTALOR_XMLLINT) + " --noout " + options + " '" + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return "cannot run xmllint";
    std::string output;
    char chunk[512];
    while (std::fgets(chunk, sizeof chunk, pipe) != nullptr)
        output += chunk;
    const int status = pclose(pipe);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return "";
    return output.empty() ? "xmllint failed" : output;
}

} // namespace

std::string XmlLintErrors(const std::string& path)
{
    return XmlLint(std::string("--schema '") + VENTALOR_EXPORT_SCHEMA + "'", path);
}

std::string XmlWellFormedErrors(const std::string& path) { return XmlLint("", path); }
