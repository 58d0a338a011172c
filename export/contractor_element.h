// The KONTRAHENT elements: one per contractor that an exported document
// refers to, found in the host's contractor table; and the texts they are
// made of (the address cut into its parts, the full name into two).
#pragma once

#include "export/contractor_flags.h"
#include "export/line_writer.h"

// Writes the element of every marked contractor, firms first, then natural
// persons, each kind under its progress heading, from the host's contractor
// record (filled by each look-up).  A marked contractor that the host does
// not find is flagged missing instead.  False when the lines failed or the
// command was abandoned.
bool WriteContractors(OutputLines& out, ContractorFlags& flags, const unsigned char* contractorRecord);

// Cuts a one-line address into street, postal code and city (each a buffer
// of kAddressPartSize bytes).  Control bytes count as blanks: they become
// spaces before the parts are trimmed.
inline constexpr int kAddressPartSize = 512;
void SplitAddress(const char* address, char* street, char* postalCode, char* city);

// Where the escaped full name is cut into its two 70-character elements:
// never inside an entity.  *firstEnd and *secondEnd are byte positions.
inline constexpr int kNamePartChars = 70;
void SplitEscapedName(const char* name, int* firstEnd, int* secondEnd);
