#pragma once

#include <stdexcept>

// A user-facing failure: the message says what went wrong and with what.
struct HostError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
