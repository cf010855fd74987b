#include "tools/AudioWriter.h"

#include "tools/WholeFile.h"

#include <sndfile.h>

#include <cctype>
#include <cerrno>
#include <cstdio>

namespace {

std::string extensionOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return "";
    }
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension;
}

int formatFor(const std::string& path)
{
    const std::string extension = extensionOf(path);
    if (extension == "wav") return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    if (extension == "aif" || extension == "aiff") return SF_FORMAT_AIFF | SF_FORMAT_FLOAT;
    if (extension == "flac") return SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
    if (extension == "ogg" || extension == "oga") return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    if (extension == "caf") return SF_FORMAT_CAF | SF_FORMAT_FLOAT;
    if (extension == "w64") return SF_FORMAT_W64 | SF_FORMAT_FLOAT;
    return 0;
}

// libsndfile's reason as a plain phrase: "Error : flac does not support this
// sample rate." becomes "flac does not support this sample rate".
std::string plainReason(const char* text)
{
    std::string reason = text ? text : "";
    for (const char* prefix : {"System error : ", "Error : "}) {
        if (reason.rfind(prefix, 0) == 0) reason = reason.substr(std::string(prefix).size());
    }
    while (!reason.empty() && (reason.back() == '.' || reason.back() == ' ')) reason.pop_back();
    return reason.empty() ? "unknown error" : reason;
}

}  // namespace

AudioWriter::~AudioWriter() { discard(); }

bool AudioWriter::canWrite(const std::string& path, std::string& error)
{
    if (formatFor(path) != 0) {
        return true;
    }
    const std::string extension = extensionOf(path);
    error = "cannot write '" + path + "': unsupported format" +
            (extension.empty() ? std::string(" (no extension)") : " '." + extension + "'") +
            "; use .wav, .aiff, .flac, .ogg, .caf or .w64";
    return false;
}

bool AudioWriter::open(const std::string& name, int sampleRate, std::string& error)
{
    discard();
    if (!canWrite(name, error)) {
        return false;
    }
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format = formatFor(name);
    if (!sf_format_check(&info)) {
        error = "cannot write '" + name + "': the format does not take a sample rate of " +
                std::to_string(sampleRate) + " Hz";
        return false;
    }
    path = name;
    temporary = partialPath(name);
    interrupt = std::make_unique<RemoveOnInterrupt>(name);
    errno = 0;
    file = sf_open(temporary.c_str(), SFM_WRITE, &info);
    if (!file) {
        // libsndfile may have created the file before it gave up on it.
        const int errorNumber = errno;
        const int status = sf_error(nullptr);
        error = "cannot write '" + name + "': " +
                (status == SF_ERR_SYSTEM ? cannotCreateReason(name, errorNumber) : plainReason(sf_strerror(nullptr)));
        if (error.find("sample rate") != std::string::npos) error += " (" + std::to_string(sampleRate) + " Hz)";
        discard();
        return false;
    }
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // The peak chunk of a float file carries the time it was written: without
    // it, the same render gives the same file, byte for byte.
    sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    return true;
}

bool AudioWriter::write(const float* left, const float* right, std::size_t count, std::string& error)
{
    if (!file) {
        error = "cannot write '" + path + "': the file is not open";
        return false;
    }
    interleaved.resize(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        interleaved[2 * i] = left[i];
        interleaved[2 * i + 1] = right[i];
    }
    if (sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(count)) != static_cast<sf_count_t>(count)) {
        error = "cannot write '" + path + "': " + plainReason(sf_strerror(file));
        return false;
    }
    return true;
}

bool AudioWriter::finish(std::string& error)
{
    if (!file) {
        error = "cannot write '" + path + "': the file is not open";
        return false;
    }
    const int closed = sf_close(file);
    file = nullptr;
    if (closed != 0) {
        error = "cannot write '" + path + "': closing the file failed";
        discard();
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write '" + path + "': renaming the finished file failed";
        discard();
        return false;
    }
    temporary.clear();
    interrupt.reset();
    return true;
}

void AudioWriter::discard()
{
    if (file) {
        sf_close(file);
        file = nullptr;
    }
    if (!temporary.empty()) {
        std::remove(temporary.c_str());
        temporary.clear();
    }
    interrupt.reset();
}
