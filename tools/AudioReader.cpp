#include "tools/AudioReader.h"

#include "eq/Parameters.h"
#include "tools/BufferedSource.h"
#include "tools/DeclaredLength.h"
#include "tools/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

// Sends what libsndfile's decoders print (the MPEG decoder writes its warnings
// to the terminal itself) to /dev/null while one lives: korvo's messages are
// its own, one line each. It holds the terminal lock meanwhile, so another
// thread's message waits instead of going to /dev/null too.
class QuietDecoder {
public:
    QuietDecoder() : hold(terminalLock())
    {
        std::fflush(stderr);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null < 0) return;
        saved = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
        if (saved >= 0) dup2(null, STDERR_FILENO);
        close(null);
    }
    ~QuietDecoder()
    {
        if (saved < 0) return;
        dup2(saved, STDERR_FILENO);
        close(saved);
    }
    QuietDecoder(const QuietDecoder&) = delete;
    QuietDecoder& operator=(const QuietDecoder&) = delete;

private:
    std::lock_guard<std::mutex> hold;
    int saved = -1;
};

}  // namespace

std::mutex& terminalLock()
{
    static std::mutex lock;
    return lock;
}

std::mutex& sndfileOpenLock()
{
    static std::mutex lock;
    return lock;
}

namespace {

// Why a file cannot be opened for reading, or "" when it can.
std::string cannotOpenReason(const std::string& name)
{
    struct stat status {};
    if (stat(name.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return "no such file";
        return systemReason(errno);
    }
    if (S_ISDIR(status.st_mode)) return "is a directory";
    if (access(name.c_str(), R_OK) != 0) return "permission denied";
    return "";
}

bool isMpeg(const SF_INFO& info) { return (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG; }

// A copy of a pipe (or other stream) in an unnamed temporary file, so it can
// be read from anywhere, and again. -1 with a reason when there is no audio.
// An unnamed temporary file in TMPDIR (else /tmp), which nothing, not even a
// kill, leaves behind; where the file system has no unnamed files, one whose
// name is removed at once. -1 with errno set when there is none.
int temporaryFile(std::string& folder)
{
    const char* chosen = std::getenv("TMPDIR");
    folder = chosen && *chosen ? chosen : "/tmp";
    const int file = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (file >= 0 || (errno != EOPNOTSUPP && errno != EISDIR)) return file;
    std::string name = folder + "/korvo-XXXXXX";
    const int named = mkostemp(&name[0], O_CLOEXEC);
    if (named >= 0) unlink(name.c_str());
    return named;
}

int spoolCopy(int from, const std::string& shown, off_t& length, std::string& error)
{
    std::string folder;
    const int copy = temporaryFile(folder);
    if (copy < 0) {
        error = shown + ": no temporary file to hold it in " + folder + " (TMPDIR): " + systemReason(errno);
        return -1;
    }
    const int failed = copyAll(from, copy);
    length = std::max<off_t>(0, lseek(copy, 0, SEEK_END));
    if (failed != 0) error = shown + ": " + systemReason(failed);
    if (failed == 0 && length == 0) error = shown + ": no audio (it is empty)";
    if (!error.empty()) close(copy);
    return error.empty() ? copy : -1;
}

// Standard input's copy, made the first time it is asked for; every reader of
// "-" then reads that copy.
int standardInputCopy(off_t& length, std::string& error)
{
    static std::mutex lock;
    static int copy = -1;
    static off_t size = 0;
    static std::string failure;
    static bool made = false;
    const std::lock_guard<std::mutex> hold(lock);
    if (!made) {
        made = true;
        if (isatty(STDIN_FILENO)) {
            failure = "standard input is a terminal; pipe audio into korvo or name a file";
        } else {
            copy = spoolCopy(STDIN_FILENO, "standard input", size, failure);
        }
    }
    length = size;
    error = failure;
    return copy;
}

// The bytes of a frame of uncompressed samples; 0 for a compressed encoding.
int frameBytes(const SF_INFO& info)
{
    switch (info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
        return info.channels;
    case SF_FORMAT_PCM_16:
        return 2 * info.channels;
    case SF_FORMAT_PCM_24:
        return 3 * info.channels;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
        return 4 * info.channels;
    case SF_FORMAT_DOUBLE:
        return 8 * info.channels;
    default:
        return 0;
    }
}

// A lossy stream's length is the decoder's estimate, which reading may not meet.
bool lengthIsExact(const SF_INFO& info)
{
    const int encoding = info.format & SF_FORMAT_SUBMASK;
    return !isMpeg(info) && encoding != SF_FORMAT_VORBIS && encoding != SF_FORMAT_OPUS;
}

std::string seconds(long long frames, int rate)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.2f s", static_cast<double>(frames) / rate);
    return text;
}

}  // namespace

AudioReader::AudioReader() = default;

AudioReader::~AudioReader()
{
    if (file) sf_close(file);
    if (owned) close(descriptor);
}

bool AudioReader::open(const std::string& name, std::string& error)
{
    path = name == "-" ? "standard input" : name;
    off_t size = 0;
    if (name == "-") {
        descriptor = standardInputCopy(size, error);
        if (descriptor < 0) return false;
    } else {
        const std::string reason = cannotOpenReason(name);
        if (!reason.empty()) {
            error = name + ": " + reason;
            return false;
        }
        descriptor = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat status {};
        if (descriptor < 0 || fstat(descriptor, &status) != 0) {
            error = name + ": " + systemReason(errno);
            return false;
        }
        owned = true;
        size = status.st_size;
        if (!S_ISREG(status.st_mode)) {
            // A named pipe or a device: read once, into a copy.
            const int copy = spoolCopy(descriptor, name, size, error);
            close(descriptor);
            descriptor = copy;
            owned = copy >= 0;
            if (copy < 0) return false;
        }
    }
    source = std::make_unique<BufferedSource>(descriptor, size);
    SF_INFO info{};
    {
        const std::lock_guard<std::mutex> opening(sndfileOpenLock());
        QuietDecoder quiet;
        file = sf_open_virtual(BufferedSource::io(), SFM_READ, &info, source.get());
    }
    if (!file) {
        // The file is there and readable: libsndfile's own reason for a damaged
        // file can be a misleading one ("does not exist ... possibly a pipe").
        const std::string fault = waveHeaderFault(descriptor, size, name != "-" && extensionOf(name) == "wav");
        error = path + ": not a readable audio file" + (fault.empty() ? "" : ": " + fault);
        return false;
    }
    if (info.channels < 1 || info.channels > 2) {
        error = "cannot read '" + path + "': " + std::to_string(info.channels) +
                " channels; only mono and stereo files are supported";
        return false;
    }
    if (info.samplerate <= 0 || info.frames < 0) {
        error = "cannot read '" + path + "': the file gives no valid sample rate or length";
        return false;
    }
    if (!isUsableRate(info.samplerate)) {
        // Refused, not rendered at a rate the equaliser's bands are not designed
        // for (or one a damaged header makes up).
        char range[64];
        std::snprintf(range, sizeof range, "%g kHz to %g kHz", kMinSampleRate / 1000.0, kMaxSampleRate / 1000.0);
        error = path + ": its sample rate, " + std::to_string(info.samplerate) + " Hz, is outside the " + range +
                " the equaliser runs at";
        return false;
    }
    rate = info.samplerate;
    channelCount = info.channels;
    frameCount = announced = info.frames;
    quietReads = isMpeg(info);
    exact = lengthIsExact(info);
    for (int kind = SF_STR_FIRST; kind <= SF_STR_LAST; ++kind) {
        const char* text = sf_get_string(file, kind);
        if (text && *text) stringTags.emplace_back(kind, text);
    }
    return checkLength(info, size);
}

bool AudioReader::checkLength(const SF_INFO& info, long long size)
{
    AudioExtent extent;
    if (findAudioExtent(descriptor, static_cast<off_t>(size), extent) && extent.declared > extent.present) {
        // libsndfile gives the frames the file holds; the header promised more.
        const int bytes = frameBytes(info);
        if (bytes > 0) {
            announced = extent.declared / bytes;
        } else if (extent.present > 0) {
            announced = static_cast<long long>(static_cast<double>(frameCount) * static_cast<double>(extent.declared) /
                                               static_cast<double>(extent.present));
        }
        return true;
    }
    if ((info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_FLAC || frameCount == 0) return true;
    // A FLAC stream's header gives its length; a stream cut short cannot reach
    // its last frame. Tried on a reader of its own, which is then read to its
    // end to count what there is.
    const auto probe = [&](bool count) -> long long {
        BufferedSource own(descriptor, size);
        SF_INFO probed{};
        SNDFILE* other = nullptr;
        {
            const std::lock_guard<std::mutex> opening(sndfileOpenLock());
            other = sf_open_virtual(BufferedSource::io(), SFM_READ, &probed, &own);
        }
        if (!other) return 0;
        long long frames = 0;
        std::vector<float> scratch(8192 * static_cast<std::size_t>(probed.channels));
        if (!count) {
            frames = sf_seek(other, frameCount - 1, SEEK_SET) == frameCount - 1 && sf_readf_float(other, scratch.data(), 1) == 1
                         ? frameCount
                         : 0;
        } else {
            for (sf_count_t got; (got = sf_readf_float(other, scratch.data(), 8192)) > 0;) frames += got;
        }
        sf_close(other);
        return frames;
    };
    if (frameCount == SF_COUNT_MAX) {
        // A stream that did not know its length when it was written.
        frameCount = announced = probe(true);
    } else if (probe(false) != frameCount) {
        frameCount = probe(true);
    }
    return true;
}

std::string AudioReader::truncation() const
{
    return path + ": truncated: " + seconds(frameCount, rate) + " of " + seconds(announced, rate) + " read";
}

std::size_t AudioReader::read(float* left, float* right, std::size_t count)
{
    if (!file || count == 0) {
        return 0;
    }
    interleaved.resize(count * static_cast<std::size_t>(channelCount));
    sf_count_t got = 0;
    if (quietReads) {
        QuietDecoder quiet;
        got = sf_readf_float(file, interleaved.data(), static_cast<sf_count_t>(count));
    } else {
        got = sf_readf_float(file, interleaved.data(), static_cast<sf_count_t>(count));
    }
    if (got <= 0) {
        return 0;
    }
    const auto n = static_cast<std::size_t>(got);
    framesRead += static_cast<long long>(n);
    const auto step = static_cast<std::size_t>(channelCount);
    for (std::size_t i = 0; i < n; ++i) {
        left[i] = interleaved[i * step];
        right[i] = interleaved[i * step + (step - 1)];
    }
    return n;
}

bool AudioReader::failed(std::string& error) const
{
    if (source && source->failure() != 0) {
        error = "cannot read '" + path + "': " + systemReason(source->failure()) + " after " +
                seconds(framesRead, rate);
        return true;
    }
    const int status = file ? sf_error(file) : SF_ERR_NO_ERROR;
    // A decoder's complaint where a stream known to be cut short stops is the cut itself.
    if (status != SF_ERR_NO_ERROR && !(truncated() && framesRead >= frameCount)) {
        error = "cannot read '" + path + "': " + sf_error_number(status);
        return true;
    }
    if (exact && framesRead < frameCount) {
        // The audio stopped before the length the file gave.
        error = path + ": truncated: " + seconds(framesRead, rate) + " of " + seconds(frameCount, rate) + " read";
        return true;
    }
    return false;
}
