#pragma once

#include <exception>
#include <utility>

#include "common/MessageService.h"

namespace orvane::app {

// Runs one handler or start-up step; an error it raises is shown and the
// caller goes on. Exceptions never leave a slot, so every connection of the
// main window and its panels runs its handler through here.
template <typename Step>
void runGuarded(MessageService& messages, Step&& step) {
    try {
        std::forward<Step>(step)();
    } catch (const std::exception& e) {
        messages.showError(e.what());
    }
}

}  // namespace orvane::app
