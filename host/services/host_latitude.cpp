// The host with latitude: the choice of variations from N, the generator of
// their values, the pattern, the guards behind the host's buffers and the
// record of a broken promise.
#include "host/services/host_latitude.h"

#include <clocale>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "contract/host_protocol.h"
#include "host/common/entry_guard.h"
#include "host/services/host_session.h"

namespace {

struct GuardedBuffer {
    const char* name;
    unsigned char* buffer;
    std::size_t size;
    bool reported;
};

std::vector<GuardedBuffer>& Guarded()
{
    static std::vector<GuardedBuffer> buffers;
    return buffers;
}

// The blocks of variation 256 and the sizes of a conversion or print
// already told of: each is named once.
std::vector<std::string>& BlocksTold()
{
    static std::vector<std::string> told;
    return told;
}

bool FirstTold(const char* what)
{
    return HostEntryGuard(false, [&] {
        for (const std::string& told : BlocksTold())
            if (told == what)
                return false;
        BlocksTold().push_back(what);
        return true;
    });
}

std::unordered_map<void*, std::size_t>& BlockSizes()
{
    static std::unordered_map<void*, std::size_t> sizes;
    return sizes;
}

// What a guard holds: the pattern's complement, so that neither zeros nor
// the pattern written past a buffer leave it as it was.
unsigned char GuardByte() { return static_cast<unsigned char>(~g_hostLatitude.pattern); }

void ArmGuard(GuardedBuffer& g) { std::memset(g.buffer + g.size, GuardByte(), kLatitudeGuardSize); }

bool GuardHolds(const GuardedBuffer& g)
{
    const unsigned char byte = GuardByte();
    for (std::size_t i = 0; i < kLatitudeGuardSize; ++i)
        if (g.buffer[g.size + i] != byte)
            return false;
    return true;
}

// splitmix64: small, and every seed gives a stream of its own.
uint64_t Mix(uint64_t* state)
{
    uint64_t z = (*state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// The line buffer: exactly the promised size, then its guard.
alignas(16) char g_lineBuffer[kHostLineBufferSize + kLatitudeGuardSize];

// The data directory's text: the longest directory the host takes, its NUL,
// room behind it for the pattern, then the guard.
inline constexpr std::size_t kDirectoryTextSize = kLatitudeDirectoryTextSize;
static_assert(kHostMaxDataDirectory + 1 < kDirectoryTextSize);
alignas(16) char g_directoryText[kDirectoryTextSize + kLatitudeGuardSize];

} // namespace

unsigned LatitudeVariationsOf(unsigned long long n)
{
    if (n == 0)
        return 0;
    const unsigned low = static_cast<unsigned>(n % (kLatitudeAllVariations + 1));
    return low == 0 ? kLatitudeAllVariations : low;
}

void LatitudeConfigure(unsigned long long n)
{
    Guarded().clear();
    BlockSizes().clear();
    BlocksTold().clear();
    g_hostLatitude = HostLatitudeState{};
    if (n == 0)
        return;
    g_hostLatitude.n = n;
    g_hostLatitude.variations = LatitudeVariationsOf(n);
    g_hostLatitude.random = n;
    // Never 0 (the plain host's fill), never a printable character.
    g_hostLatitude.pattern = static_cast<unsigned char>(0x80 | (Mix(&g_hostLatitude.random) & 0x7F));
    if (g_hostLatitude.pattern == 0x80)
        g_hostLatitude.pattern = 0xA5;
    LatitudeFill(g_lineBuffer, kHostLineBufferSize);
    LatitudeGuard("the line buffer (5002 bytes, HostLineBuffer)", g_lineBuffer, kHostLineBufferSize);
    LatitudeGuard("the data directory's text (HostDataDirectory)", g_directoryText, kDirectoryTextSize);
}

uint32_t LatitudeRandom() { return static_cast<uint32_t>(Mix(&g_hostLatitude.random) >> 32); }

void LatitudeFill(void* bytes, std::size_t size)
{
    if (bytes != nullptr && LatitudeHas(LatitudeVariation::PatternFill))
        std::memset(bytes, g_hostLatitude.pattern, size);
}

void LatitudeBlockKept(void* block, std::size_t size)
{
    if (block == nullptr || !LatitudeHas(LatitudeVariation::PatternFill))
        return;
    HostEntryGuard(0, [&] {
        BlockSizes()[block] = size;
        return 0;
    });
}

std::size_t LatitudeBlockSize(void* block)
{
    const auto found = BlockSizes().find(block);
    return found != BlockSizes().end() ? found->second : SIZE_MAX;
}

void LatitudeBlockGone(void* block)
{
    if (LatitudeHas(LatitudeVariation::PatternFill))
        BlockSizes().erase(block);
}

void LatitudeGuard(const char* name, void* buffer, std::size_t size)
{
    if (!LatitudeOn() || buffer == nullptr)
        return;
    LatitudeUnguard(buffer);
    HostEntryGuard(0, [&] {
        Guarded().push_back({name, static_cast<unsigned char*>(buffer), size, false});
        ArmGuard(Guarded().back());
        return 0;
    });
}

void LatitudeUnguard(void* buffer)
{
    auto& buffers = Guarded();
    for (std::size_t i = 0; i < buffers.size(); ++i)
        if (buffers[i].buffer == buffer) {
            buffers.erase(buffers.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
}

void LatitudeCheckGuardsNow(const char* where)
{
    for (GuardedBuffer& g : Guarded()) {
        if (g.reported || GuardHolds(g))
            continue;
        g.reported = true;
        LatitudeBreach(std::string("it wrote past the end of ") + g.name + ", found " + where);
        ArmGuard(g);
    }
}

void LatitudeFillBlockWhole(void* block, std::size_t reservation, std::size_t used)
{
    if (block == nullptr || !LatitudeHas(LatitudeVariation::LargerBlocks) || used + kLatitudeGuardSize > reservation)
        return;
    unsigned char* bytes = static_cast<unsigned char*>(block);
    std::memset(bytes + used, g_hostLatitude.pattern, reservation - kLatitudeGuardSize - used);
    std::memset(bytes + reservation - kLatitudeGuardSize, GuardByte(), kLatitudeGuardSize);
}

void LatitudeCheckBlockWhole(const char* name, const void* block, std::size_t reservation, std::size_t used,
                             const char* where)
{
    if (block == nullptr || !LatitudeHas(LatitudeVariation::LargerBlocks) || used + kLatitudeGuardSize > reservation)
        return;
    const unsigned char* bytes = static_cast<const unsigned char*>(block);
    std::size_t changed = used;
    while (changed < reservation &&
           bytes[changed] == (changed < reservation - kLatitudeGuardSize ? g_hostLatitude.pattern : GuardByte()))
        ++changed;
    if (changed == reservation)
        return;
    if (FirstTold(name))
        LatitudeBreach(std::string("the host's ") + name + " (" + std::to_string(reservation) +
                       " bytes, the whole reservation) changed at byte " + std::to_string(changed) +
                       " between the host's calls, found " + where +
                       ": the plug-in reserved less than the contract shows, or wrote into the host's part");
}

void LatitudeCheckConversion(int destinationSize, const char* source, int sourceLength)
{
    if (!LatitudeOn())
        return;
    constexpr std::size_t kMostCharacters = kHostLineBufferSize - 1;
    const std::size_t characters = sourceLength >= 0 ? static_cast<std::size_t>(sourceLength)
                                   : source != nullptr ? strnlen(source, kMostCharacters + 1)
                                                       : 0;
    if (destinationSize > kHostConversionSize && FirstTold("conversion destination"))
        LatitudeBreach("HostConvertText (35387) was given a destination of " + std::to_string(destinationSize) +
                       " bytes, beyond the " + std::to_string(kHostConversionSize) + " of the contract");
    if (characters > kMostCharacters && FirstTold("conversion source"))
        LatitudeBreach("HostConvertText (35387) was given a source of more than " + std::to_string(kMostCharacters) +
                       " characters, beyond a line of the contract");
}

void LatitudeCheckPrintedText(std::size_t textLength)
{
    constexpr std::size_t kMostBytes = kHostConversionSize - 1;
    if (LatitudeOn() && textLength > kMostBytes && FirstTold("printed text"))
        LatitudeBreach("HostFilePrintf (52541) was given a text of " + std::to_string(textLength) +
                       " bytes, beyond the " + std::to_string(kMostBytes) + " of one converted line of the contract");
}

char* LatitudeLineBuffer() { return g_lineBuffer; }

namespace {

void PutDirectoryText(const char* text, std::size_t size)
{
    LatitudeFill(g_directoryText, kDirectoryTextSize);
    const std::size_t n = size < kDirectoryTextSize - 1 ? size : kDirectoryTextSize - 1;
    std::memcpy(g_directoryText, text, n);
    g_directoryText[n] = '\0';
}

} // namespace

const char* LatitudeDataDirectoryText(const std::string& directory)
{
    PutDirectoryText(directory.data(), directory.size());
    g_hostLatitude.directoryOut = LatitudeHas(LatitudeVariation::DirectoryReused);
    return g_directoryText;
}

void LatitudeReuseDirectoryNow()
{
    g_hostLatitude.directoryOut = false;
    PutDirectoryText(kLatitudeReusedDirectory, sizeof kLatitudeReusedDirectory - 1);
}

int LatitudeScanEnd(int result)
{
    if (result != 0 || !LatitudeHas(LatitudeVariation::ScanEndsOtherwise))
        return result;
    switch (LatitudeRandom() % 3) {
    case 0: return -1;
    case 1: return 2;
    default: return static_cast<int>(0x10000u | (LatitudeRandom() >> 1)); // 65536 and more
    }
}

bool LatitudeSetPolishNumericLocale()
{
#ifdef _WIN32
    static const char* const kNames[] = {"Polish", "pl-PL", "Polish_Poland.1250"};
#else
    static const char* const kNames[] = {"pl_PL.UTF-8", "pl_PL.utf8"};
#endif
    for (const char* name : kNames)
        if (std::setlocale(LC_NUMERIC, name) != nullptr)
            return true;
    return false;
}

LatitudeCommandLocale::LatitudeCommandLocale()
{
    if (!LatitudeHas(LatitudeVariation::PolishNumericLocale))
        return;
    HostEntryGuard(0, [&] {
        const char* current = std::setlocale(LC_NUMERIC, nullptr);
        before_ = current != nullptr ? current : "C";
        if (!LatitudeSetPolishNumericLocale()) {
            before_.clear();
            HostRecordFailure(HostFailureKind::HostFailed,
                              "the host with latitude cannot set the Polish numeric locale (bit 1024): the system "
                              "has none (scripts/setup.sh generates pl_PL.UTF-8)");
        }
        return 0;
    });
}

LatitudeCommandLocale::~LatitudeCommandLocale()
{
    if (!before_.empty())
        std::setlocale(LC_NUMERIC, before_.c_str());
}

void LatitudeBreach(const std::string& text) noexcept
{
    HostEntryGuard(0, [&] {
        HostRecordFailure(HostFailureKind::ContractBroken, "the plug-in broke the host's contract: " + text);
        return 0;
    });
}

#ifdef HOST_LATITUDE_STACK_CHECK
int LatitudeStackResidue()
{
    static unsigned calls = 0;
    if (!LatitudeHas(LatitudeVariation::StackMisaligned))
        return -1;
    return static_cast<int>(4 * (1 + (g_hostLatitude.n + calls++) % 3));
}

void LatitudeStackBreach(const std::string& call, int32_t offBy) noexcept
{
    HostEntryGuard(0, [&] {
        LatitudeBreach(call + " left the stack pointer " + std::to_string(offBy < 0 ? -offBy : offBy) + " bytes " +
                       (offBy > 0 ? "above" : "below") +
                       " where it belongs: it removed other argument bytes than the host passed");
        return 0;
    });
}
#endif
