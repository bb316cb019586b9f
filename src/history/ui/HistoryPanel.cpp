#include "history/ui/HistoryPanel.h"

#include <QComboBox>
#include <cmath>
#include <QDateEdit>
#include <QDateTime>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace orvane::history::ui {

namespace {

// The grid's cells at their smallest and as offered: room for two digits.
constexpr int kMinCellWidth = 16;

// The colours' key under the grid, in the painter's own colours.
QString legendText() {
    QString text = QStringLiteral("Share of slots heard: ");
    const auto swatch = [](const QColor& colour, const QString& words) {
        return QStringLiteral("<span style=\"background-color:%1\">&nbsp;&nbsp;&nbsp;&nbsp;</span>&nbsp;%2&nbsp;&nbsp;")
            .arg(colour.name(), words);
    };
    for (const int percent : {0, 25, 50, 75, 100}) text += swatch(shareColour(percent / 100.0), QStringLiteral("%1 %").arg(percent));
    return text + swatch(shareColour(std::nullopt), QStringLiteral("not listened for"));
}

QString utcText(std::int64_t ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

}  // namespace

// --- HistoryGrid ---------------------------------------------------------

HistoryGrid::HistoryGrid(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("historyGrid"));
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void HistoryGrid::setGrid(const BandGrid& grid, const BeaconCalls& calls, const QString& title) {
    grid_ = grid;
    calls_ = calls;
    title_ = title;
    updateGeometry();
    update();
}

// The labels grow with the grid, as the window's other text does, up to
// 1.8 times, in tenths so that a few pixels more change nothing.
QFont HistoryGrid::labelFont() const {
    const QSize hint = sizeHint();
    const double stretch = std::min(static_cast<double>(width()) / hint.width(),
                                    static_cast<double>(height()) / hint.height());
    const double scale = std::clamp(std::floor(stretch * 10.0) / 10.0, 1.0, 1.8);
    QFont grown = font();
    if (grown.pixelSize() > 0) grown.setPixelSize(static_cast<int>(std::lround(grown.pixelSize() * scale)));
    else grown.setPointSizeF(grown.pointSizeF() * scale);
    return grown;
}

GridMargins HistoryGrid::margins() const { return marginsFor(labelFont()); }

GridMargins HistoryGrid::marginsFor(const QFont& labels) const {
    const QFontMetrics fm(labels);
    int callWidth = 0;
    for (const QString& call : calls_) callWidth = std::max(callWidth, fm.horizontalAdvance(call));
    GridMargins m;
    m.left = callWidth + 12;
    // The title's line, then the hours' line.
    m.top = 2 * fm.height() + 8;
    m.right = fm.horizontalAdvance(QStringLiteral("00")) / 2 + 4;
    m.bottom = 4;
    return m;
}

GridGeometry HistoryGrid::geometryNow() const { return gridGeometry(QRectF(rect()), margins()); }

QString HistoryGrid::hintAt(QPoint point) const {
    const auto cell = geometryNow().cellAt(QPointF(point));
    if (!cell) return {};
    return cellHint(grid_, cell->first, cell->second, calls_[static_cast<std::size_t>(cell->first)]);
}

QSize HistoryGrid::minimumSizeHint() const {
    const QFontMetrics fm(font());
    const GridMargins m = marginsFor(font());
    const int cellWidth = std::max(kMinCellWidth, fm.horizontalAdvance(QStringLiteral("00")) + 2);
    const int cellHeight = std::max(8, fm.height() / 2);
    return QSize(static_cast<int>(m.left + m.right) + 24 * cellWidth,
                 static_cast<int>(m.top + m.bottom) + beacons::kBeaconListCount * cellHeight);
}

QSize HistoryGrid::sizeHint() const {
    const QFontMetrics fm(font());
    const GridMargins m = marginsFor(font());
    const int cellWidth = std::max(kMinCellWidth, fm.horizontalAdvance(QStringLiteral("00")) + 6);
    return QSize(static_cast<int>(m.left + m.right) + 24 * cellWidth,
                 static_cast<int>(m.top + m.bottom) + beacons::kBeaconListCount * (fm.height() + 2));
}

void HistoryGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFont labels = labelFont();
    p.setFont(labels);
    paintBandGrid(p, QRectF(rect()), marginsFor(labels), grid_, calls_, title_);
}

void HistoryGrid::mouseMoveEvent(QMouseEvent* event) { emit hovered(hintAt(event->position().toPoint())); }

void HistoryGrid::leaveEvent(QEvent*) { emit hovered(QString()); }

bool HistoryGrid::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString hint = hintAt(help->pos());
        if (hint.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(help->globalPos(), hint, this);
        return true;
    }
    return QWidget::event(event);
}

// --- HistoryPanel --------------------------------------------------------

HistoryPanel::HistoryPanel(Clock& clock, QString url, QString ownReceiver, const BeaconCalls& calls, int band,
                           QWidget* parent)
    : QWidget(parent), clock_(clock), url_(std::move(url)), ownReceiver_(std::move(ownReceiver)), calls_(calls) {
    setObjectName(QStringLiteral("historyPanel"));
    band_ = new QComboBox(this);
    band_->setObjectName(QStringLiteral("cbHistoryBand"));
    for (int b = 0; b < beacons::kBandCount; ++b) band_->addItem(bandText(b));
    band_->setCurrentIndex(std::clamp(band, 0, beacons::kBandCount - 1));
    period_ = new QComboBox(this);
    period_->setObjectName(QStringLiteral("cbHistoryPeriod"));
    for (const char* name : kHistoryPeriodNames) period_->addItem(QString::fromUtf8(name));
    period_->setCurrentIndex(static_cast<int>(HistoryPeriod::Week));
    const QDate today = QDateTime::fromMSecsSinceEpoch(clock_.nowUtcMs(), Qt::UTC).date();
    from_ = new QDateEdit(today.addDays(-6), this);
    from_->setObjectName(QStringLiteral("deHistoryFrom"));
    to_ = new QDateEdit(today, this);
    to_->setObjectName(QStringLiteral("deHistoryTo"));
    for (QDateEdit* edit : {from_, to_}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setCalendarPopup(true);
        edit->setEnabled(false);
    }
    receiverBox_ = new QComboBox(this);
    receiverBox_->setObjectName(QStringLiteral("cbHistoryReceiver"));
    receiverBox_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    refresh_ = new QPushButton(QStringLiteral("Refresh"), this);
    refresh_->setObjectName(QStringLiteral("btHistoryRefresh"));
    grid_ = new HistoryGrid(this);
    best_ = new QListWidget(this);
    best_->setObjectName(QStringLiteral("lbBestHours"));
    best_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    auto* legend = new QLabel(legendText(), this);
    legend->setObjectName(QStringLiteral("lbHistoryLegend"));
    legend->setTextFormat(Qt::RichText);
    // On white, as the grid: the light grey of "not listened for" shows.
    legend->setStyleSheet(QStringLiteral("QLabel { background-color: white; padding: 2px; }"));
    hint_ = new QLabel(this);
    hint_->setObjectName(QStringLiteral("lbHistoryHint"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lbHistoryStatus"));
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* choice = new QGridLayout;
    choice->addWidget(new QLabel(QStringLiteral("Band:"), this), 0, 0);
    choice->addWidget(band_, 0, 1);
    choice->addWidget(new QLabel(QStringLiteral("Receiver:"), this), 0, 2);
    choice->addWidget(receiverBox_, 0, 3, 1, 3);
    choice->addWidget(new QLabel(QStringLiteral("Period:"), this), 1, 0);
    choice->addWidget(period_, 1, 1);
    choice->addWidget(new QLabel(QStringLiteral("From:"), this), 1, 2);
    choice->addWidget(from_, 1, 3);
    choice->addWidget(new QLabel(QStringLiteral("to:"), this), 1, 4);
    choice->addWidget(to_, 1, 5);
    choice->addWidget(refresh_, 1, 6);
    choice->setColumnStretch(7, 1);
    auto* bestColumn = new QVBoxLayout;
    auto* bestTitle = new QLabel(QStringLiteral("Best hours (UTC, share of slots heard):"), this);
    bestColumn->addWidget(bestTitle);
    bestColumn->addWidget(best_, 1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(grid_, 3);
    middle->addLayout(bestColumn, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addLayout(middle, 1);
    layout->addWidget(legend);
    layout->addWidget(hint_);
    layout->addWidget(status_);

    connect(band_, &QComboBox::currentIndexChanged, this, [this] { showBand(); });
    connect(period_, &QComboBox::currentIndexChanged, this, [this](int index) {
        const bool range = index == static_cast<int>(HistoryPeriod::Range);
        from_->setEnabled(range);
        to_->setEnabled(range);
        refresh();
    });
    connect(from_, &QDateEdit::dateChanged, this, [this] { refresh(); });
    connect(to_, &QDateEdit::dateChanged, this, [this] { refresh(); });
    connect(receiverBox_, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling_) refresh();
    });
    connect(refresh_, &QPushButton::clicked, this, &HistoryPanel::refresh);
    connect(grid_, &HistoryGrid::hovered, hint_, &QLabel::setText);
    // This station first when it has stored anything, else all receivers.
    receiverBox_->addItem(QStringLiteral("All receivers"), QString());
    if (!ownReceiver_.isEmpty()) {
        receiverBox_->addItem(ownReceiver_ + QStringLiteral(" (this station)"), ownReceiver_);
        receiverBox_->setCurrentIndex(1);
    }
    showBand();
}

// A reading still running is waited for, so that the database is closed
// when the window goes; its word to this panel is dropped with the panel.
HistoryPanel::~HistoryPanel() {
    if (reader_.joinable()) reader_.join();
}

// The reading thread ends right after its word; joining it hands its
// reading over.
void HistoryPanel::readingDone() {
    reader_.join();
    readingRunning_ = false;
    if (pending_) {
        // The choice changed while reading: this reading is stale.
        pending_ = false;
        startReading();
        return;
    }
    reading_ = std::move(read_);
    read_ = HistoryReading();
    showReading();
}

void HistoryPanel::setBand(int band) { band_->setCurrentIndex(band); }
int HistoryPanel::band() const { return band_->currentIndex(); }
void HistoryPanel::setPeriod(HistoryPeriod period) { period_->setCurrentIndex(static_cast<int>(period)); }

void HistoryPanel::setRange(QDate first, QDate last) {
    const QSignalBlocker blockFrom(from_), blockTo(to_);
    from_->setDate(first);
    to_->setDate(last);
    if (period_->currentIndex() == static_cast<int>(HistoryPeriod::Range)) refresh();
    else setPeriod(HistoryPeriod::Range);
}

QString HistoryPanel::receiver() const { return receiverBox_->currentData().toString(); }

void HistoryPanel::setCalls(const BeaconCalls& calls) {
    calls_ = calls;
    showBand();
}

QString HistoryPanel::statusText() const { return status_->text(); }
QString HistoryPanel::hintText() const { return hint_->text(); }

void HistoryPanel::refresh() {
    if (readingRunning_) {
        pending_ = true;
        return;
    }
    startReading();
}

void HistoryPanel::startReading() {
    const auto period = static_cast<HistoryPeriod>(period_->currentIndex());
    bounds_ = periodBounds(period, clock_.nowUtcMs(), from_->date(), to_->date());
    HistoryQuery query;
    query.fromMs = bounds_.fromMs;
    query.toMs = bounds_.toMs;
    query.receiver = receiver();
    status_->setText(QStringLiteral("Reading the history..."));
    if (reader_.joinable()) reader_.join();
    readingRunning_ = true;
    reader_ = std::thread([this, url = url_, query] {
        try {
            read_ = readHistory(url, query);
        } catch (const std::exception& e) {
            read_ = HistoryReading();
            read_.problem = QString::fromLocal8Bit(e.what());
        }
        QMetaObject::invokeMethod(this, "readingDone", Qt::QueuedConnection);
    });
}

void HistoryPanel::fillReceivers() {
    // The list as the database has it, the choice kept where it can be.
    filling_ = true;
    receiverBox_->clear();
    receiverBox_->addItem(QStringLiteral("All receivers"), QString());
    for (const Receiver& r : reading_.receivers) {
        QString text = r.name;
        if (!r.locator.isEmpty()) text += QStringLiteral(" (%1)").arg(r.locator);
        if (r.name == ownReceiver_) text += QStringLiteral(", this station");
        receiverBox_->addItem(text, r.name);
    }
    receiverBox_->setCurrentIndex(std::max(0, receiverBox_->findData(reading_.receiver)));
    filling_ = false;
}

void HistoryPanel::showReading() {
    if (!reading_.problem.isEmpty()) {
        status_->setText(reading_.problem);
    } else {
        fillReceivers();
        std::int64_t listened = 0, heard = 0;
        for (const HourCell& c : reading_.cells) {
            listened += c.listened;
            heard += c.heard;
        }
        const QString who = reading_.receiver.isEmpty() ? QStringLiteral("all receivers") : reading_.receiver;
        const QString when = QStringLiteral("%1 to %2 UTC").arg(utcText(bounds_.fromMs), utcText(bounds_.toMs));
        if (reading_.receivers.empty())
            status_->setText(QStringLiteral("The history holds no slots yet (%1): it fills while listening.").arg(url_));
        else if (listened == 0)
            status_->setText(QStringLiteral("No slots listened for from %1, %2.").arg(when, who));
        else
            status_->setText(QStringLiteral("%1, %2: %3 slots listened for, %4 heard.")
                                 .arg(when, who)
                                 .arg(listened)
                                 .arg(heard));
        if (reading_.readOnlyReason) status_->setText(status_->text() + QLatin1Char(' ') + *reading_.readOnlyReason);
    }
    showBand();
    emit shown();
}

void HistoryPanel::showBand() {
    const int band = band_->currentIndex();
    const BandGrid grid = bandGrid(reading_.cells, band);
    grid_->setGrid(grid, calls_, bandText(band));
    best_->clear();
    for (const BestHours& best : bestHoursOfBand(grid))
        best_->addItem(bestHoursText(band, calls_[static_cast<std::size_t>(best.beacon)], best));
    if (best_->count() == 0 && !grid.empty())
        best_->addItem(QStringLiteral("No beacon heard on %1 in this period").arg(bandText(band)));
    hint_->clear();
}

}  // namespace orvane::history::ui
