#include "tools/AudioWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <mutex>

#include "tools/AudioReader.h"
#include "tools/OggSerial.h"

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

}  // namespace

AudioWriter::~AudioWriter() { discard(); }

bool AudioWriter::fail(const std::string& reason, std::string& error) const
{
    error = "cannot write " + (path == "-" ? std::string("standard output") : "'" + path + "'") + ": " + reason;
    return false;
}

bool AudioWriter::open(const std::string& name, int sampleRate, std::string& error)
{
    OutputFormat chosen;
    return chooseOutputFormat(name, "", "", chosen, error) && open(name, sampleRate, chosen, AudioTags{}, error);
}

bool AudioWriter::open(const std::string& name, int sampleRate, const OutputFormat& chosen, const AudioTags& tags,
                       std::string& error)
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
    struct stat existing {};
    if (name != "-" && stat(name.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        return fail(S_ISDIR(existing.st_mode) ? "it is a directory"
                                              : "it is not a regular file (- writes to standard output)",
                    error);
    }
    if (name == "-") {
        if (isatty(STDOUT_FILENO)) return fail("it is a terminal; redirect it to a file or a program", error);
        // Unnamed from the start, so nothing is left behind, interrupted or not.
        spool = std::tmpfile();
        if (!spool) return fail("no temporary file: " + systemReason(errno), error);
    } else {
        temporary = partialPath(name);
        interrupt = std::make_unique<RemoveOnInterrupt>(name);
    }
    // libsndfile keeps the reason an open failed in one place for all threads.
    std::unique_lock<std::mutex> opening(sndfileOpenLock());
    errno = 0;
    file = spool ? sf_open_fd(fileno(spool), SFM_WRITE, &info, SF_FALSE)
                 : sf_open(temporary.c_str(), SFM_WRITE, &info);
    if (!file) {
        // libsndfile may have created the file before it gave up on it.
        const int errorNumber = errno;
        const int status = sf_error(nullptr);
        std::string reason = status == SF_ERR_SYSTEM && name != "-" ? cannotCreateReason(name, errorNumber)
                                                                    : plainReason(sf_strerror(nullptr));
        opening.unlock();
        if (reason.find("sample rate") != std::string::npos) reason += " (" + std::to_string(sampleRate) + " Hz)";
        discard();
        return fail(reason, error);
    }
    opening.unlock();
    // The peak chunk of a float file carries the time it was written: without
    // it, the same render gives the same file, byte for byte.
    sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    // A format that holds no tag of a kind refuses it; the audio goes on without.
    for (const auto& tag : tags) sf_set_string(file, tag.first, shortened(tag.second).c_str());
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
    if (format.integer() || format.container == "ogg") {
        // Only a float file can hold what is not a number; elsewhere it is silence.
        for (float& sample : interleaved) {
            if (!std::isfinite(sample)) sample = 0.0f;
        }
    }
    sf_count_t written = 0;
    if (quantiser) {
        integers.resize(interleaved.size());
        quantiser->convert(interleaved.data(), integers.data(), interleaved.size());
        written = sf_writef_int(file, integers.data(), static_cast<sf_count_t>(count));
    } else {
        written = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(count));
    }
    if (written != static_cast<sf_count_t>(count)) return fail(plainReason(sf_strerror(file)), error);
    return true;
}

bool AudioWriter::finish(std::string& error)
{
    if (!file) return fail("the file is not open", error);
    const int closed = sf_close(file);
    file = nullptr;
    if (closed != 0) {
        discard();
        return fail("closing the file failed", error);
    }
    if (format.container == "ogg") {
        // The same serial number in every render, where libsndfile takes one from the clock.
        const int descriptor = spool ? fileno(spool) : ::open(temporary.c_str(), O_RDWR | O_CLOEXEC);
        std::string reason = "cannot reopen the file";
        const bool numbered = descriptor >= 0 && setOggSerial(descriptor, 0x4b6f7276u, reason);
        if (!spool && descriptor >= 0) close(descriptor);
        if (!numbered) {
            discard();
            return fail(reason, error);
        }
    }
    if (spool) {
        // The whole finished file, from its start.
        const int failure = lseek(fileno(spool), 0, SEEK_SET) != 0 ? errno : copyAll(fileno(spool), STDOUT_FILENO);
        discard();
        return failure == 0 || fail(systemReason(failure), error);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        discard();
        return fail("renaming the finished file failed", error);
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
    if (spool) {
        std::fclose(spool);
        spool = nullptr;
    }
    if (!temporary.empty()) {
        std::remove(temporary.c_str());
        temporary.clear();
    }
    interrupt.reset();
    quantiser.reset();
}
