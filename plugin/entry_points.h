// The plug-in's entry points (exported by number: 30001, 30008, 30009).
#pragma once

#include "shell/host_calls.h"
#include "contract/plugin_descriptor.h"

extern "C" {
int HOST_CONV_STDCALL PluginQuery(void* hostProcedure, char* nameBuffer);
int HOST_CONV_STDCALL PluginLoad(int flag);
int HOST_CONV_CDECL PluginEntry30009(void);
}

const PluginDescriptor* PluginDescriptorRecord();
