// tomiva new-firm: an empty firm database, the schema and nothing else, to
// be filled with the sqlite3 shell or a CSV import.
#pragma once

#include <string>

// Writes the schema into a new file at path.  Never replaces a file: an
// existing path is refused.  On failure returns false with the reason in
// *error and leaves no file behind.
bool WriteNewFirm(const std::string& path, std::string* error);
