// The host with latitude (tomiva --host-latitude N): a host that answers the
// plug-in in other ways that its entries' promises still allow, and checks
// that the plug-in keeps its own promises.  N = 0 is the plain host: every
// function here then costs one test of a flag and changes nothing.
//
// N picks the variations by its low twelve bits (N mod 4096; 0 there, with N
// not 0, means all of them), and seeds the generator that chooses the values
// (results, fill bytes):
//   1  bare file names (the settings file, the INI file) live in a folder of
//      their own inside the data directory, kLatitudeBareNameFolder
//   2  HostLoadLines leaves out the lines not in use, and lowers the count
//   4  results that no caller may read, or read beyond what is promised, take
//      other values (see docs/latitude.md for the entry by entry list)
//   8  memory from HostAlloc and the grown part of HostRealloc, the record
//      buffers and the texts the host hands out are filled with a pattern
//      where the host writes nothing
//   16   HostScanNext ends a scan with another value than 0
//   32   the status after HostLineKey reads failed for a document without lines
//   64   the data directory's buffer is written over by the next host call
//   128  the contractor slot of HostContractorKey moves between calls
//   256  the dialog's base part and the scan, key and status blocks are used
//        whole, as a host whose blocks are larger would
//   512  the file service writes text files as a text-mode run-time does
//   1024 the C run-time's numeric locale is Polish
//   2048 (i386) calls into the plug-in come with the stack pointer at 4, 8 or
//        12 modulo 16
// Whatever N > 0 picks, the checks run: guard bytes behind the line buffer
// and the host's other buffers, the dialog object's virtual table, the
// contract's sizes of a conversion and a print, and on i386 the stack
// pointer around every call the host makes into a plug-in.
// A broken promise is recorded as HostFailureKind::ContractBroken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class LatitudeVariation : unsigned {
    BareNamesElsewhere = 1,
    LinesInUseOnly = 2,
    OtherResults = 4,
    PatternFill = 8,
    ScanEndsOtherwise = 16,
    NoLinesReadsFailed = 32,
    DirectoryReused = 64,
    ContractorSlotMoves = 128,
    LargerBlocks = 256,
    TextModeFiles = 512,
    PolishNumericLocale = 1024,
    StackMisaligned = 2048,
};
inline constexpr unsigned kLatitudeAllVariations = 4095;

struct HostLatitudeState {
    unsigned long long n = 0; // 0: the plain host
    unsigned variations = 0;  // LatitudeVariation bits
    uint64_t random = 0;      // the generator's state
    unsigned char pattern = 0; // the fill byte
    bool directoryOut = false; // variation 64: the directory's text handed out, to be reused
};
inline HostLatitudeState g_hostLatitude;

// The folder inside the data directory where variation 1 keeps bare names.
inline constexpr char kLatitudeBareNameFolder[] = "tomiva-bare-names";

// Sets the latitude for the next session (0: the plain host).
void LatitudeConfigure(unsigned long long n);

inline bool LatitudeOn() { return g_hostLatitude.n != 0; }
inline bool LatitudeHas(LatitudeVariation v) { return (g_hostLatitude.variations & static_cast<unsigned>(v)) != 0; }

// The variations of N, by the bits above.
unsigned LatitudeVariationsOf(unsigned long long n);

// The next value of the generator.
uint32_t LatitudeRandom();

// Results.  Each gives `value` unchanged unless variation 4 is on.
// A result that no caller reads: any value.
inline int LatitudeUnused(int value)
{
    return LatitudeHas(LatitudeVariation::OtherResults) ? static_cast<int>(LatitudeRandom()) : value;
}
// A count of which the plug-in reads only the sign (printf's): another
// count of the same sign.
inline int LatitudeNonNegative(int value)
{
    return value >= 0 && LatitudeHas(LatitudeVariation::OtherResults) ? static_cast<int>(LatitudeRandom() >> 1)
                                                                      : value;
}
// A result that is promised only as zero or nonzero: another nonzero value.
inline int LatitudeNonzero(int value)
{
    return value != 0 && LatitudeHas(LatitudeVariation::OtherResults) ? static_cast<int>(LatitudeRandom() | 0x100) : value;
}
// A 16-bit result: the upper half of the 32-bit register garbage.
inline int LatitudeLow16(int value)
{
    return LatitudeHas(LatitudeVariation::OtherResults)
               ? static_cast<int>((static_cast<uint32_t>(value) & 0xFFFFu) | (LatitudeRandom() << 16))
               : value;
}
// An order (negative, 0, positive): the sign kept, the magnitude another.
inline int LatitudeOrder(int order)
{
    if (order == 0 || !LatitudeHas(LatitudeVariation::OtherResults))
        return order;
    const int magnitude = 1 + static_cast<int>(LatitudeRandom() % 100000u);
    return order < 0 ? -magnitude : magnitude;
}

// Pattern fill (variation 8): fills the bytes with the pattern; does nothing
// otherwise.  LatitudeClear fills with the pattern or, without it, zeros.
void LatitudeFill(void* bytes, std::size_t size);
inline void LatitudeClear(void* bytes, std::size_t size)
{
    if (LatitudeHas(LatitudeVariation::PatternFill))
        LatitudeFill(bytes, size);
    else
        __builtin_memset(bytes, 0, size);
}

// Bytes of pattern that HostToday leaves behind the date text (the run's
// slot is 256 bytes, the date text 9).
inline constexpr std::size_t kLatitudeDateSlotPattern = 7;

// Sizes of the blocks of the allocation entries, kept while pattern fill is
// on, so that the grown part of a HostRealloc can be filled.
void LatitudeBlockKept(void* block, std::size_t size);
std::size_t LatitudeBlockSize(void* block); // SIZE_MAX when unknown
void LatitudeBlockGone(void* block);

// Guards: kLatitudeGuardSize bytes behind a buffer of the host, which the
// caller has allocated that much larger.  Checked by LatitudeCheckGuards
// (after every entry that is handed or reads the line buffer, after the
// record reads, at the command's end); a guard found changed is a write
// past the buffer, reported once naming the buffer and where it was found.
inline constexpr std::size_t kLatitudeGuardSize = 32;
void LatitudeGuard(const char* name, void* buffer, std::size_t size);
void LatitudeUnguard(void* buffer);
void LatitudeCheckGuardsNow(const char* where);
inline void LatitudeCheckGuards(const char* where)
{
    if (LatitudeOn())
        LatitudeCheckGuardsNow(where);
}

// Larger blocks (variation 256): the host takes the whole of each block the
// plug-in reserves for it (the dialog's base part, the scan state, the line
// key and status; their reservations are in contract/): its own state in the
// first `used` bytes, the pattern in the rest, and kLatitudeGuardSize guard
// bytes at the end of the reservation, as a larger host's block would fill
// it.  Each time the plug-in hands the block back, the host finds it as it
// left it: a byte changed there is a block the plug-in reserved smaller than
// the contract shows (its own data lies where the host's is), or the host's
// part written by the plug-in; reported once per block, naming it.  Both do
// nothing unless the variation is on.
void LatitudeFillBlockWhole(void* block, std::size_t reservation, std::size_t used);
void LatitudeCheckBlockWhole(const char* name, const void* block, std::size_t reservation, std::size_t used,
                             const char* where);

// The contract's sizes of a conversion and a print (every N > 0): a
// HostConvertText destination beyond kHostConversionSize bytes or a source
// beyond kHostLineBufferSize - 1 characters, a HostFilePrintf text beyond
// kHostConversionSize - 1 bytes, is a breach, named.
void LatitudeCheckConversion(int destinationSize, const char* source, int sourceLength);
void LatitudeCheckPrintedText(std::size_t textLength);

// Text-mode files (variation 512): a file opened to write with "t" gets each
// "\n" written as CR LF and a ^Z (0x1A) when it is closed, as a text-mode
// C run-time writes it.
inline constexpr char kTextModeEndOfFile = 0x1A;

// The line buffer of the latitude host: exactly the promised size, with a
// guard behind it.
char* LatitudeLineBuffer();
// The data directory as handed to the plug-in: a buffer of the host's of
// kLatitudeDirectoryTextSize bytes, with the pattern behind the text and a
// guard behind the buffer.
inline constexpr std::size_t kLatitudeDirectoryTextSize = 256;
const char* LatitudeDataDirectoryText(const std::string& directory);

// Variation 64: the buffer of the data directory's text is the host's, and
// the next call of any entry writes other text into it
// (kLatitudeReusedDirectory, a folder that is not there).  Every entry the
// plug-in may call begins with LatitudeEntered().
inline constexpr char kLatitudeReusedDirectory[] = "tomiva-latitude: the buffer of HostDataDirectory, reused";
void LatitudeReuseDirectoryNow();
inline void LatitudeEntered()
{
    if (g_hostLatitude.directoryOut)
        LatitudeReuseDirectoryNow();
}

// Variation 16: what HostScanNext gives at the end of a scan in place of 0:
// -1, 2 or a large value, chosen by the generator; `result` unchanged
// otherwise.
int LatitudeScanEnd(int result);

// Variation 1024: the C run-time's numeric locale is Polish while a command
// of a plug-in runs ("pl_PL.UTF-8"; on Windows "Polish", the run-time the
// plug-in shares with the host).  A locale that cannot be set is a failure
// of the host (HostFailed), named, so that no run passes without it.  The
// locale before is put back when the object goes.
class LatitudeCommandLocale {
public:
    LatitudeCommandLocale();
    ~LatitudeCommandLocale();
    LatitudeCommandLocale(const LatitudeCommandLocale&) = delete;
    LatitudeCommandLocale& operator=(const LatitudeCommandLocale&) = delete;

private:
    std::string before_; // empty: nothing set
};
// Sets the Polish numeric locale; false when the system has none.
bool LatitudeSetPolishNumericLocale();

// A broken promise of the plug-in: recorded as ContractBroken, with the text
// (UTF-8, one line) after "the plug-in broke the host's contract: ".
void LatitudeBreach(const std::string& text) noexcept;

// The stack pointer around the host's calls into a plug-in (i386 only, where
// an entry that removes other argument bytes than the host passed leaves the
// stack off): the call is made through a helper that records ESP before and
// compares it after; a difference is reported naming the call.
#if defined(_WIN32) && defined(__i386__)
#define HOST_LATITUDE_STACK_CHECK 1
#include <type_traits>

// stackResidue: ESP modulo 16 at the call instruction (before the return
// address is pushed), or -1 for the stack as it comes.
extern "C" uint32_t LatitudeCallWords(const void* function, const uint32_t* words, int count, int calleeCleans,
                                      void* ecx, int32_t* offBy, int stackResidue);
void LatitudeStackBreach(const std::string& call, int32_t offBy) noexcept;
// Variation 2048: 4, 8 and 12 in turn (the first chosen by N), all that the
// system's 4-byte alignment allows besides 0; -1 without it.
int LatitudeStackResidue();

template <typename T>
uint32_t LatitudeWord(T value)
{
    if constexpr (std::is_pointer_v<T>)
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value));
    else
        return static_cast<uint32_t>(value);
}

// Calls `function` with the arguments as 32-bit stack words (and `ecx`, the
// object of a thiscall); `calleeCleans`: stdcall and thiscall remove their
// stack arguments, cdecl leaves them.  describe() names the call.
template <typename Result, typename Describe, typename... Args>
Result LatitudeCheckedCall(Describe&& describe, const void* function, bool calleeCleans, void* ecx, Args... args)
{
    const uint32_t words[sizeof...(Args) + 1] = {LatitudeWord(args)..., 0};
    int32_t offBy = 0;
    const uint32_t result =
        LatitudeCallWords(function, words, static_cast<int>(sizeof...(Args)), calleeCleans ? 1 : 0, ecx, &offBy,
                          LatitudeStackResidue());
    if (offBy != 0)
        LatitudeStackBreach(describe(), offBy);
    if constexpr (std::is_pointer_v<Result>)
        return reinterpret_cast<Result>(static_cast<uintptr_t>(result));
    else if constexpr (!std::is_void_v<Result>)
        return static_cast<Result>(result);
}
#endif
