#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>

class QPlainTextEdit;
class QPushButton;

namespace orvane::app {

// Responsibilities: the "More About - Credits" dialog: who made Orvane ++,
// how to write to them, and the thanks to those whose work it stands on.
// Made fresh each time it is shown and destroyed when it closes.
// Collaborations: opens the mail address through the opener it is given
// (the desktop's handler in the program).
class TfrmMoreAbout final : public QDialog {
    Q_OBJECT
public:
    TfrmMoreAbout(std::function<bool(const QUrl&)> openUrl, QWidget* parent);

    void btnMailClick();

    QPushButton* btnMail = nullptr;
    QPlainTextEdit* moCredits = nullptr;
    QPushButton* btnOK = nullptr;

private:
    std::function<bool(const QUrl&)> openUrl_;
};

// The acknowledgements shown in the credits dialog.
QString creditsText();

}  // namespace orvane::app
