// Runs the korvo program as a user does, in a folder of the test's own that
// goes with the test, and collects its status, stdout and stderr.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct KorvoResult {
    int status;
    std::string out;
    std::string err;
};

class CliFixture : public testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("korvo-cli-" + std::to_string(::getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    static std::string slurp(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    KorvoResult korvo(const std::string& arguments, const std::string& before = "") const
    {
        const std::string out = path("stdout.txt"), err = path("stderr.txt");
        const std::string command = before + KORVO_BINARY + " " + arguments + " >" + out + " 2>" + err;
        const int raw = std::system(command.c_str());
        return KorvoResult{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
    }

    // korvo with `input` piped into its standard input.
    KorvoResult korvoPiped(const std::string& input, const std::string& arguments) const
    {
        return korvo(arguments, "cat '" + input + "' | ");
    }

    // One line that begins "korvo: ".
    static void expectOneLine(const std::string& err, const std::string& context)
    {
        EXPECT_EQ(err.rfind("korvo: ", 0), 0u) << context << "\n" << err;
        EXPECT_EQ(err.find('\n'), err.size() - 1) << context << "\n" << err;
    }

    // Every file in the test's folder but those it made itself.
    std::vector<std::string> leftovers(const std::vector<std::string>& made) const
    {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (name != "stderr.txt" && name != "stdout.txt" && std::find(made.begin(), made.end(), name) == made.end()) found.push_back(name);
        }
        return found;
    }

    std::filesystem::path dir;
};
