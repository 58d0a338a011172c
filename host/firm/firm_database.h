// The firm database (SQLite) behind host tables 35, 52 and 54, the VAT lines,
// the VAT rates and the settings blocks.
#pragma once

#include <string>

// Opens the firm database read-only and validates every row; on failure
// returns false with a message naming table, rowid, column and rule for each
// offending row (capped, with a count of the rest) and keeps nothing open.
bool FirmDatabaseOpen(const std::string& path, std::string* error);
// Finalises every statement, releases the table objects and record buffers
// and closes the database.
void FirmDatabaseClose();
// Releases the VAT-line lists and line arrays that a plug-in did not give
// back (FirmDatabaseClose does); returns how many there were.
int FirmReleaseLeftLines();
