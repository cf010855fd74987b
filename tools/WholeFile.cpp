#include "tools/WholeFile.h"

#include "tools/OutputFile.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
const int kSignalCount = 3;

// One file being written; several at once in a batch. What the handler needs
// is prepared beforehand: it may only make async-signal-safe calls, so it
// neither allocates nor formats, and it reads a slot only once it is armed.
struct InterruptSlot {
    std::atomic<int> state{0};  // kFree, kFilling, kArmed
    char temporary[4200];       // "" when there is nothing to remove
    char message[4200];         // the line to print, made beforehand
};
constexpr int kFree = 0, kFilling = 1, kArmed = 2;
constexpr int kSlotCount = 72;  // more than the files a batch writes at once
InterruptSlot gSlots[kSlotCount];
static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the slots' states");

std::mutex gInstallLock;  // guards what follows; never taken by the handler
int gArmedCount = 0;
struct sigaction gPrevious[kSignalCount];
bool gInstalled[kSignalCount] = {};
volatile sig_atomic_t gNewLineFirst = 0;  // stderr is a terminal, where a progress line may be open

void say(const char* text) { (void)!write(STDERR_FILENO, text, std::strlen(text)); }

extern "C" void removeTemporaryAndExit(int signalNumber)
{
    bool first = true;
    for (InterruptSlot& slot : gSlots) {
        if (slot.state.load(std::memory_order_acquire) != kArmed) continue;
        if (slot.temporary[0] != '\0') unlink(slot.temporary);
        if (first && gNewLineFirst) say("\n");
        first = false;
        say(slot.message);
    }
    _exit(128 + signalNumber);
}


}  // namespace

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string systemReason(int errorNumber)
{
    std::string reason = std::strerror(errorNumber);
    if (!reason.empty()) reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
    return reason;
}

namespace {

// Waits until a non-blocking descriptor can be read or written.
void waitFor(int descriptor, short events)
{
    pollfd ready{descriptor, events, 0};
    poll(&ready, 1, -1);
}

bool wouldBlock(int errorNumber) { return errorNumber == EAGAIN || errorNumber == EWOULDBLOCK; }

}  // namespace

int writeAll(int descriptor, const void* data, std::size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    for (std::size_t done = 0; done < size;) {
        const ssize_t put = write(descriptor, bytes + done, size - done);
        if (put > 0) {
            done += static_cast<std::size_t>(put);
        } else if (put < 0 && wouldBlock(errno)) {
            waitFor(descriptor, POLLOUT);
        } else if (put == 0 || errno != EINTR) {
            return put == 0 ? EIO : errno;
        }
    }
    return 0;
}

int copyAll(int from, int to)
{
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = read(from, buffer.data(), buffer.size());
        if (got == 0) return 0;
        if (got < 0 && wouldBlock(errno)) {
            waitFor(from, POLLIN);
        } else if (got < 0 && errno != EINTR) {
            return errno;
        } else if (got > 0) {
            const int failure = writeAll(to, buffer.data(), static_cast<std::size_t>(got));
            if (failure != 0) return failure;
        }
    }
}

std::string partialPath(const std::string& path) { return path + ".partial-" + std::to_string(getpid()); }

std::string cannotCreateReason(const std::string& path, int errorNumber)
{
    const std::string folder = folderOf(path);
    struct stat status {};
    if (stat(folder.c_str(), &status) != 0) {
        if (errno == ENOENT) return "no such directory '" + folder + "'";
        if (errno == ENOTDIR) return "'" + folder + "' is not a directory";
    } else if (!S_ISDIR(status.st_mode)) {
        return "'" + folder + "' is not a directory";
    } else if (access(folder.c_str(), W_OK) != 0) {
        return "no permission to write in '" + folder + "'";
    }
    if (errorNumber == EISDIR) return "it is a directory";
    return systemReason(errorNumber);
}

bool writeWholeFile(const std::string& path, const void* data, std::size_t size, std::string& error)
{
    OutputFile file;
    if (!file.open(path, error)) return false;
    const int failure = writeAll(file.descriptor(), data, size);
    if (failure != 0) {
        error = "cannot write " + file.shownName() + ": " + systemReason(failure);
        return false;
    }
    return file.commit(error);
}

RemoveOnInterrupt::RemoveOnInterrupt(const std::string& path)
{
    const bool standardOutput = path == "-";
    const std::string temporary = standardOutput ? "" : partialPath(path);
    const std::string message = standardOutput ? "korvo: interrupted; standard output was not written whole\n"
                                               : "korvo: interrupted; '" + path + "' was not written\n";
    // A name this long cannot be created anyway; there is nothing to remove.
    if (temporary.size() >= sizeof gSlots[0].temporary || message.size() >= sizeof gSlots[0].message) return;
    for (int i = 0; i < kSlotCount && slot < 0; ++i) {
        int expected = kFree;
        if (gSlots[i].state.compare_exchange_strong(expected, kFilling)) slot = i;
    }
    if (slot < 0) return;
    std::memcpy(gSlots[slot].temporary, temporary.c_str(), temporary.size() + 1);
    std::memcpy(gSlots[slot].message, message.c_str(), message.size() + 1);

    const std::lock_guard<std::mutex> hold(gInstallLock);
    gSlots[slot].state.store(kArmed, std::memory_order_release);
    if (gArmedCount++ > 0) return;
    gNewLineFirst = isatty(STDERR_FILENO) ? 1 : 0;
    struct sigaction action {};
    action.sa_handler = removeTemporaryAndExit;
    sigemptyset(&action.sa_mask);
    for (int s : kSignals) sigaddset(&action.sa_mask, s);
    for (int i = 0; i < kSignalCount; ++i) {
        gInstalled[i] = false;
        if (sigaction(kSignals[i], nullptr, &gPrevious[i]) != 0 || gPrevious[i].sa_handler == SIG_IGN) continue;
        gInstalled[i] = sigaction(kSignals[i], &action, nullptr) == 0;
    }
}

RemoveOnInterrupt::~RemoveOnInterrupt()
{
    if (slot < 0) return;
    const std::lock_guard<std::mutex> hold(gInstallLock);
    gSlots[slot].state.store(kFree, std::memory_order_release);
    if (--gArmedCount > 0) return;
    for (int i = 0; i < kSignalCount; ++i) {
        if (gInstalled[i]) sigaction(kSignals[i], &gPrevious[i], nullptr);
        gInstalled[i] = false;
    }
}
