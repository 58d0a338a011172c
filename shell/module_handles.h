// Process-wide module handles of the plug-in: its own module and the host
// module "TOMIVA", remembered at process attach.
#pragma once

#include "shell/platform.h"

extern PlatformModule g_ownModule;
extern PlatformModule g_hostModule;

inline constexpr const char kHostModuleName[] = "TOMIVA";

// Process attach: remember the own module; find the host module once (no
// error when it is not loaded: binding then fails entry by entry).
void PluginProcessAttach(PlatformModule ownModule);
