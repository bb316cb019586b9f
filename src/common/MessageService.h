#pragma once

#include <string>
#include <vector>

namespace orvane {

// Responsibilities: shows the user a plain message or an error. The program
// uses modal boxes (see app/ui); tests record the texts and never block.
// Always called on the GUI thread.
class MessageService {
public:
    virtual ~MessageService() = default;
    // A plain message box with an OK button ("Application Already Running",
    // MIDI errors, the empty-password notice).
    virtual void showMessage(const std::string& text) = 0;
    // The application's standard error box for an error that left a handler.
    virtual void showError(const std::string& text) = 0;
};

class RecordingMessageService final : public MessageService {
public:
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void showError(const std::string& text) override { errors.push_back(text); }
    std::vector<std::string> messages;
    std::vector<std::string> errors;
};

}  // namespace orvane
