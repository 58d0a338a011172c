// The commands of tomiva that live in app/ (the others are the rooms':
// new-firm and demo-firm in host/firm/): each takes the parsed command line
// and returns the exit status.
#pragma once

#include "host/app/tomiva_command_line.h"

// run ENTRY, or plugins: argv0 finds the default folder of plug-ins.
int RunOrList(const Arguments& a, const char* argv0);

#ifdef TOMIVA_WITH_VERIFY
// verify FILE.
int VerifyCommand(const Arguments& a);
#endif
