// Precondition checks of the signal-processing tools. A violation is a
// programming error: it prints an assertion report with the tool's source
// path and the expression text, and aborts. The checks stay on in release
// builds; they run only in constructors and setters.
#pragma once

[[noreturn]] void toolAssertionFailed(const char* text, const char* path, unsigned line,
                                      const char* function);

#define TOOL_ASSERT(condition, text, path) \
    ((condition) ? void(0) : toolAssertionFailed(text, path, __LINE__, __func__))
