// korvo: a command-line host for the Korvo-EQ plug-in. Loads the module through
// its exported entry, as a DAW does, and renders files, presets, responses and
// pictures of the editor.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>

#include "tools/CommandLine.h"
#include "tools/Commands.h"

namespace {

const char* const kUsage =
    "usage: korvo [--module PATH] COMMAND [ARGS]\n"
    "       korvo --version\n"
    "\n"
    "Hosts the Korvo-EQ plug-in: the KorvoEQ.so that --module names, else the first\n"
    "found beside this program, in lib/vst/ of the prefix it is installed in, in the\n"
    "folders of LXVST_PATH and VST_PATH, or in ~/.vst.\n"
    "\n"
    "commands:\n"
    "  info [MODULE]                 the plug-in's identity and parameter table\n"
    "  render IN OUT [options]       run an audio file through the plug-in\n"
    "  preset save|load|show FILE    program (.fxp) and bank (.fxb) files\n"
    "  preset list                   the factory presets, for --preset NAME\n"
    "  response [options]            measured magnitude response, as SVG and CSV\n"
    "  demo [--out DIR]              render a built-in signal with all four bands on\n"
    "  snapshot OUT.png [options]    the editor with the settings, as a PNG picture\n"
    "\n"
    "options:\n"
    "  --module PATH                 host the KorvoEQ.so at PATH\n"
    "  --version                     print korvo's version and stop\n"
    "  -h, --help                    print this help, or a COMMAND's help after it\n"
    "\n"
    "Run `korvo COMMAND --help` for a command's options.\n";

// A standard stream korvo was started without (`>&-`) gets a stand-in, so no
// file it opens takes that number and receives what is meant for the stream:
// /dev/null read-only, where reading finds nothing and writing fails.
void fillClosedStandardStreams()
{
    for (int stream = 0; stream <= 2; ++stream) {
        if (fcntl(stream, F_GETFD) != -1) continue;
        const int standIn = open("/dev/null", O_RDONLY);
        if (standIn >= 0 && standIn != stream) {
            dup2(standIn, stream);
            close(standIn);
        }
    }
}

struct Command {
    const char* name;
    int (*run)(const CommandLine&);
};

const Command kCommands[] = {{"info", runInfo},         {"render", runRender}, {"preset", runPreset},
                             {"response", runResponse}, {"demo", runDemo},     {"snapshot", runSnapshot}};

const Command* findCommand(const std::string& name)
{
    for (const Command& command : kCommands) {
        if (name == command.name) return &command;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    fillClosedStandardStreams();
    try {
        CommandLine line;
        std::string error;
        if (!parseCommandLine(argc, argv, line, error)) {
            // The help of the command given before the mistake, which lists its options.
            const Command* command = findCommand(line.command);
            std::fprintf(stderr, "korvo: %s (see korvo %s%s--help)\n", error.c_str(), command ? command->name : "",
                         command ? " " : "");
            return 2;
        }
        if (line.version) {
            std::printf("korvo %s\n", KORVO_VERSION);
            return 0;
        }
        if (line.command.empty() || line.command == "help") {
            std::fputs(kUsage, line.command.empty() && !line.help ? stderr : stdout);
            return line.command.empty() && !line.help ? 2 : 0;
        }
        if (const Command* command = findCommand(line.command)) return command->run(line);
        std::fprintf(stderr, "korvo: unknown command '%s' (see korvo --help)\n", line.command.c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "korvo: %s\n", e.what());
        return 1;
    } catch (...) {
        std::fprintf(stderr, "korvo: unexpected failure\n");
        return 1;
    }
}
