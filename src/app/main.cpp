// orvane: the program's entry. One copy per user; three windows that live for
// the whole run, created in this order: the main window, the report retrieval
// dialog, the beacon simulation dialog.
#include <QApplication>
#include <QDir>
#include <QPointer>
#include <cstdio>

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
#include "reports/ReportCatalog.h"
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
    bool signalled = false;
    const orvane::app::TerminationSignals terminationSignals([&mainWindow, &messages, &signalled] {
        if (!signalled) std::fprintf(stderr, "orvane: ending on a termination signal\n");
        signalled = true;
        // From here on no box waits for a click that will not come.
        messages.endingOnSignal();
        // A modal dialog or box (calendar, setup, an error) keeps its own
        // loop running; every one open is closed.
        for (int open = 0; open < 16; ++open) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) break;
            modal->close();
        }
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
        // Counting the MIDI outputs tries the audio output once; it runs
        // beside the building of the main window, which asks for the count.
        const auto soundCount = orvane::app::countMidiOutputsAhead(paths);
        // A save killed between writing and renaming leaves its temporary
        // beside the file; with the lock held no save of ours is running.
        QStringList ownFiles{paths.iniFileName(), paths.beaconFileName(),
                             QDir::current().absoluteFilePath(QStringLiteral("Hosts.txt"))};
        for (int report = 0; report < orvane::reports::kReportCount; ++report)
            ownFiles << QDir::current().absoluteFilePath(orvane::reports::reportFile(report));
        orvane::removeStaleTemporaries(ownFiles);

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
        // A signal during start-up (inside a box's loop, before the window
        // existed) ends the program as soon as it can close the orderly way.
        if (signalled) {
            frmTabbedOrvane.close();
        } else {
            frmTabbedOrvane.show();
            // NOAA's JSON products (K index, scales, X-rays, protons) at their intervals.
            frmTabbedOrvane.spaceWeather().start(true);
            app.exec();
        }
        orvane::app::destroyBeaconSetup(frmTabbedOrvane, *frmBeaconSetup, messages);
    } catch (const orvane::OrvaneError& e) {
        messages.setParent(nullptr);
        messages.showError(e.what());
    }
    lock.release();
    return 0;
}
