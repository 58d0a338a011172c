// The test switch TOMIVA_FAIL_PROGRAM_ALLOC=N (environment): the N-th
// allocation of the program itself fails, counted from the start of main:
// operator new throws std::bad_alloc (the nothrow forms, which call it, give
// null) and SQLite's allocator returns null.  Unset, nothing is counted.
// (--fail-allocation does the same for the host's allocation entries.)
//
// Its file replaces the program's operator new: it is linked into tomiva
// alone, never into the rooms that tests link.
#pragma once

#include <string>

// Arms the switch; SQLite's allocator is set before anything opens a
// database.  False (with the reason) for a value that is no positive number.
bool ArmProgramAllocationFailure(std::string* why);

#ifdef TOMIVA_WITH_VERIFY
// --fail-allocation with verify: the N-th block that verify asks for, of
// the program's own or of SQLite's, is refused (libxml2's are not: version
// 2.9 is not proof against a shortage everywhere).
void ArmVerifyAllocationFailure(long n);
#endif

// Says so when the switch never came to its allocation: a sweep over N ends
// there.
void TellUnreachedAllocationFailure();
