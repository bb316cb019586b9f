// orvane: the program's entry. One copy per user; three windows that live for
// the whole run, created in this order: the main window, the report retrieval
// dialog, the beacon simulation dialog.
#include <QApplication>
#include <QDir>
#include <QPointer>

#include "app/AboutInfo.h"
#include "app/BeaconSound.h"
#include "app/Orvane_maina.h"
#include "spaceweather/ui/SpaceWeatherDisplay.h"
#include "app/QtMessageService.h"
#include "app/SingleInstanceLock.h"
#include "app/TerminationSignals.h"
#include "app/help/ContextHelp.h"
#include "app/help/QtHelpService.h"
#include "common/AppPaths.h"
#include "common/AtomicFile.h"
#include "common/Clock.h"
#include "common/OrvaneError.h"
#include "reports/ReportServer.h"
#include "reports/ui/Setupftp.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    orvane::app::nameApplication();
    orvane::app::QtMessageService messages;

    // Logout, shutdown or Ctrl+C close the main window the orderly way, so
    // the beacon table and the settings are saved. Installed before the lock
    // is taken; a signal that comes during start-up is acted on once the
    // event loop runs, when the window exists.
    QPointer<QWidget> mainWindow;
    const orvane::app::TerminationSignals terminationSignals([&mainWindow] {
        // A modal dialog (calendar, setup) would keep its own loop running.
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        if (mainWindow) mainWindow->close();
    });

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
        // A save killed between writing and renaming leaves its temporary
        // beside the file; with the lock held no save of ours is running.
        orvane::removeStaleTemporaries({paths.iniFileName(), paths.beaconFileName(),
                                        QDir::current().absoluteFilePath(QStringLiteral("Hosts.txt"))});

        orvane::app::TfrmTabbedOrvane frmTabbedOrvane(clock, messages, &help, paths);
        messages.setParent(&frmTabbedOrvane);

        // frmSolarFtpSetup: the report retrieval dialog, hidden until asked
        // for. It goes down before the main window, whose report settings
        // and Propagation page it uses to the last (the settings are written
        // when it is destroyed).
        orvane::reports::TfrmSolarFtpSetup frmSolarFtpSetup(
            frmTabbedOrvane.propSettings(), orvane::IniFile(paths.iniFileName()),
            orvane::reports::reportServerFromEnvironment(), frmTabbedOrvane.reportsPage(),
            [&frmTabbedOrvane](int panel, const QString& text) { frmTabbedOrvane.setStatusPanelText(panel, text); },
            messages, &frmTabbedOrvane);
        frmTabbedOrvane.setReportActions(
            [&frmSolarFtpSetup] {
                frmSolarFtpSetup.show();
                frmSolarFtpSetup.raise();
                frmSolarFtpSetup.activateWindow();
            },
            [&frmSolarFtpSetup] { frmSolarFtpSetup.btnGetLatestClick(); });

        // frmBeaconSetup: the simulation dialog and MIDI player, hidden until
        // asked for. Destroyed first: it ends every sound thread before its
        // output closes.
        const auto frmBeaconSetup = orvane::app::createBeaconSetup(frmTabbedOrvane, messages);

        mainWindow = &frmTabbedOrvane;
        frmTabbedOrvane.show();
        // NOAA's JSON products (K index, scales, X-rays, protons) at their intervals.
        frmTabbedOrvane.spaceWeather().start(true);
        app.exec();
        orvane::app::destroyBeaconSetup(frmTabbedOrvane, *frmBeaconSetup, messages);
    } catch (const orvane::OrvaneError& e) {
        messages.setParent(nullptr);
        messages.showError(e.what());
    }
    lock.release();
    return 0;
}
