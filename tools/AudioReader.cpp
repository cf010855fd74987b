#include "tools/AudioReader.h"

#include <sndfile.h>

AudioReader::~AudioReader()
{
    if (file) {
        sf_close(file);
    }
}

bool AudioReader::open(const std::string& name, std::string& error)
{
    SF_INFO info{};
    file = sf_open(name.c_str(), SFM_READ, &info);
    path = name;
    if (!file) {
        error = "cannot read '" + name + "': " + sf_strerror(nullptr);
        return false;
    }
    if (info.channels < 1 || info.channels > 2) {
        error = "cannot read '" + name + "': " + std::to_string(info.channels) +
                " channels; only mono and stereo files are supported";
        return false;
    }
    if (info.samplerate <= 0 || info.frames < 0) {
        error = "cannot read '" + name + "': the file gives no valid sample rate or length";
        return false;
    }
    rate = info.samplerate;
    channelCount = info.channels;
    frameCount = info.frames;
    return true;
}

std::size_t AudioReader::read(float* left, float* right, std::size_t count)
{
    if (!file || count == 0) {
        return 0;
    }
    interleaved.resize(count * static_cast<std::size_t>(channelCount));
    const sf_count_t got = sf_readf_float(file, interleaved.data(), static_cast<sf_count_t>(count));
    if (got <= 0) {
        return 0;
    }
    const auto n = static_cast<std::size_t>(got);
    const auto step = static_cast<std::size_t>(channelCount);
    for (std::size_t i = 0; i < n; ++i) {
        left[i] = interleaved[i * step];
        right[i] = interleaved[i * step + (step - 1)];
    }
    return n;
}

bool AudioReader::failed(std::string& error) const
{
    const int status = file ? sf_error(file) : SF_ERR_NO_ERROR;
    if (status != SF_ERR_NO_ERROR) {
        error = "cannot read '" + path + "': " + sf_error_number(status);
        return true;
    }
    return false;
}
