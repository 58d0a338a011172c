// The export file read back as the host's text mode leaves it.  The host
// writes the file in text mode ("wt"), whose line ends and end are the C
// run-time's: each "\n" may reach the file as LF or as CR LF, and a run-time
// may end the file with a ^Z (0x1A) when it closes it.  Read back in binary,
// the file must give exactly the bytes handed over once a CR before an LF
// and a ^Z as the very last byte are left out; any other difference (a CR
// elsewhere, a ^Z before the end, a byte missing, added or changed) is a
// file that does not hold the export.
#pragma once

#include <cstdint>

#include "export/line_writer.h"

struct TextModeReading {
    TextDigest digest; // of the bytes read, a line end's CR and the end mark left out
    int64_t bytesRead; // as the file holds them
    bool heldCr;       // the last block ended with a CR: a line end's, if an LF follows
    bool heldEndMark;  // the last block ended with a ^Z: the end mark, if nothing follows
};

// A reading of nothing yet (all zero, as memset leaves it, is the same).
void ReadingStart(TextModeReading& reading);
// The next block of the file, n bytes; the block is changed in place (the
// bytes left out are squeezed out of it).
void ReadingAdd(TextModeReading& reading, char* block, int n);

enum class ReadingVerdict {
    Same,        // the bytes handed over, as a text mode may leave them
    OtherLength, // another number of bytes
    Altered,     // as many bytes, but not the same
};
// After the last block: the file against the digest of the bytes handed.
ReadingVerdict ReadingFinish(TextModeReading& reading, const TextDigest& handed);
