#include "tools/AudioWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "tools/AudioReader.h"
#include "tools/BufferedSink.h"
#include "tools/OutputFile.h"

namespace {

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

// Tags longer than this are cut: libsndfile writes a broken header for a WAV or
// AIFF file with a tag of several kilobytes.
const std::size_t kLongestTag = 1024;

std::string shortened(const std::string& text)
{
    if (text.size() <= kLongestTag) return text;
    std::size_t end = kLongestTag;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;  // not inside a UTF-8 character
    return text.substr(0, end);
}

// The serial number of every Ogg page korvo writes.
constexpr std::uint32_t kOggSerial = 0x4b6f7276u;

// A header that gives the audio's length, which a stream has to announce.
bool announcesLength(const OutputFormat& format) { return format.container != "ogg"; }

// Puts the number of frames into a FLAC stream's STREAMINFO, where it is 0
// ("unknown") until the encoder comes back at the end: 36 bits from the low
// half of byte 21.
void announceFlacLength(unsigned char* bytes, std::size_t size, long long frames)
{
    const bool streamInfo = size >= 42 && std::memcmp(bytes, "fLaC", 4) == 0 && (bytes[4] & 0x7F) == 0;
    if (!streamInfo || frames <= 0 || frames >= (1LL << 36)) return;
    const auto total = static_cast<unsigned long long>(frames);
    bytes[21] = static_cast<unsigned char>((bytes[21] & 0xF0) | ((total >> 32) & 0x0F));
    for (int i = 0; i < 4; ++i) bytes[22 + i] = static_cast<unsigned char>(total >> (24 - 8 * i));
}

// Tags as libsndfile takes them; a format that holds no tag of a kind
// refuses it, and the audio goes on without.
void putTags(SNDFILE* file, const AudioTags& tags)
{
    for (const auto& tag : tags) sf_set_string(file, tag.first, shortened(tag.second).c_str());
}

}  // namespace

AudioWriter::AudioWriter() = default;

AudioWriter::~AudioWriter() { discard(); }

bool AudioWriter::fail(const std::string& reason, std::string& error) const
{
    error = "cannot write " + (path == "-" ? std::string("standard output") : "'" + path + "'") + ": " + reason;
    return false;
}

bool AudioWriter::open(const std::string& name, int sampleRate, std::string& error)
{
    OutputFormat chosen;
    return chooseOutputFormat(name, "", "", chosen, error) && open(name, sampleRate, chosen, AudioTags{}, 0, error);
}

bool AudioWriter::streamHeader(const SF_INFO& info, const AudioTags& tags, long long frames, std::string& error)
{
    // libsndfile writes the lengths into the header when the file is closed:
    // the same file with its last frame written where it will be (the frames
    // between are never made) gives the header the stream has to start with.
    if (format.container == "flac") {
        // A FLAC stream's header says "length unknown" until it is finished; it
        // is told the length instead.
        sink->patchStreamHeader([frames](unsigned char* bytes, std::size_t size, std::size_t) {
            announceFlacLength(bytes, size, frames);
        });
        return true;
    }
    BufferedSink header(-1, BufferedSink::Kind::Memory);
    if (format.container == "wav" && !format.integer()) header.widenFloatWavHeader();
    SF_INFO copy = info;
    SNDFILE* trial = nullptr;
    {
        const std::lock_guard<std::mutex> opening(sndfileOpenLock());
        trial = sf_open_virtual(BufferedSink::io(), SFM_WRITE, &copy, &header);
    }
    if (!trial) return fail(plainReason(sf_strerror(nullptr)), error);
    sf_command(trial, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    putTags(trial, tags);
    const int silence[2] = {0, 0};
    bool placed = frames <= 0 || sf_writef_int(trial, silence, 1) == 1;
    if (placed && frames > 1) {
        placed = sf_seek(trial, frames - 1, SEEK_SET) == frames - 1 && sf_writef_int(trial, silence, 1) == 1;
    }
    if (sf_close(trial) != 0 || !placed) return fail("cannot make the header for a length of " + std::to_string(frames) + " frames", error);
    std::vector<unsigned char> made(header.bytes().begin(),
                                    header.bytes().begin() + static_cast<std::ptrdiff_t>(header.headerLength()));
    sink->patchStreamHeader([made](unsigned char* bytes, std::size_t size, std::size_t length) {
        if (length == made.size() && size >= length) std::memcpy(bytes, made.data(), length);
    });
    return true;
}

bool AudioWriter::open(const std::string& name, int sampleRate, const OutputFormat& chosen, const AudioTags& tags,
                       long long frames, std::string& error)
{
    discard();
    path = name;
    format = chosen;
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = format.channels;
    info.format = format.sndfileFormat();
    if (!sf_format_check(&info)) {
        return fail(format.describe() + " does not take a sample rate of " + std::to_string(sampleRate) + " Hz",
                    error);
    }
    output = std::make_unique<OutputFile>();
    if (!output->open(name, error)) return false;
    const bool stream = !output->seekable();
    sink = std::make_unique<BufferedSink>(output->descriptor(),
                                          stream ? BufferedSink::Kind::Stream : BufferedSink::Kind::File,
                                          output->base());
    if (format.container == "wav" && !format.integer()) sink->widenFloatWavHeader();
    if (format.container == "ogg") sink->renumberOggPages(kOggSerial);
    announced = frames;
    if (stream && announcesLength(format) && !streamHeader(info, tags, frames, error)) {
        discard();
        return false;
    }
    {
        const std::lock_guard<std::mutex> opening(sndfileOpenLock());
        file = sf_open_virtual(BufferedSink::io(), SFM_WRITE, &info, sink.get());
        if (!file) {
            std::string reason = plainReason(sf_strerror(nullptr));
            if (reason.find("sample rate") != std::string::npos) reason += " (" + std::to_string(sampleRate) + " Hz)";
            discard();
            return fail(reason, error);
        }
    }
    // The peak chunk of a float file carries the time it was written: without
    // it, the same render gives the same file, byte for byte.
    sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    if (format.container == "ogg" && format.quality >= 0.0) {
        double quality = format.quality / 10.0;
        sf_command(file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
    }
    putTags(file, tags);
    if (format.integer()) quantiser = std::make_unique<Quantiser>(format.bits, format.dither);
    return true;
}

bool AudioWriter::write(const float* left, const float* right, std::size_t count, std::string& error)
{
    if (!file) return fail("the file is not open", error);
    const auto channels = static_cast<std::size_t>(format.channels);
    interleaved.resize(channels * count);
    if (channels == 1) {
        interleaved.assign(left, left + count);
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            interleaved[2 * i] = left[i];
            interleaved[2 * i + 1] = right[i];
        }
    }
    if (format.container == "ogg") {
        // Only a float file can hold what is not a number; elsewhere it is
        // silence (the quantiser sees to that for integers).
        for (float& sample : interleaved) {
            if (!std::isfinite(sample)) sample = 0.0f;
        }
    }
    sf_count_t put = 0;
    if (quantiser) {
        integers.resize(interleaved.size());
        quantiser->convert(interleaved.data(), integers.data(), interleaved.size());
        put = sf_writef_int(file, integers.data(), static_cast<sf_count_t>(count));
    } else {
        put = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(count));
    }
    if (put != static_cast<sf_count_t>(count)) {
        return fail(sink->failure() != 0 ? systemReason(sink->failure()) : plainReason(sf_strerror(file)), error);
    }
    written += static_cast<long long>(count);
    return true;
}

bool AudioWriter::finish(std::string& error)
{
    if (!file) return fail("the file is not open", error);
    const int closed = sf_close(file);
    file = nullptr;
    const int failure = sink->finish();
    if (closed != 0 || failure != 0) {
        discard();
        return fail(failure == EPROTO ? "the Ogg stream written is not whole"
                    : failure != 0    ? systemReason(failure)
                                      : "closing the file failed",
                    error);
    }
    // A FLAC stream's header is refined at the end (its length and checksum),
    // which a stream goes without; other headers must say what was written.
    mismatch.clear();
    if (sink->headerStale() && format.container != "flac") {
        mismatch = "standard output's header announces " + std::to_string(announced) + " frames and " +
                   std::to_string(written) + " were written (a pipe cannot be rewound to mend it)";
    }
    if (!output->commit(error)) {
        discard();
        return false;
    }
    return true;
}

void AudioWriter::discard()
{
    if (file) {
        sf_close(file);
        file = nullptr;
    }
    if (output) output->discard();
    output.reset();
    sink.reset();
    quantiser.reset();
}
