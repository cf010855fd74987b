#include "tools/AudioFile.h"

#include <sndfile.h>

#include <cctype>
#include <cstdio>
#include <unistd.h>

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

}  // namespace

bool isWritableAudioPath(const std::string& path, std::string& error)
{
    if (formatFor(path) == 0) {
        const std::string extension = extensionOf(path);
        error = "cannot write '" + path + "': unsupported format" +
                (extension.empty() ? std::string(" (no extension)") : " '." + extension + "'") +
                "; use .wav, .aiff, .flac, .ogg, .caf or .w64";
        return false;
    }
    return true;
}

bool readAudio(const std::string& path, StereoAudio& audio, std::string& error)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = "cannot read '" + path + "': " + sf_strerror(nullptr);
        return false;
    }
    if (info.channels < 1 || info.channels > 2) {
        sf_close(file);
        error = "cannot read '" + path + "': " + std::to_string(info.channels) +
                " channels; only mono and stereo files are supported";
        return false;
    }
    if (info.samplerate <= 0 || info.frames < 0) {
        sf_close(file);
        error = "cannot read '" + path + "': the file gives no valid sample rate or length";
        return false;
    }
    std::vector<float> interleaved;
    std::vector<float> chunk(65536 * static_cast<std::size_t>(info.channels));
    for (;;) {
        const sf_count_t got = sf_readf_float(file, chunk.data(), 65536);
        if (got <= 0) {
            break;
        }
        interleaved.insert(interleaved.end(), chunk.begin(), chunk.begin() + got * info.channels);
    }
    const int status = sf_error(file);
    sf_close(file);
    if (status != SF_ERR_NO_ERROR) {
        error = "cannot read '" + path + "': " + sf_error_number(status);
        return false;
    }
    const std::size_t frames = interleaved.size() / static_cast<std::size_t>(info.channels);
    audio.sampleRate = info.samplerate;
    audio.sourceChannels = info.channels;
    audio.left.resize(frames);
    audio.right.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        audio.left[i] = interleaved[i * info.channels];
        audio.right[i] = interleaved[i * info.channels + (info.channels - 1)];
    }
    return true;
}

bool writeAudio(const std::string& path, const StereoAudio& audio, std::string& error)
{
    if (!isWritableAudioPath(path, error)) {
        return false;
    }
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = 2;
    info.format = formatFor(path);
    if (!sf_format_check(&info)) {
        error = "cannot write '" + path + "': the format does not take a sample rate of " +
                std::to_string(audio.sampleRate) + " Hz";
        return false;
    }
    const std::string temporary = path + ".partial-" + std::to_string(getpid());
    SNDFILE* file = sf_open(temporary.c_str(), SFM_WRITE, &info);
    if (!file) {
        error = "cannot write '" + path + "': " + sf_strerror(nullptr);
        return false;
    }
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::vector<float> interleaved(2 * 65536);
    bool ok = true;
    for (std::size_t done = 0; ok && done < audio.frames(); done += 65536) {
        const std::size_t n = std::min<std::size_t>(65536, audio.frames() - done);
        for (std::size_t i = 0; i < n; ++i) {
            interleaved[2 * i] = audio.left[done + i];
            interleaved[2 * i + 1] = audio.right[done + i];
        }
        ok = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(n)) == static_cast<sf_count_t>(n);
    }
    if (!ok) {
        error = "cannot write '" + path + "': " + sf_strerror(file);
    }
    if (sf_close(file) != 0 && ok) {
        ok = false;
        error = "cannot write '" + path + "': closing the file failed";
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = "cannot write '" + path + "': renaming the finished file failed";
    }
    if (!ok) {
        std::remove(temporary.c_str());
    }
    return ok;
}
