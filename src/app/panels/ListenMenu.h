#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "history/HistoryRecorder.h"
#include "listen/live/HeardRecord.h"
#include "listen/live/ListenLog.h"
#include "listen/live/ListenSettings.h"
#include "listen/live/LiveListener.h"
#include "listen/live/OpeningHistory.h"

class QAction;
class QDialog;
class QMenu;

namespace orvane::listen::ui {
class OpeningChart;
}
namespace orvane::history::ui {
class HistoryPanel;
}

namespace orvane::app {

class TfrmTabbedOrvane;

// Responsibilities: the listening items of the map menu: "Listen" (on/off:
// hear the beacons in the radio's receive audio, on the band chosen under
// the map or, while the radio follows a beacon, on that beacon's band),
// "Listen settings..." (audio input and pitch, saved in the "Listen"
// section) and "Openings chart..." (the last 24 hours per band, saved as
// PNG) and "History..." (the openings kept in the history database, by
// beacon, band and UTC hour over a period). Each result goes to the monitor's grid, the map's beacon labels, the
// chart, the status bar, a line of the CSV log beside the settings file and
// the history database (the settings' [History] section, else the default
// file; the writer's own thread writes it). A source that fails ends
// listening with the reason in the status bar; a log that cannot be written
// is said once (a message each time listening starts, not one a slot), and
// listening goes on; a database that cannot be reached or written is said in
// the status bar while it fails (the results wait for it), and listening
// goes on.
//
// Collaborations: the main window (band, follower, stations, panels, status
// bar, paths); the live listener, which does the work off the GUI thread.
class ListenMenu final : public QObject {
    Q_OBJECT
public:
    ListenMenu(TfrmTabbedOrvane& main, QMenu* menu, QAction* before);
    ~ListenMenu() override;

    // The audio source for the settings: the sound card through Qt
    // Multimedia unless replaced (tests).
    void setSourceFactory(listen::LiveListener::SourceFactory factory);
    // The settings dialog: the inputs and the settings in, the choice out
    // (nothing when cancelled). The "Listen settings" dialog with the inputs
    // the sound system offers unless replaced (tests: no inputs, the sound
    // system left alone).
    using SettingsDialog =
        std::function<std::optional<listen::ListenSettings>(const QStringList& inputs, const listen::ListenSettings&)>;
    void setSettingsDialog(SettingsDialog ask) { askSettings_ = std::move(ask); }

    QAction* listenItem() const { return mnListen; }
    QAction* settingsItem() const { return mnListenSettings; }
    QAction* chartItem() const { return mnOpeningChart; }
    QAction* historyItem() const { return mnHistory; }
    bool listening() const { return listener_->listening(); }
    const listen::HeardTable& heard() const { return heard_; }
    const listen::OpeningHistory& history() const { return history_; }
    listen::ui::OpeningChart* chart() const { return chart_; }
    // The history being written; null until listening first starts.
    history::HistoryRecorder* database() const { return database_.get(); }
    QDialog* chartWindow() const { return chartWindow_; }
    QDialog* historyWindow() const { return historyWindow_; }
    history::ui::HistoryPanel* historyPanel() const { return historyPanel_; }

    void mnListenClick();
    void mnListenSettingsClick();
    void mnOpeningChartClick();
    void mnHistoryClick();
    // What to listen for from the main window's state: the followed beacon,
    // or the band shown. Called at each slot and when listening starts.
    void updateTarget();
    // Listening ends (closing).
    void stop();

    // A result as the listener reports it (public for the tests).
    void showResult(const listen::SlotResult& result, const QString& call, const QString& input = QString());

private:
    // The map's heard frames as of the clock's moment.
    void markHeardOnMap();
    void connectListener();
    void buildChartWindow();
    void buildHistoryWindow();
    void openDatabase();

    TfrmTabbedOrvane& main_;
    std::unique_ptr<listen::LiveListener> listener_;
    listen::HeardTable heard_;
    listen::OpeningHistory history_;
    std::unique_ptr<listen::ListenLog> log_;
    std::unique_ptr<history::HistoryRecorder> database_;
    bool logFailureShown_ = false;
    QAction* mnListen = nullptr;
    QAction* mnListenSettings = nullptr;
    QAction* mnOpeningChart = nullptr;
    QAction* mnHistory = nullptr;
    QDialog* chartWindow_ = nullptr;
    listen::ui::OpeningChart* chart_ = nullptr;
    QDialog* historyWindow_ = nullptr;
    history::ui::HistoryPanel* historyPanel_ = nullptr;
    SettingsDialog askSettings_;
};

}  // namespace orvane::app
