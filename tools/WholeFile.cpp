#include "tools/WholeFile.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
const int kSignalCount = 3;

// What the handler needs, prepared beforehand: it may only make
// async-signal-safe calls, so it neither allocates nor formats.
char gTemporary[4096];
char gMessage[4096 + 64];
std::size_t gMessageLength = 0;
volatile sig_atomic_t gArmed = 0;
struct sigaction gPrevious[kSignalCount];
bool gInstalled[kSignalCount] = {};

extern "C" void removeTemporaryAndExit(int signalNumber)
{
    if (gArmed) {
        unlink(gTemporary);
        if (gMessageLength > 0) {
            const ssize_t ignored = write(STDERR_FILENO, gMessage, gMessageLength);
            (void)ignored;
        }
    }
    _exit(128 + signalNumber);
}

}  // namespace

std::string partialPath(const std::string& path) { return path + ".partial-" + std::to_string(getpid()); }

bool writeWholeFile(const std::string& path, const void* data, std::size_t size, std::string& error)
{
    const std::string temporary = partialPath(path);
    RemoveOnInterrupt interrupt(path);
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    file.close();
    if (!file) {
        std::remove(temporary.c_str());
        error = "cannot write '" + path + "'";
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        error = "cannot write '" + path + "': renaming the finished file failed";
        return false;
    }
    return true;
}

RemoveOnInterrupt::RemoveOnInterrupt(const std::string& path)
{
    const std::string temporary = partialPath(path);
    // A name this long cannot be created anyway; there is nothing to remove.
    if (temporary.size() >= sizeof gTemporary) return;
    gArmed = 0;
    std::memcpy(gTemporary, temporary.c_str(), temporary.size() + 1);
    const std::string message =
        std::string(isatty(STDERR_FILENO) ? "\n" : "") + "korvo: interrupted; '" + path + "' was not written\n";
    gMessageLength = std::min(message.size(), sizeof gMessage);
    std::memcpy(gMessage, message.data(), gMessageLength);
    gArmed = 1;

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
    gArmed = 0;
    for (int i = 0; i < kSignalCount; ++i) {
        if (gInstalled[i]) sigaction(kSignals[i], &gPrevious[i], nullptr);
        gInstalled[i] = false;
    }
}
