#include "ToolAssert.h"

#include <cstdio>
#include <cstdlib>

void toolAssertionFailed(const char* text, const char* path, unsigned line, const char* function)
{
    std::fprintf(stderr, "%s:%u: %s: Assertion `%s' failed.\n", path, line, function, text);
    std::abort();
}
