// korvo's manual page and bash completion, written at build time from its help
// texts: they hold every option the command line takes and every option each
// command's help offers, and none that korvo does not take.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tools/CommandLine.h"

namespace {

using Options = std::set<std::string>;

std::string run(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
    return out;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string help(const std::string& command) { return run(std::string(KORVO_BINARY) + " " + command + " --help"); }

// Every option named in a text: "-x" or "--word" at a word's start.
Options optionsIn(const std::string& text)
{
    static const std::regex option(R"((?:^|[\s\[|(,`])(--?[a-z][a-z0-9-]*))");
    Options found;
    for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it) found.insert((*it)[1]);
    return found;
}

// The manual page's text as a reader sees it: no font changes or escapes.
std::string plain(std::string troff)
{
    troff = std::regex_replace(troff, std::regex(R"(\\f[BIR])"), "");
    troff = std::regex_replace(troff, std::regex(R"(\\&)"), "");
    return std::regex_replace(troff, std::regex(R"(\\-)"), "-");
}

// The options a help text offers: those of its usage lines (up to the first
// blank line, unless `entriesOnly`) and of its entries that begin with an
// option ("  --set NAME=VALUE  ...").
Options offeredBy(const std::string& text, bool entriesOnly = false)
{
    Options offered;
    std::istringstream in(text);
    bool usage = true;
    for (std::string line; std::getline(in, line);) {
        usage = usage && !line.empty();
        if (usage && !entriesOnly) {
            const Options found = optionsIn(line);
            offered.insert(found.begin(), found.end());
        } else if (!usage && line.rfind("  -", 0) == 0) {
            const Options found = optionsIn(line.substr(2, line.find("  ", 2) - 2));
            offered.insert(found.begin(), found.end());
        }
    }
    return offered;
}

// The options of a page's entries: the lines after ".TP".
Options manEntries(const std::string& troff)
{
    Options entries;
    std::istringstream in(troff);
    for (std::string line; std::getline(in, line);) {
        if (line == ".TP" && std::getline(in, line)) {
            const Options found = optionsIn(plain(line));
            entries.insert(found.begin(), found.end());
        }
    }
    return entries;
}

// The commands `korvo --help` lists under "commands:".
std::vector<std::string> commandsOf(const std::string& text)
{
    std::vector<std::string> commands;
    std::istringstream in(text.substr(text.find("\ncommands:\n") + 11));
    for (std::string line; std::getline(in, line) && line.rfind("  ", 0) == 0;) {
        commands.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
    return commands;
}

// The options the command line's parser takes: every option literal in its
// source, each of which it must accept.
Options parserOptions()
{
    const std::string source = readFile(std::string(KORVO_SOURCE_DIR) + "/tools/CommandLine.cpp");
    static const std::regex literal(R"re("(--?[a-z][a-z0-9-]*)")re");
    Options found;
    for (std::sregex_iterator it(source.begin(), source.end(), literal), end; it != end; ++it) found.insert((*it)[1]);
    return found;
}

bool parses(std::vector<std::string> words)
{
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    CommandLine line;
    std::string error;
    return parseCommandLine(static_cast<int>(argv.size()), argv.data(), line, error);
}

// A command's part of the page: from ".SS COMMAND" to the next heading.
std::string manSection(const std::string& page, const std::string& command)
{
    const size_t start = page.find("\n.SS " + command + "\n");
    if (start == std::string::npos) return std::string();
    const size_t end = page.find("\n.S", start + 1);
    return page.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// What the completion offers for a command line typed up to its end.
Options completions(const std::string& line)
{
    const std::string script = "source '" + std::string(KORVO_BASH_COMPLETION) + "'; COMP_LINE='" + line +
                               "'; COMP_POINT=${#COMP_LINE}; _korvo; printf '%s\\n' \"${COMPREPLY[@]}\"";
    std::istringstream in(run("bash -c '" + std::regex_replace(script, std::regex("'"), "'\\''") + "'"));
    Options offered;
    for (std::string word; std::getline(in, word);) {
        if (!word.empty()) offered.insert(word);
    }
    return offered;
}

class UserDocs : public testing::Test {
protected:
    void SetUp() override
    {
        top = help("");
        commands = commandsOf(top);
        ASSERT_FALSE(commands.empty()) << top;
        parser = parserOptions();
        ASSERT_TRUE(parser.count("--set") && parser.count("--help")) << "no options found in tools/CommandLine.cpp";
    }

    std::string top;
    std::vector<std::string> commands;
    Options parser;
};

}  // namespace

TEST_F(UserDocs, ParserTakesEveryOptionInItsSource)
{
    for (const std::string& option : parser) EXPECT_TRUE(parses({"korvo", option, "1"})) << option;
    EXPECT_FALSE(parses({"korvo", "--no-such-option"}));
}

TEST_F(UserDocs, ManualPageHoldsEveryOptionAndNoOther)
{
    const std::string page = readFile(KORVO_MAN_PAGE);
    ASSERT_NE(page.find(".SH SYNOPSIS"), std::string::npos);
    const Options named = optionsIn(plain(page));
    for (const std::string& option : parser) EXPECT_TRUE(named.count(option)) << option << " is not in the manual page";
    for (const std::string& option : named) EXPECT_TRUE(parser.count(option)) << option << " is in the manual page, korvo does not take it";
    for (const std::string& option : offeredBy(top)) EXPECT_TRUE(named.count(option)) << option;
    const Options globalEntries = manEntries(page.substr(0, page.find("\n.SH COMMANDS")));
    for (const std::string& option : offeredBy(top, true)) EXPECT_TRUE(globalEntries.count(option)) << option;
    for (const std::string& command : commands) {
        const std::string section = manSection(page, command);
        const Options inSection = optionsIn(plain(section)), entries = manEntries(section);
        const std::string text = help(command);
        for (const std::string& option : offeredBy(text)) {
            EXPECT_TRUE(parser.count(option)) << "korvo " << command << " --help offers " << option << ", which korvo refuses";
            EXPECT_TRUE(inSection.count(option)) << option << " is not in the manual page's part on " << command;
        }
        for (const std::string& option : offeredBy(text, true)) {
            EXPECT_TRUE(entries.count(option)) << option << " has no entry in the manual page's part on " << command;
        }
    }
    // The page as installed is the same, compressed.
    EXPECT_EQ(run("gzip -dc '" KORVO_MAN_PAGE ".gz'"), page);
}

TEST_F(UserDocs, CompletionOffersEachCommandsOptionsAndNoOther)
{
    const Options global = completions("korvo -");
    EXPECT_EQ(global, offeredBy(top));
    Options all = global;
    for (const std::string& command : commands) {
        Options expected = offeredBy(help(command));
        expected.insert(global.begin(), global.end());
        EXPECT_EQ(completions("korvo " + command + " -"), expected) << command;
        all.insert(expected.begin(), expected.end());
    }
    EXPECT_EQ(all, parser);

    EXPECT_EQ(completions("korvo "), Options(commands.begin(), commands.end()));
    Options names;
    std::istringstream info(run(std::string(KORVO_BINARY) + " info"));
    static const std::regex row(R"(^ +[0-9]+ +(\S+) )");
    std::smatch match;
    for (std::string line; std::getline(info, line);) {
        if (std::regex_search(line, match, row)) names.insert(match[1].str() + "=");
    }
    ASSERT_EQ(names.size(), 10u);
    EXPECT_EQ(completions("korvo render --set "), names);
    EXPECT_EQ(completions("korvo preset save x.fxp --format "), (Options{"fxb", "fxp"}));
}

// The page reads without a warning from man and groff, and has the NAME line
// that man's index (and lintian) look for.
TEST_F(UserDocs, ManualPageFormatsWithoutWarnings)
{
    if (run("command -v man >/dev/null && command -v lexgrog").empty()) GTEST_SKIP() << "man-db is not installed";
    EXPECT_EQ(run("LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z '" KORVO_MAN_PAGE "' 2>&1 >/dev/null"), "");
    EXPECT_NE(run("lexgrog '" KORVO_MAN_PAGE "'").find(": \"korvo - "), std::string::npos);
}
