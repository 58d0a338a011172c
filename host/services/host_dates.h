// The date the host reports as today when the session sets none.
#pragma once

#include <string>

// The system's date as host date text YYYYMMDD.
std::string HostSystemDate();
