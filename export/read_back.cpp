// The export file read back as the host's text mode leaves it: the CR of a
// CR LF and a ^Z as the last byte left out, everything else taken as it is.
#include "export/read_back.h"

#include <cstring>

namespace {

constexpr char kEndMark = 0x1A;

} // namespace

void ReadingStart(TextModeReading& reading) { reading = TextModeReading{}; }

void ReadingAdd(TextModeReading& reading, char* block, int n)
{
    if (n <= 0)
        return;
    reading.bytesRead += n;
    const char* p = block;
    const char* end = block + n;
    // What the last block held back: a CR is a line end's when an LF comes
    // first now, else a byte of the file; a ^Z with anything after it is a
    // byte of the file.
    if (reading.heldCr) {
        reading.heldCr = false;
        if (reading.heldEndMark || *p != '\n')
            DigestAdd(reading.digest, "\r", 1);
    }
    if (reading.heldEndMark) {
        reading.heldEndMark = false;
        DigestAdd(reading.digest, &kEndMark, 1);
    }
    // A ^Z that ends the block may be the file's end mark: held back.
    if (end[-1] == kEndMark) {
        reading.heldEndMark = true;
        --end;
    }
    // A CR that now ends the block waits for the next byte.
    if (end > p && end[-1] == '\r') {
        reading.heldCr = true;
        --end;
    }
    // The usual block has no CR at all (LF line ends), or one before every
    // LF: those CRs are squeezed out in place, the rest taken as it is.
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)));
    if (cr == nullptr) {
        DigestAdd(reading.digest, p, static_cast<std::size_t>(end - p));
        return;
    }
    char* kept = block + (cr - block);
    const char* from = cr;
    while (from < end) {
        const char* next = static_cast<const char*>(std::memchr(from, '\r', static_cast<std::size_t>(end - from)));
        if (next == nullptr) {
            std::memmove(kept, from, static_cast<std::size_t>(end - from));
            kept += end - from;
            break;
        }
        std::memmove(kept, from, static_cast<std::size_t>(next - from));
        kept += next - from;
        // The CR of a CR LF is left out; any other stays (the last CR of the
        // block was held back above, so one byte follows each here).
        if (next[1] != '\n')
            *kept++ = '\r';
        from = next + 1;
    }
    DigestAdd(reading.digest, block, static_cast<std::size_t>(kept - block));
}

ReadingVerdict ReadingFinish(TextModeReading& reading, const TextDigest& handed)
{
    // A CR held back is the file's last byte but one at most: a byte of it.
    // A ^Z held back is the last byte: the end mark, left out.
    if (reading.heldCr) {
        reading.heldCr = false;
        DigestAdd(reading.digest, "\r", 1);
    }
    reading.heldEndMark = false;
    if (reading.digest.length != handed.length)
        return ReadingVerdict::OtherLength;
    return DigestValue(reading.digest) == DigestValue(handed) ? ReadingVerdict::Same : ReadingVerdict::Altered;
}
