#pragma once

#include "LogCapture.h"

#include <string>

/// The message of the E that action throws, or "(no exception)"; the exception's creation
/// line stays out of the test output.
template <class E, class Action>
std::string messageOf(Action&& action)
{
    LogCapture quiet;
    try {
        action();
    } catch (const E& e) {
        return e.getMessage().str();
    }
    return "(no exception)";
}
