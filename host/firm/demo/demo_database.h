// Writing the demo firm into a new, empty SQLite database.
#pragma once

#include <sqlite3.h>

#include <string>

#include "host/firm/demo/demo_firm.h"

namespace demo_firm {

// The firm schema and every row, in one transaction.  False with the reason
// in *error (if not null); what was written is then left uncommitted.
bool WriteFirmRows(sqlite3* db, const DemoFirmOptions& options, std::string* error);

} // namespace demo_firm
