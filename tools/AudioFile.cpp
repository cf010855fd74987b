#include "tools/AudioFile.h"

#include "tools/AudioReader.h"
#include "tools/AudioWriter.h"

bool readAudio(const std::string& path, StereoAudio& audio, std::string& error)
{
    AudioReader reader;
    if (!reader.open(path, error)) {
        return false;
    }
    if (reader.truncated()) {
        error = reader.truncation();
        return false;
    }
    StereoAudio loaded;
    loaded.sampleRate = reader.sampleRate();
    loaded.sourceChannels = reader.channels();
    const std::size_t block = 65536;
    for (;;) {
        const std::size_t at = loaded.left.size();
        loaded.left.resize(at + block);
        loaded.right.resize(at + block);
        const std::size_t got = reader.read(loaded.left.data() + at, loaded.right.data() + at, block);
        loaded.left.resize(at + got);
        loaded.right.resize(at + got);
        if (got == 0) {
            break;
        }
    }
    if (reader.failed(error)) {
        return false;
    }
    audio = std::move(loaded);
    return true;
}

bool writeAudio(const std::string& path, const StereoAudio& audio, std::string& error)
{
    AudioWriter writer;
    return writer.open(path, audio.sampleRate, error) &&
           writer.write(audio.left.data(), audio.right.data(), audio.frames(), error) && writer.finish(error);
}
