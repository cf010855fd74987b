#include "tools/WholeFile.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>

std::string partialPath(const std::string& path) { return path + ".partial-" + std::to_string(getpid()); }

bool writeWholeFile(const std::string& path, const void* data, std::size_t size, std::string& error)
{
    const std::string temporary = partialPath(path);
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
