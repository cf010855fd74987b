#include "tools/AudioReader.h"

#include "tools/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

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

// Standard input copied whole into an unnamed temporary file, the first time
// it is asked for; every reader of "-" then reads that copy. -1 with a reason
// when there is no audio there.
int standardInputCopy(sf_count_t& length, std::string& error)
{
    static std::mutex lock;
    static int copy = -1;
    static sf_count_t size = 0;
    static std::string failure;
    static bool made = false;
    const std::lock_guard<std::mutex> hold(lock);
    if (!made) {
        made = true;
        std::FILE* file = isatty(STDIN_FILENO) ? nullptr : std::tmpfile();
        if (isatty(STDIN_FILENO)) {
            failure = "standard input is a terminal; pipe audio into korvo or name a file";
        } else if (!file) {
            failure = "standard input: no temporary file to hold it";
        } else {
            const int failed = copyAll(STDIN_FILENO, fileno(file));
            if (failed != 0) failure = "standard input: " + systemReason(failed);
            size = std::max<sf_count_t>(0, lseek(fileno(file), 0, SEEK_END));
            if (failure.empty() && size == 0) failure = "standard input: no audio (it is empty)";
            if (failure.empty()) copy = fileno(file);  // the file stays open while korvo runs
        }
    }
    length = size;
    error = failure;
    return copy;
}

// libsndfile's virtual I/O over the copy of standard input, with a position
// of the reader's own.
struct SpooledIo {
    static sf_count_t length(void* data) { return static_cast<Spool*>(data)->length; }
    static sf_count_t seek(sf_count_t offset, int whence, void* data)
    {
        Spool& spool = *static_cast<Spool*>(data);
        const sf_count_t base = whence == SEEK_CUR ? spool.position : whence == SEEK_END ? spool.length : 0;
        if (base + offset < 0) return -1;
        spool.position = base + offset;
        return spool.position;
    }
    static sf_count_t read(void* to, sf_count_t count, void* data)
    {
        Spool& spool = *static_cast<Spool*>(data);
        const ssize_t got = pread(spool.descriptor, to, static_cast<std::size_t>(count), spool.position);
        if (got <= 0) return 0;
        spool.position += got;
        return got;
    }
    static sf_count_t write(const void*, sf_count_t, void*) { return 0; }
    static sf_count_t tell(void* data) { return static_cast<Spool*>(data)->position; }
    using Spool = AudioReader::Spooled;
};

}  // namespace

AudioReader::~AudioReader()
{
    if (file) {
        sf_close(file);
    }
}

bool AudioReader::open(const std::string& name, std::string& error)
{
    path = name == "-" ? "standard input" : name;
    const std::string reason = name == "-" ? "" : cannotOpenReason(name);
    if (!reason.empty()) {
        error = name + ": " + reason;
        return false;
    }
    if (name == "-") {
        spooled.descriptor = standardInputCopy(spooled.length, error);
        if (spooled.descriptor < 0) return false;
    }
    SF_INFO info{};
    {
        const std::lock_guard<std::mutex> opening(sndfileOpenLock());
        QuietDecoder quiet;
        static SF_VIRTUAL_IO io = {SpooledIo::length, SpooledIo::seek, SpooledIo::read, SpooledIo::write,
                                   SpooledIo::tell};
        file = name == "-" ? sf_open_virtual(&io, SFM_READ, &info, &spooled) : sf_open(name.c_str(), SFM_READ, &info);
    }
    if (!file) {
        // The file is there and readable: libsndfile's own reason for a damaged
        // file can be a misleading one ("does not exist ... possibly a pipe").
        error = path + ": not a readable audio file";
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
    rate = info.samplerate;
    channelCount = info.channels;
    frameCount = info.frames;
    quietReads = isMpeg(info);
    for (int kind = SF_STR_FIRST; kind <= SF_STR_LAST; ++kind) {
        const char* text = sf_get_string(file, kind);
        if (text && *text) stringTags.emplace_back(kind, text);
    }
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
