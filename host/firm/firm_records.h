// Firm-database values in the host's record forms: amounts in 1/10000 złoty,
// dates as YYYYMMDD text, texts in Mazovia, and whole rows packed into the
// host's record layouts.
#pragma once

#include <sqlite3.h>

#include <string_view>

#include "contract/host_records.h"

// An amount in złoty as the host holds it: value × 10000, rounded to the
// nearest integer with halves away from zero.  The rounding works on the
// decimal value the double stands for (its shortest round-trip text), so
// 0.00015 is a half and gives 2, although 0.00015 × 10000 computed in binary
// lands just below 1.5.  A result of zero is always +0.0, never -0.0.
double HostAmountUnits(double zloty);

// A column's text as SQLite holds it (UTF-8), empty for NULL.
std::string_view ColumnText(sqlite3_stmt* row, int column);

// Zero-fill the record, then pack the statement's current row into it.
// The columns are those of the matching statement in firm_queries.h.
void PackContractor(sqlite3_stmt* row, unsigned char* record);
void PackDocument(sqlite3_stmt* row, const DocumentLayout& layout, unsigned char* record);
void PackLine(sqlite3_stmt* row, const LineLayout& layout, unsigned char* record);
