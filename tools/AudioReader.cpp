#include "tools/AudioReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sndfile.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

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

namespace {

// Why a file cannot be opened for reading, or "" when it can.
std::string cannotOpenReason(const std::string& name)
{
    struct stat status {};
    if (stat(name.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return "no such file";
        std::string reason = std::strerror(errno);
        reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
        return reason;
    }
    if (S_ISDIR(status.st_mode)) return "is a directory";
    if (access(name.c_str(), R_OK) != 0) return "permission denied";
    return "";
}

bool isMpeg(const SF_INFO& info) { return (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG; }

}  // namespace

AudioReader::~AudioReader()
{
    if (file) {
        sf_close(file);
    }
}

bool AudioReader::open(const std::string& name, std::string& error)
{
    path = name;
    const std::string reason = cannotOpenReason(name);
    if (!reason.empty()) {
        error = name + ": " + reason;
        return false;
    }
    SF_INFO info{};
    {
        QuietDecoder quiet;
        file = sf_open(name.c_str(), SFM_READ, &info);
    }
    if (!file) {
        // The file is there and readable: libsndfile's own reason for a damaged
        // file can be a misleading one ("does not exist ... possibly a pipe").
        error = name + ": not a readable audio file";
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
    quietReads = isMpeg(info);
    return true;
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
