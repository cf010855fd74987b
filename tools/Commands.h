// The subcommands of `korvo`. Each answers the process's exit status: 0 on
// success, 1 for a failure with a one-line message on stderr, 2 for a usage error.
#pragma once

#include "tools/CommandLine.h"

int runInfo(const CommandLine& line);
int runRender(const CommandLine& line);
int runPreset(const CommandLine& line);
int runResponse(const CommandLine& line);
int runDemo(const CommandLine& line);
int runSnapshot(const CommandLine& line);

// The module --module names, else the first found beside korvo, in lib/vst of
// its prefix, in the LXVST_PATH and VST_PATH folders, or in ~/.vst; empty when none.
std::string modulePath(const CommandLine& line);
