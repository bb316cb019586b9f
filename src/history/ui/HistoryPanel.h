#pragma once

#include <QString>
#include <QWidget>
#include <optional>
#include <thread>

#include "common/Clock.h"
#include "history/HistoryView.h"
#include "history/plot/HistoryPlot.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QListWidget;
class QPushButton;

namespace orvane::history::ui {

// Responsibilities: one band's grid of openings as a widget: painted by
// paintBandGrid with room for the labels in the widget's own font; the
// cell under the mouse gives its hint (tooltip and hovered()).
class HistoryGrid final : public QWidget {
    Q_OBJECT
public:
    explicit HistoryGrid(QWidget* parent = nullptr);

    void setGrid(const BandGrid& grid, const BeaconCalls& calls, const QString& title);
    const BandGrid& grid() const { return grid_; }
    GridGeometry geometryNow() const;
    // The labels' font: the widget's, grown with the grid.
    QFont labelFont() const;
    GridMargins margins() const;
    // The hint of the cell under a point (widget coordinates); empty outside.
    QString hintAt(QPoint point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void hovered(const QString& hint);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    GridMargins marginsFor(const QFont& labels) const;

    BandGrid grid_;
    BeaconCalls calls_;
    QString title_;
};

// Responsibilities: the History window's page: per band, the 18 beacons by
// the 24 UTC hours over the period chosen (the last day, week, month, year
// or whole UTC days from one date to another), each cell coloured by the
// share of slots heard, its hint saying heard of listened and the best
// first-dash SNR; beside it the best hours of each beacon heard; the
// receiver: this station's, any other the database holds, or all together.
// The database is read on a worker thread (it opens its own connection), so
// the window stays live however large the history; a reading overtaken by
// a newer choice is dropped. A missing database, an empty one and one that
// cannot be read are said in words in the panel.
//
// Collaborations: the clock (the end of the period), the database's URL and
// this station's receiver name from the settings.
class HistoryPanel final : public QWidget {
    Q_OBJECT
public:
    HistoryPanel(Clock& clock, QString url, QString ownReceiver, const BeaconCalls& calls, int band,
                 QWidget* parent = nullptr);
    ~HistoryPanel() override;

    // Reads the database again for the choice shown (the period's end moves
    // with the clock).
    void refresh();
    void setBand(int band);
    int band() const;
    void setPeriod(HistoryPeriod period);
    void setRange(QDate first, QDate last);
    // The receiver chosen: a name, or empty for all.
    QString receiver() const;
    void setCalls(const BeaconCalls& calls);

    bool reading() const { return readingRunning_ || pending_; }
    const QString& url() const { return url_; }
    const HistoryReading& lastReading() const { return reading_; }
    HistoryGrid* grid() const { return grid_; }
    QComboBox* bandBox() const { return band_; }
    QComboBox* periodBox() const { return period_; }
    QComboBox* receiverBox() const { return receiverBox_; }
    QListWidget* bestList() const { return best_; }
    QString statusText() const;
    QString hintText() const;

signals:
    // A reading has been shown (or its failure said).
    void shown();

private slots:
    // The reading thread ended with its reading.
    void readingDone();

private:
    void startReading();
    void showReading();
    void showBand();
    void fillReceivers();

    Clock& clock_;
    QString url_;
    QString ownReceiver_;
    BeaconCalls calls_;
    // The database is read on a thread of its own; what it read is taken
    // only after joining it.
    std::thread reader_;
    bool readingRunning_ = false;
    HistoryReading read_;
    HistoryReading reading_;
    PeriodBounds bounds_;
    bool pending_ = false;  // a newer choice waits for the running reading
    QComboBox* band_ = nullptr;
    QComboBox* period_ = nullptr;
    QDateEdit* from_ = nullptr;
    QDateEdit* to_ = nullptr;
    QComboBox* receiverBox_ = nullptr;
    QPushButton* refresh_ = nullptr;
    HistoryGrid* grid_ = nullptr;
    QListWidget* best_ = nullptr;
    QLabel* hint_ = nullptr;
    QLabel* status_ = nullptr;
    bool filling_ = false;
};

}  // namespace orvane::history::ui
