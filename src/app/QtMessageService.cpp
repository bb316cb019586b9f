#include "app/QtMessageService.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <cstdio>

#include "app/AboutInfo.h"

namespace orvane::app {

QtMessageService::QtMessageService(QWidget* parent)
    : parent_(parent), logFile_(qEnvironmentVariable("ORVANE_MESSAGE_LOG")) {}

bool QtMessageService::logged(const char* kind, const std::string& text) const {
    if (endingOnSignal_) {
        std::fprintf(stderr, "orvane: %s: %s\n", kind, text.c_str());
        std::fflush(stderr);
        return true;
    }
    if (logFile_.isEmpty()) return false;
    QFile f(logFile_);
    if (f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        f.write(kind);
        f.write(": ");
        f.write(text.data(), static_cast<qint64>(text.size()));
        f.write("\n");
    }
    return true;
}

void QtMessageService::showMessage(const std::string& text) {
    if (logged("message", text)) return;
    QMessageBox::information(parent_, QString::fromLatin1(kProgramTitle), QString::fromStdString(text));
}

void QtMessageService::showError(const std::string& text) {
    if (logged("error", text)) return;
    QMessageBox::critical(parent_, QString::fromLatin1(kProgramTitle), QString::fromStdString(text));
}

}  // namespace orvane::app
