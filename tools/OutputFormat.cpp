#include "tools/OutputFormat.h"

#include <sndfile.h>

#include <cctype>

namespace {

struct Container {
    const char* name;
    int type;
    const char* title;
};

const Container kContainers[] = {
    {"wav", SF_FORMAT_WAV, "WAV"},      {"aiff", SF_FORMAT_AIFF, "AIFF"}, {"flac", SF_FORMAT_FLAC, "FLAC"},
    {"ogg", SF_FORMAT_OGG, "Ogg Vorbis"}, {"caf", SF_FORMAT_CAF, "CAF"},  {"w64", SF_FORMAT_W64, "W64"},
};

const Container* findContainer(std::string name)
{
    if (name == "aif") name = "aiff";
    if (name == "oga") name = "ogg";
    for (const Container& container : kContainers) {
        if (name == container.name) return &container;
    }
    return nullptr;
}

const char* const kContainerList = "wav, aiff, flac, ogg, caf or w64";

}  // namespace

std::string extensionOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

bool isContainerExtension(const std::string& extension) { return findContainer(extension) != nullptr; }

std::string containerList() { return kContainerList; }

int OutputFormat::sndfileFormat() const
{
    const Container* found = findContainer(container);
    if (!found) return 0;
    if (found->type == SF_FORMAT_OGG) return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    const int samples = bits == 16 ? SF_FORMAT_PCM_16 : bits == 24 ? SF_FORMAT_PCM_24
                        : bits == 32 ? SF_FORMAT_PCM_32 : SF_FORMAT_FLOAT;
    return found->type | samples;
}

std::string OutputFormat::describe() const
{
    const Container* found = findContainer(container);
    const std::string title = found ? found->title : container;
    if (container == "ogg") return title;
    return (bits == 0 ? std::string("32-bit float ") : std::to_string(bits) + "-bit ") + title;
}

bool chooseOutputFormat(const std::string& path, const std::string& container, const std::string& bits,
                        OutputFormat& format, std::string& error)
{
    const std::string shown = path == "-" ? "standard output" : "'" + path + "'";
    std::string name = container;
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name.empty() && path == "-") {
        error = "writing to standard output needs --format " + std::string(kContainerList);
        return false;
    }
    if (!name.empty() && !findContainer(name)) {
        error = "--format " + container + " is not one korvo writes; use " + kContainerList;
        return false;
    }
    const Container* named = path == "-" ? nullptr : findContainer(extensionOf(path));
    if (!name.empty() && named && named != findContainer(name)) {
        error = "--format " + container + " contradicts " + shown + ", which names " + named->title +
                "; leave out --format or name the file ." + findContainer(name)->name;
        return false;
    }
    if (name.empty()) {
        name = extensionOf(path);
        if (!findContainer(name)) {
            error = "cannot write " + shown + ": unsupported format" +
                    (name.empty() ? std::string(" (no extension)") : " '." + name + "'") +
                    "; use .wav, .aiff, .flac, .ogg, .caf or .w64, or --format";
            return false;
        }
    }
    OutputFormat chosen = format;
    chosen.container = findContainer(name)->name;
    chosen.bits = chosen.container == "flac" ? 24 : 0;
    if (!bits.empty()) {
        if (chosen.container == "ogg") {
            error = "--bits does not apply to Ogg Vorbis, which is compressed";
            return false;
        }
        if (bits == "16" || bits == "24") {
            chosen.bits = std::stoi(bits);
        } else if (bits == "32" || bits == "float") {
            if (chosen.container == "flac") {
                error = "--bits " + bits + ": FLAC holds 16 or 24 bits";
                return false;
            }
            chosen.bits = bits == "32" ? 32 : 0;
        } else {
            error = "--bits needs 16, 24, 32 or float, not '" + bits + "'";
            return false;
        }
    }
    format = chosen;
    return true;
}
