// The host's INI files: "[section]" lines and "key=value" lines, names
// compared without regard to case.  A bare file name lives in the data
// directory.  A file is rewritten whole through a temporary file, every line
// but the one set kept byte for byte (a NUL, a CR LF, a byte order mark, a
// last line without its end, lines of any length).
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "contract/host_protocol.h"
#include "host/common/durable_file.h"
#include "host/common/entry_guard.h"
#include "host/common/system_path.h"
#include "host/common/file_kind.h"
#include "host/services/host_messages.h"
#include "host/services/host_session.h"
#include "host/host_entry_impl.h"
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

// A UTF-8 byte order mark, which an editor may put before the first line.
inline constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
// A text file's lines end in CR LF on Windows: a line the host adds ends so
// there (its "\r" kept with it, as a line read keeps its own).
#ifdef _WIN32
inline constexpr char kAddedLineEnd[] = "\r";
#else
inline constexpr char kAddedLineEnd[] = "";
#endif

// The file as lines, each as it stands but for its "\n" (a "\r" before it
// stays part of the line, a NUL is a byte like any other), whether it began
// with a byte order mark (not part of the first line), and whether its last
// line ended with "\n".  A missing file has none.
struct IniText {
    std::vector<std::string> lines;
    bool byteOrderMark = false;
    bool lastLineEnded = true;
};

// False, the user told why, when the file is there but cannot be read (a
// FIFO or a device is refused, never waited on).
bool ReadLines(const std::string& path, IniText* text, bool writing)
{
    *text = IniText{};
    if (KindOfPath(path) == PathKind::Missing)
        return true;
    std::string why;
    std::FILE* in = OpenHostStream(path, "rb", &why);
    if (in == nullptr) {
        Unusable("cannot open " + path + " for reading: " + why, writing);
        return false;
    }
    std::string all;
    char block[4096];
    std::size_t n;
    while ((n = std::fread(block, 1, sizeof block, in)) > 0)
        all.append(block, n);
    const bool read = std::ferror(in) == 0;
    std::fclose(in);
    if (!read) {
        Unusable("reading " + path + " failed", writing);
        return false;
    }
    std::size_t at = 0;
    if (all.compare(0, 3, kByteOrderMark) == 0) {
        text->byteOrderMark = true;
        at = 3;
    }
    while (at < all.size()) {
        const std::size_t end = all.find('\n', at);
        if (end == std::string::npos) {
            text->lines.push_back(all.substr(at));
            text->lastLineEnded = false;
            break;
        }
        text->lines.push_back(all.substr(at, end - at));
        at = end + 1;
    }
    return true;
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
    IniText text;
    if (!ReadLines(path, &text, false))
        return false;
    for (const std::string& line : text.lines) {
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

// Writes the key's value into the file.  The file is written whole under a
// new name of its own beside it, flushed to the disk and only then moved over
// the file: a full disk or a failure on the way leaves the file as it was.
// Every other line stays as it was, byte for byte.
bool WriteValue(const std::string& path, const char* section, const char* key, const std::string& value)
{
    IniText text;
    if (!ReadLines(path, &text, true))
        return false;
    std::vector<std::string>& lines = text.lines;
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
            // The line keeps its own end (a "\r" of a CR LF file).
            lines[i] = entry + (!lines[i].empty() && lines[i].back() == '\r' ? "\r" : "");
            done = true;
        }
    }
    if (!done) {
        if (sectionFound) {
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), entry + kAddedLineEnd);
        } else {
            lines.push_back(std::string("[") + section + "]" + kAddedLineEnd);
            lines.push_back(entry + kAddedLineEnd);
        }
        // The lines added end in "\n", and so does the one before them.
        text.lastLineEnded = true;
    }
    if (const PathKind kind = KindOfPath(path); kind != PathKind::Missing && kind != PathKind::Regular) {
        Unusable("cannot open " + path + " for writing: it is " + PathKindName(kind) + ", not a file", true);
        return false;
    }
    if (IdentityOfPath(path) == HostState().firm) {
        Unusable("cannot open " + path + " for writing: it is the firm database", true);
        return false;
    }
    std::string temporary;
    int error = 0;
    std::FILE* out = CreateTemporaryBeside(path, "wb", &temporary, &error);
    if (out == nullptr) {
        Unusable("cannot open " + path + " for writing: " + ErrnoText(error), true);
        return false;
    }
    errno = 0;
    bool written = !text.byteOrderMark || std::fwrite(kByteOrderMark, 1, 3, out) == 3;
    for (std::size_t i = 0; i < lines.size() && written; ++i) {
        written = std::fwrite(lines[i].data(), 1, lines[i].size(), out) == lines[i].size();
        if (written && (i + 1 < lines.size() || text.lastLineEnded))
            written = std::fputc('\n', out) != EOF;
    }
    error = errno;
    if (written && !FlushToDisk(out, &error))
        written = false;
    if (std::fclose(out) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && !ReplaceDurably(temporary, path, &error))
        written = false;
    if (!written) {
        RemoveSystemFile(temporary);
        Unusable("writing " + path + " failed: " + ErrnoText(error), true);
        return false;
    }
    HostState().filesWritten.push_back({path, IdentityOfPath(path)});
    return true;
}

} // namespace

namespace tomiva {

int HOST_CONV_CDECL HostIniAccess(const char* file, int mode, const char* section, const char* key,
                                  const char* format, ...)
{
    LatitudeEntered();
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
