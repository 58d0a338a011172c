// The host's INI files: "[section]" lines and "key=value" lines, names
// compared without regard to case.  A bare file name lives in the data
// directory.
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "contract/host_protocol.h"
#include "host/common/entry_guard.h"
#include "host/module/host_entry_impl.h"
#include "host/services/host_files.h"

namespace {

inline constexpr int kStatusOk = 0;
inline constexpr int kStatusFailed = 1;

std::string Trimmed(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

bool SameName(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == '\0';
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool IsSection(const std::string& line, std::string* name)
{
    const std::string t = Trimmed(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']')
        return false;
    *name = Trimmed(t.substr(1, t.size() - 2));
    return true;
}

bool IsKey(const std::string& line, const char* key, std::string* value)
{
    const auto eq = line.find('=');
    if (eq == std::string::npos || !SameName(Trimmed(line.substr(0, eq)), key))
        return false;
    *value = Trimmed(line.substr(eq + 1));
    return true;
}

// The value of the key, or false when the file, section or key is missing.
bool ReadValue(const std::string& path, const char* section, const char* key, std::string* value)
{
    bool inSection = false;
    for (const std::string& line : ReadLines(path)) {
        std::string name;
        if (IsSection(line, &name)) {
            inSection = SameName(name, section);
            continue;
        }
        if (inSection && IsKey(line, key, value))
            return true;
    }
    return false;
}

bool WriteValue(const std::string& path, const char* section, const char* key, const std::string& value)
{
    std::vector<std::string> lines = ReadLines(path);
    const std::string entry = std::string(key) + "=" + value;
    bool inSection = false, done = false;
    std::size_t sectionEnd = lines.size();
    bool sectionFound = false;
    for (std::size_t i = 0; i < lines.size() && !done; ++i) {
        std::string name, old;
        if (IsSection(lines[i], &name)) {
            if (inSection) {
                sectionEnd = i;
                break;
            }
            inSection = SameName(name, section);
            sectionFound = sectionFound || inSection;
            continue;
        }
        if (inSection && IsKey(lines[i], key, &old)) {
            lines[i] = entry;
            done = true;
        }
    }
    if (!done) {
        if (sectionFound) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), entry);
        } else {
            lines.push_back(std::string("[") + section + "]");
            lines.push_back(entry);
        }
    }
    // A text file: its lines end in CR LF on Windows.
    std::ofstream out(path, std::ios::trunc);
    for (const std::string& line : lines)
        out << line << "\n";
    return static_cast<bool>(out.flush());
}

} // namespace

namespace tomiva {

int HOST_CONV_CDECL HostIniAccess(const char* file, int mode, const char* section, const char* key,
                                  const char* format, ...)
{
    if (file == nullptr || section == nullptr || key == nullptr || format == nullptr)
        return kStatusFailed;
    va_list args;
    va_start(args, format);
    const int status = HostEntryGuard(kStatusFailed, [&] {
        const std::string path = HostResolvePath(file);
        if (mode == kIniRead) {
            std::string value;
            if (ReadValue(path, section, key, &value) && std::vsscanf(value.c_str(), format, args) >= 1)
                return kStatusOk;
        } else if (mode == kIniWrite) {
            char value[512];
            const int n = std::vsnprintf(value, sizeof value, format, args);
            if (n >= 0 && n < static_cast<int>(sizeof value) && WriteValue(path, section, key, value))
                return kStatusOk;
        }
        return kStatusFailed;
    });
    va_end(args);
    return status;
}

} // namespace tomiva
