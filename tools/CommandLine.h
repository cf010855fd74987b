// The command line of `korvo`: a subcommand, its words and its options.
#pragma once

#include <map>
#include <string>
#include <vector>

struct CommandLine {
    std::string command;
    std::vector<std::string> words;               // positional arguments after the command
    std::vector<std::string> settings;            // every --set NAME=VALUE, in order
    std::map<std::string, std::string> options;   // the other options with a value, e.g. "--block"
    bool help = false;
    bool version = false;  // --version: print the release and stop
    bool force = false;
    bool noDither = false;  // --no-dither
    bool allowTruncated = false;  // --allow-truncated

    bool has(const std::string& option) const { return options.count(option) != 0; }
    std::string get(const std::string& option, const std::string& fallback = "") const
    {
        const auto found = options.find(option);
        return found == options.end() ? fallback : found->second;
    }
};

// Splits argv; false with a message for an option that lacks its value or that
// no command knows (with the option meant, when one is close).
bool parseCommandLine(int argc, char** argv, CommandLine& line, std::string& error);

// The candidates closest to a mistyped word, ignoring case, when they are close
// enough to be what was meant: "A-Freq", "A-Gain or B-Gain"; "" when none is.
std::string closestWords(const std::string& word, const std::vector<std::string>& candidates);
