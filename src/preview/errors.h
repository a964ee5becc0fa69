#pragma once

// Failures of the print preview. Misuse by the calling code raises AssertionFailure with a fixed
// message; a printer that refuses a job raises PrinterError.

#include <stdexcept>

namespace preview {

class AssertionFailure final : public std::logic_error {
public:
    explicit AssertionFailure(const char* message = "Assertion failure") : std::logic_error(message) {}
};

class PrinterError final : public std::runtime_error {
public:
    explicit PrinterError(const char* message) : std::runtime_error(message) {}
};

} // namespace preview
