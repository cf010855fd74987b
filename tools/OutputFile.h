// A file being written, which appears under its name whole or not at all.
//
// It is made unnamed in its folder (O_TMPFILE) and linked under its name only
// once it is finished, so nothing is left behind however korvo ends, even
// killed. Where the file system cannot do that, it is written under a
// temporary name beside it and renamed at the end; an interruption (Ctrl-C,
// SIGTERM, SIGHUP) removes it then. "-" is standard output, written as it
// comes: a pipe, or a file the shell opened, which may then be rewritten in
// place.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "tools/WholeFile.h"

class OutputFile {
public:
    OutputFile() = default;
    // Removes what was written of a file that was not committed.
    ~OutputFile();

    // False with a one-line reason ("cannot write 'x.wav': ...").
    bool open(const std::string& path, std::string& error);
    int descriptor() const { return file; }
    // The output may be written anywhere, not only in order: a file.
    bool seekable() const { return rewindable; }
    // Where the output starts in the descriptor's file (standard output may
    // already hold something).
    off_t base() const { return start; }
    bool standardOutput() const { return name == "-"; }
    // "'x.wav'" or "standard output", as messages name it.
    std::string shownName() const;

    // Gives the finished file its name; false with a reason, and then nothing
    // is left behind.
    bool commit(std::string& error);
    void discard();

    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

private:
    bool fail(const std::string& reason, std::string& error);

    std::string name;
    int file = -1;
    bool unnamed = false;      // made with O_TMPFILE
    bool rewindable = false;
    off_t start = 0;
    std::string temporary;     // the name it is written under, without O_TMPFILE
    std::unique_ptr<RemoveOnInterrupt> interrupt;
};
