#include "tools/CommandLine.h"

#include <algorithm>
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

// The edits (a letter inserted, removed or changed) between two words, ignoring case.
std::size_t editDistance(const std::string& a, const std::string& b)
{
    const auto same = [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    };
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same(a[i - 1], b[j - 1]) ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string closestWords(const std::string& word, const std::vector<std::string>& candidates)
{
    // Close: one edit in a short word, up to a third of a longer one's letters
    // (an option's leading dashes not counted).
    const std::size_t letters = word.size() - std::min(word.find_first_not_of('-'), word.size());
    if (letters < 2) return "";
    const std::size_t most = std::max<std::size_t>(1, std::min<std::size_t>(3, (letters + 1) / 3));
    std::size_t best = most + 1;
    std::vector<std::string> closest;
    for (const std::string& candidate : candidates) {
        const std::size_t distance = editDistance(word, candidate);
        if (distance < best) closest.clear();
        if (distance <= std::min(best, most)) {
            best = distance;
            closest.push_back(candidate);
        }
    }
    std::string text;
    for (std::size_t i = 0; i < closest.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == closest.size() ? " or " : ", ") + closest[i];
    }
    return text;
}

bool parseCommandLine(int argc, char** argv, CommandLine& line, std::string& error)
{
    static const std::set<std::string> quantities = {"--gain", "--normalize", "--rate"};
    static const std::set<std::string> valued = {"--module", "--preset", "--save-preset", "--block", "--rate", "--gain", "--normalize", "-j",
                                                 "-o",       "--csv",    "--name",        "--out",
                                                 "--format", "--bits",   "--channels", "--quality", "--scale"};
    static const std::vector<std::string> flags = {"--help", "--version", "--force", "--no-dither", "--allow-truncated",
                                                   "--set"};
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
            std::vector<std::string> known(valued.begin(), valued.end());
            known.insert(known.end(), flags.begin(), flags.end());
            const std::string meant = closestWords(word, known);
            error = "unknown option " + word + (meant.empty() ? "" : "; did you mean " + meant + "?");
            return false;
        } else if (line.command.empty()) {
            line.command = word;
        } else {
            line.words.push_back(word);
        }
    }
    return true;
}
