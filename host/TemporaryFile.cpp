#include "TemporaryFile.h"

#include "HostError.h"

#include <unistd.h>

#include <filesystem>

std::string temporaryBeside(const std::string& path)
{
    const std::filesystem::path target(path);
    std::string name = ".";
    name += target.filename().string();
    name += ".partial-";
    name += std::to_string(getpid());
    return (target.parent_path() / name).string();
}

void moveOver(const std::string& temporary, const std::string& path)
{
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        discard(temporary);
        throw HostError("cannot write " + path + ": " + error.message());
    }
}

void discard(const std::string& temporary)
{
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
}
