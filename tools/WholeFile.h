// Writes a file whole or not at all (see OutputFile), and what the writers of
// files share: the system's reasons, writes that wait out interruptions, and
// the handling of an interruption while a file is written.
#pragma once

#include <cstddef>
#include <string>

// The temporary name used beside `path` while it is being written.
std::string partialPath(const std::string& path);

// "-" writes standard output. False with a one-line reason; the old file, if
// any, is then left as it was.
bool writeWholeFile(const std::string& path, const void* data, std::size_t size, std::string& error);

// The folder a file of `path` goes in: "." for a bare name.
std::string folderOf(const std::string& path);

// The system's reason for an errno as a phrase: "no space left on device".
std::string systemReason(int errorNumber);

// Writes all `size` bytes to `descriptor`, waiting out interruptions and a
// full non-blocking pipe: 0, or the errno of the failure.
int writeAll(int descriptor, const void* data, std::size_t size);

// Copies `from`, from where it stands to its end, into `to`, waiting as
// writeAll does and for a non-blocking pipe with nothing in it yet: 0, or the
// errno of the failure.
int copyAll(int from, int to);

// Why `path` cannot be created, given the errno of the failed attempt: the
// folder it would go in is missing, is not a folder or may not be written, or
// the system's own reason.
std::string cannotCreateReason(const std::string& path, int errorNumber);

// While one of these lives, SIGINT, SIGTERM and SIGHUP remove the temporary
// file of `path`, say that it was not written and end korvo with the
// conventional status, 128 + the signal (a signal ignored when it was made
// stays ignored); for "-", standard output, they say it was not written whole.
// Make it before the temporary file is created; several threads may each hold
// their own.
class RemoveOnInterrupt {
public:
    explicit RemoveOnInterrupt(const std::string& path);
    ~RemoveOnInterrupt();

    RemoveOnInterrupt(const RemoveOnInterrupt&) = delete;
    RemoveOnInterrupt& operator=(const RemoveOnInterrupt&) = delete;

private:
    int slot = -1;
};
