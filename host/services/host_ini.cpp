// The host's INI files: "[section]" lines and "key=value" lines, names
// compared without regard to case.  A bare file name lives in the data
// directory.
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "contract/host_protocol.h"
#include "host/common/entry_guard.h"
#include "host/common/file_kind.h"
#include "host/services/host_messages.h"
#include "host/services/host_session.h"
#include "host/module/host_entry_impl.h"
#include "host/services/host_latitude.h"
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

// A file of the host's own that cannot be used: the user is told why, and
// a file that was to be written marks the command as failed.
void Unusable(const std::string& text, bool writing)
{
    HostNote(text);
    if (writing)
        HostRecordFailure(HostFailureKind::FileIncomplete, text);
}

// The file's lines; a missing file has none.  False, the user told why,
// when the file is there but cannot be read (a FIFO or a device is refused,
// never waited on).
bool ReadLines(const std::string& path, std::vector<std::string>* lines, bool writing)
{
    lines->clear();
    if (KindOfPath(path) == PathKind::Missing)
        return true;
    std::string why;
    std::FILE* in = OpenHostStream(path, "rb", &why);
    if (in == nullptr) {
        Unusable("cannot open " + path + " for reading: " + why, writing);
        return false;
    }
    std::string line;
    int c;
    bool pending = false;
    while ((c = std::fgetc(in)) != EOF) {
        pending = true;
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines->push_back(line);
        line.clear();
        pending = false;
    }
    if (pending) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines->push_back(line);
    }
    const bool read = std::ferror(in) == 0;
    std::fclose(in);
    if (!read)
        Unusable("reading " + path + " failed", writing);
    return read;
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
    std::vector<std::string> lines;
    if (!ReadLines(path, &lines, false))
        return false;
    for (const std::string& line : lines) {
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
    std::vector<std::string> lines;
    if (!ReadLines(path, &lines, true))
        return false;
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
    std::string why;
    std::FILE* out = OpenHostStream(path, "w", &why);
    if (out == nullptr) {
        Unusable("cannot open " + path + " for writing: " + why, true);
        return false;
    }
    errno = 0;
    bool written = true;
    for (const std::string& line : lines)
        written = written && std::fputs(line.c_str(), out) >= 0 && std::fputc('\n', out) != EOF;
    int error = errno;
    if (std::fclose(out) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written)
        Unusable("writing " + path + " failed: " + ErrnoText(error), true);
    return written;
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
    return LatitudeLow16(status);
}

} // namespace tomiva
