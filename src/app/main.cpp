// orvane: the program's entry. One copy per user; three windows that live for
// the whole run, created in this order: the main window, the report retrieval
// dialog, the beacon simulation dialog.
#include <QApplication>

#include "app/Orvane_maina.h"
#include "app/QtMessageService.h"
#include "app/SingleInstanceLock.h"
#include "app/help/ContextHelp.h"
#include "app/help/QtHelpService.h"
#include "common/AppPaths.h"
#include "common/Clock.h"
#include "common/OrvaneError.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvane"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvane ++"));
    orvane::app::QtMessageService messages;

    orvane::app::SingleInstanceLock lock;
    if (lock.anotherCopyRunning()) {
        // The running copy is left alone; no window, no settings.
        messages.showMessage("Application Already Running");
        return 0;
    }

    try {
        orvane::SystemClock clock;
        // The help window has no owner yet: the main window that would own it
        // is built after, and needs the help for its F1 keys.
        orvane::help::QtHelpService help(nullptr);
        orvane::help::installContextHelp(app, help);
        const auto paths = orvane::AppPaths::forExecutable(QCoreApplication::applicationFilePath());

        orvane::app::TfrmTabbedOrvane frmTabbedOrvane(clock, messages, &help, paths);
        messages.setParent(&frmTabbedOrvane);

        // frmSolarFtpSetup (report retrieval dialog, hidden until asked for)
        // is created here, after the main window.

        // frmBeaconSetup (simulation dialog and MIDI player, hidden until
        // asked for) is created here, last; then wire
        // frmTabbedOrvane.setBeaconSoundStarter(...) and setStopRequest(...).

        frmTabbedOrvane.show();
        app.exec();
    } catch (const orvane::OrvaneError& e) {
        messages.setParent(nullptr);
        messages.showError(e.what());
    }
    lock.release();
    return 0;
}
