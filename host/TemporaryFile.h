// Files written whole or not at all: the data goes to a hidden file beside
// the target, renamed over it only when complete.
#pragma once

#include <string>

// The hidden name beside `path` ("dir/.name.partial-PID").
std::string temporaryBeside(const std::string& path);

// Renames `temporary` over `path`; on failure removes it and throws HostError.
void moveOver(const std::string& temporary, const std::string& path);

// Removes `temporary` if it is there; never throws.
void discard(const std::string& temporary);
