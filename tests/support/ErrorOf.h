#pragma once

#include <functional>
#include <string>

#include "common/OrvaneError.h"

// The text of the error an operation raises, or "(no error)".
template <typename Error = orvane::OrvaneError>
std::string errorOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}
