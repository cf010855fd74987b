// The module's exported entry.
#pragma once

#include "host/VstAbi.h"

extern "C" AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback hostCallback);
