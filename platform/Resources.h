// Data compiled into the library and looked up by type and number: what the
// toolkit had from module resources.
#pragma once

#include <cstddef>
#include <span>

namespace platform {

struct Resource {
    const char* type;  // "PNG", or "PNG@2x" for a drawing at twice the size
    int id;
    const unsigned char* data;
    std::size_t size;
};

// The table made by the build from the files in resources/ (named
// "<number>-<name>.png"); programs that link the toolkit without the
// library's resources provide their own.
std::span<const Resource> resourceTable();

// The resource of that type and number, or null.
const Resource* findResource(const char* type, int id);

}  // namespace platform
