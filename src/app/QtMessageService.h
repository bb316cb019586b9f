#pragma once

#include <QString>

#include "common/MessageService.h"

class QWidget;

namespace orvane::app {

// Responsibilities: the program's message and error boxes (modal, OK button,
// application title). When the environment variable ORVANE_MESSAGE_LOG names
// a file, each text is appended to it as one line instead, so that scripted
// runs of the real program (tests, measurements) never wait on a box.
// Once the program is ending on a signal (logout, shutdown), no box is shown
// either: nobody would click it, and it would hold the program up. Each text
// then goes to standard error.
class QtMessageService final : public MessageService {
public:
    explicit QtMessageService(QWidget* parent = nullptr);
    void setParent(QWidget* parent) { parent_ = parent; }
    void endingOnSignal() { endingOnSignal_ = true; }
    void showMessage(const std::string& text) override;
    void showError(const std::string& text) override;

private:
    bool logged(const char* kind, const std::string& text) const;
    QWidget* parent_;
    QString logFile_;
    bool endingOnSignal_ = false;
};

}  // namespace orvane::app
