// The check a firm database must pass before the host reads it: the layout
// version, the six tables with their columns and keys, and every value of
// every row.  The host never truncates, rounds or skips a value to make it
// fit, so anything that would not fit its record is refused here.
#pragma once

#include <sqlite3.h>

#include <string>

// Offence lines listed before the rest are only counted.
inline constexpr int kFirmOffencesShown = 50;

// "" when the firm is sound; else one line per offence, naming the table,
// the row (rowid), the column and the rule, at most kFirmOffencesShown of
// them followed by "... and N more".  A database whose version or tables
// are wrong is reported without looking at its rows.
std::string ValidateFirm(sqlite3* db);
