// Shared by every test program: the module under test, named on the command line.
#pragma once

#include <string>

// The path given with --module=PATH, or empty.
const std::string& testModulePath();
// The value of --NAME=VALUE on the command line, or empty.
std::string testOption(const char* name);
