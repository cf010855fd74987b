#include "tools/CommandLine.h"

#include <cctype>
#include <set>

#include "eq/ParameterParser.h"

namespace {

// A number's unit set apart by a space ("--set A-Gain=-3 dB", "--rate 44.1 kHz")
// arrives as a word of its own: it joins the value before it when that value
// ends in its number. The value's reader then takes the unit or says why not.
void joinUnitWord(int argc, char** argv, int& i, std::string& value)
{
    const bool endsInNumber =
        !value.empty() && (std::isdigit(static_cast<unsigned char>(value.back())) || value.back() == '.');
    if (endsInNumber && i + 1 < argc && isUnitWord(argv[i + 1])) value += std::string(" ") + argv[++i];
}

}  // namespace

bool parseCommandLine(int argc, char** argv, CommandLine& line, std::string& error)
{
    static const std::set<std::string> quantities = {"--gain", "--normalize", "--rate"};
    static const std::set<std::string> valued = {"--module", "--preset", "--save-preset", "--block", "--rate", "--gain", "--normalize", "-j",
                                                 "-o",       "--csv",    "--name",        "--out",
                                                 "--format", "--bits",   "--channels", "--quality", "--scale"};
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        std::string value;
        bool inlineValue = false;
        if (word.rfind("--", 0) == 0 && word.find('=') != std::string::npos && word.rfind("--set", 0) != 0) {
            value = word.substr(word.find('=') + 1);
            word = word.substr(0, word.find('='));
            inlineValue = true;
        }
        if (word == "-h" || word == "--help") {
            line.help = true;
        } else if (word == "--version") {
            line.version = true;
        } else if (word == "--force") {
            line.force = true;
        } else if (word == "--no-dither") {
            line.noDither = true;
        } else if (word == "--allow-truncated") {
            line.allowTruncated = true;
        } else if (word == "--set" || word.rfind("--set=", 0) == 0) {
            if (word != "--set") {
                line.settings.push_back(word.substr(6));
            } else if (i + 1 < argc) {
                line.settings.push_back(argv[++i]);
            } else {
                error = "--set needs NAME=VALUE";
                return false;
            }
            joinUnitWord(argc, argv, i, line.settings.back());
        } else if (valued.count(word)) {
            if (!inlineValue) {
                if (i + 1 >= argc) {
                    error = word + " needs a value";
                    return false;
                }
                value = argv[++i];
            }
            if (quantities.count(word)) joinUnitWord(argc, argv, i, value);
            line.options[word] = value;
        } else if (word.size() > 1 && word[0] == '-') {
            error = "unknown option " + word;
            return false;
        } else if (line.command.empty()) {
            line.command = word;
        } else {
            line.words.push_back(word);
        }
    }
    return true;
}
