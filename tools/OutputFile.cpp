#include "tools/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

OutputFile::~OutputFile() { discard(); }

std::string OutputFile::shownName() const { return standardOutput() ? "standard output" : "'" + name + "'"; }

bool OutputFile::fail(const std::string& reason, std::string& error)
{
    error = "cannot write " + shownName() + ": " + reason;
    discard();
    return false;
}

bool OutputFile::open(const std::string& path, std::string& error)
{
    discard();
    name = path;
    interrupt = std::make_unique<RemoveOnInterrupt>(path);
    if (standardOutput()) {
        if (isatty(STDOUT_FILENO)) return fail("it is a terminal; redirect it to a file or a program", error);
        file = STDOUT_FILENO;
        struct stat status {};
        start = lseek(file, 0, SEEK_CUR);
        rewindable = fstat(file, &status) == 0 && S_ISREG(status.st_mode) && start >= 0 &&
                     (fcntl(file, F_GETFL) & O_APPEND) == 0;
        if (!rewindable) start = 0;
        return true;
    }
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        return fail(S_ISDIR(existing.st_mode) ? "it is a directory"
                                              : "it is not a regular file (- writes to standard output)",
                    error);
    }
    // Linking an unnamed file needs /proc/self/fd; without it, a named temporary.
    if (access("/proc/self/fd", X_OK) == 0) {
        file = ::open(folderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        unnamed = file >= 0;
    }
    if (file < 0) {
        temporary = partialPath(path);
        file = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (file < 0) {
            const int failure = errno;
            temporary.clear();
            return fail(cannotCreateReason(path, failure), error);
        }
    }
    rewindable = true;
    return true;
}

bool OutputFile::commit(std::string& error)
{
    if (file < 0) return fail("the file is not open", error);
    if (standardOutput()) {
        file = -1;
        interrupt.reset();
        return true;
    }
    if (unnamed) {
        // Linked straight under its name when there is none yet, else under the
        // temporary name, which then replaces the old file at once.
        const std::string self = "/proc/self/fd/" + std::to_string(file);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            unnamed = false;
        } else if (errno == EEXIST) {
            temporary = partialPath(name);
            std::remove(temporary.c_str());
            if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) != 0) {
                const int failure = errno;
                temporary.clear();
                return fail(systemReason(failure), error);
            }
            unnamed = false;
        } else {
            return fail(systemReason(errno), error);
        }
    }
    const int closed = close(file);
    const int failure = errno;
    file = -1;
    if (closed != 0) {
        if (temporary.empty()) std::remove(name.c_str());
        return fail(systemReason(failure), error);
    }
    if (!temporary.empty()) {
        if (std::rename(temporary.c_str(), name.c_str()) != 0) return fail("renaming the finished file failed", error);
        temporary.clear();
    }
    interrupt.reset();
    return true;
}

void OutputFile::discard()
{
    if (file >= 0 && !standardOutput()) close(file);
    file = -1;
    unnamed = false;
    if (!temporary.empty()) std::remove(temporary.c_str());
    temporary.clear();
    interrupt.reset();
}
