#pragma once

#include <stdexcept>
#include <string>

namespace orvane {

// The common base of every error the program raises on purpose. Handlers and
// start-up catch it and show its text in the standard error box; it never
// crosses a signal/slot or thread boundary.
class OrvaneError : public std::runtime_error {
public:
    explicit OrvaneError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace orvane
