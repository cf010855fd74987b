// The test programs' main: GoogleTest, a --module=PATH option, and a closing
// "N passed, N failed" line that a runner can read even where the exit code of
// an emulated process is not to be trusted.
#include "tests/support/TestMain.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {
std::string modulePath;
int argumentCount = 0;
char** arguments = nullptr;
}

const std::string& testModulePath() { return modulePath; }

std::string testOption(const char* name)
{
    const std::string prefix = std::string("--") + name + "=";
    for (int i = 1; i < argumentCount; ++i) {
        if (std::strncmp(arguments[i], prefix.c_str(), prefix.size()) == 0) {
            return arguments[i] + prefix.size();
        }
    }
    return std::string();
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    argumentCount = argc;
    arguments = argv;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--module=", 9) == 0) {
            modulePath = argv[i] + 9;
        }
    }
    const int result = RUN_ALL_TESTS();
    const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
    std::printf("%d passed, %d failed\n", unit.successful_test_count(), unit.failed_test_count());
    std::fflush(stdout);
    return result;
}
