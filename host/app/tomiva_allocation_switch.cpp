// The test switch TOMIVA_FAIL_PROGRAM_ALLOC=N and the program's operator new
// that it counts (tomiva_allocation_switch.h).
#include "host/app/tomiva_allocation_switch.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include <sqlite3.h>

namespace {

inline constexpr char kFailProgramAllocation[] = "TOMIVA_FAIL_PROGRAM_ALLOC";

// Counted on every thread (the firm's structure is checked on one of its own).
std::atomic<long> g_programAllocations{0};
long g_failProgramAllocation = 0; // the allocation that fails; 0 none

// True for the allocation that must fail.
bool ProgramAllocationFails()
{
    if (g_failProgramAllocation == 0)
        return false;
    return ++g_programAllocations == g_failProgramAllocation;
}

sqlite3_mem_methods g_sqliteDefault{};

void* SqliteMalloc(int size) { return ProgramAllocationFails() ? nullptr : g_sqliteDefault.xMalloc(size); }
void* SqliteRealloc(void* block, int size)
{
    return ProgramAllocationFails() ? nullptr : g_sqliteDefault.xRealloc(block, size);
}

} // namespace

bool ArmProgramAllocationFailure(std::string* why)
{
    const char* text = std::getenv(kFailProgramAllocation);
    if (text == nullptr || *text == '\0')
        return true;
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (*end != '\0' || n <= 0) {
        *why = std::string(kFailProgramAllocation) + " takes a positive number, not \"" + text + "\"";
        return false;
    }
    if (sqlite3_config(SQLITE_CONFIG_GETMALLOC, &g_sqliteDefault) == SQLITE_OK) {
        sqlite3_mem_methods counted = g_sqliteDefault;
        counted.xMalloc = &SqliteMalloc;
        counted.xRealloc = &SqliteRealloc;
        sqlite3_config(SQLITE_CONFIG_MALLOC, &counted);
    }
    g_failProgramAllocation = n;
    return true;
}

#ifdef TOMIVA_WITH_VERIFY
void ArmVerifyAllocationFailure(long n)
{
    if (g_failProgramAllocation == 0 && sqlite3_config(SQLITE_CONFIG_GETMALLOC, &g_sqliteDefault) == SQLITE_OK) {
        sqlite3_mem_methods counted = g_sqliteDefault;
        counted.xMalloc = &SqliteMalloc;
        counted.xRealloc = &SqliteRealloc;
        sqlite3_config(SQLITE_CONFIG_MALLOC, &counted);
    }
    g_programAllocations = 0;
    g_failProgramAllocation = n;
}
#endif

void TellUnreachedAllocationFailure()
{
    if (g_failProgramAllocation != 0 && g_programAllocations < g_failProgramAllocation)
        std::fprintf(stderr, "tomiva: %s=%ld was not reached: %ld allocations\n", kFailProgramAllocation,
                     g_failProgramAllocation, g_programAllocations.load());
}

void* operator new(std::size_t size)
{
    void* block = ProgramAllocationFails() ? nullptr : std::malloc(size == 0 ? 1 : size);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}
void* operator new[](std::size_t size) { return ::operator new(size); }
// These operators are the pair of the one above, whose blocks come from
// malloc; g++ sees operator new and free meet and warns of a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
#pragma GCC diagnostic pop
