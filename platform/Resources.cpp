#include "Resources.h"

#include <cstring>

namespace platform {

const Resource* findResource(const char* type, int id)
{
    for (const Resource& resource : resourceTable())
        if (resource.id == id && std::strcmp(resource.type, type) == 0)
            return &resource;
    return nullptr;
}

}  // namespace platform
