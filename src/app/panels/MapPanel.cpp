// The map of the Map tab: the grey-line picture, the beacon labels and the
// band choice. The geometry and the pictures are plain classes of src/map;
// this panel only connects them to its controls.
#include "app/panels/MapPanel.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QtMath>
#include <algorithm>
#include <cmath>

#include "app/PopupHints.h"
#include "app/help/ContextHelp.h"
#include "app/help/HelpContexts.h"
#include "app/widgets/MapImage.h"
#include "app/widgets/RadioGroup.h"
#include "app/widgets/TextGrowth.h"
#include "beacons/Schedule.h"
#include "beacons/SlotTracker.h"
#include "common/TimeTypes.h"

namespace orvane::app {
namespace {

// Design places on the panel, which begins below the time panel of the tab.
constexpr QRect kMapBevel{16, 1, 521, 244};
constexpr QRect kMapPanel{37, 3, 480, 240};
constexpr QRect kFreqPanel{0, 245, 555, 46};
// Room the design leaves around the map: the bevel's margins, and the band
// choice below.
constexpr int kMapMarginX = kMapPanel.left() + (kFreqPanel.width() - kMapPanel.right() - 1);  // 75
constexpr int kMapMarginTop = kMapPanel.top();
constexpr int kMapMarginBottom = kFreqPanel.top() - kMapPanel.bottom() - 1;  // 2
constexpr int kLabelFontPixels = 11;  // "MS Sans Serif" 8 pt
constexpr int kMarkerSize = 9;
// How long the map keeps one size before the fine picture is let go.
constexpr int kFinePictureKeptMs = 10'000;

// The user's station: a red dot ringed in white, visible on sea, land and
// the night shade alike.
class StationMarker final : public QWidget {
public:
    explicit StationMarker(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("stationMarker"));
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, std::max(1.0, width() / 6.0)));
        p.setBrush(QColor(220, 0, 0));
        const double inset = std::max(1.0, width() / 10.0);
        p.drawEllipse(QRectF(rect()).adjusted(inset, inset, -inset, -inset));
    }
};

const QColor kAqua(0, 255, 255);
const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);

QColor roleColour(const QWidget* w, beacons::TextRole role) {
    switch (role) {
        case beacons::TextRole::WindowText: return w->palette().color(QPalette::Active, QPalette::WindowText);
        case beacons::TextRole::InactiveCaption: {
            // The desktop's colour of text not in force, darkened where the
            // theme makes it too faint to read on aqua or yellow.
            const QColor c = w->palette().color(QPalette::Disabled, QPalette::WindowText);
            return c.lightness() > 140 ? QColor(128, 128, 128) : c;
        }
        case beacons::TextRole::Red: return kRed;
    }
    return kRed;
}

void setTextColour(QLabel* label, beacons::TextRole role) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, roleColour(label->parentWidget(), role));
    label->setPalette(pal);
}

// Shows the busy cursor for the lifetime of the guard, also when the work
// in between throws.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

double devicePixelRatioOf(const QWidget* w) { return w ? w->devicePixelRatioF() : 1.0; }

}  // namespace

MapPanel::MapPanel(Clock& clock, QWidget* parent) : QWidget(parent), clock_(clock) {
    BuildControls();
    releaseFinePicture_.setSingleShot(true);
    releaseFinePicture_.setInterval(kFinePictureKeptMs);
    connect(&releaseFinePicture_, &QTimer::timeout, this, [this] { mapPictures_.releaseFinePicture(); });
}

// The map is drawn at once from the classic picture; the fine one that
// every other size is resampled from takes tens of milliseconds to decode,
// so a thread of its own decodes it and the stand-in is replaced when it is
// there. The decode starts once the map has reached the screen: while the
// window is being built it would only take the processor from it. The
// thread ends right after its word to this panel; joining it hands its
// picture over. A word still on its way when the panel goes is dropped with
// the panel.
void MapPanel::loadFineMapAside() {
    if (!mapPainted_) {
        fineWanted_ = true;
        return;
    }
    if (fineLoading_) return;
    if (fineLoader_.joinable()) fineLoader_.join();
    fineLoading_ = true;
    fineLoaded_ = {mapPictures_.source(), QImage()};
    fineLoader_ = std::thread([this] {
        fineLoaded_.picture = map::MapPictures::LoadFinePicture(fineLoaded_.source);
        QMetaObject::invokeMethod(this, "fineMapLoaded", Qt::QueuedConnection);
    });
}

MapPanel::~MapPanel() {
    if (fineLoader_.joinable()) fineLoader_.join();
}

void MapPanel::fineMapLoaded() {
    fineLoader_.join();
    fineLoading_ = false;
    // Loaded for the base map of its time: a changed choice is asked again.
    mapPictures_.adoptFinePicture(fineLoaded_.source, std::move(fineLoaded_.picture));
    fineLoaded_.picture = QImage();
    if (!mapPictures_.litIsStandIn()) return;
    if (!mapPictures_.holdsFinePicture()) {
        loadFineMapAside();
        return;
    }
    RebuildMap();
    emit fineMapShown();
}

void MapPanel::BuildControls() {
    bvlMap = new QFrame(this);
    bvlMap->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bvlMap->setGeometry(kMapBevel);
    pnlMap = new QWidget(this);
    pnlMap->setGeometry(kMapPanel);
    ImageDisplay = new MapImage(pnlMap);
    connect(
        ImageDisplay, &MapImage::firstPainted, this,
        [this] {
            mapPainted_ = true;
            if (fineWanted_ && mapPictures_.litIsStandIn()) loadFineMapAside();
        },
        Qt::QueuedConnection);
    ImageDisplay->setGeometry(0, 0, kMapPanel.width(), kMapPanel.height());
    setHint(ImageDisplay, QStringLiteral("Right click for menu"));

    QFont labelFont = font();
    labelFont.setPixelSize(kLabelFontPixels);
    for (std::size_t i = 0; i < lblSlot.size(); ++i) {
        const beacons::Station& st = beacons::kStations[i];
        auto* l = new QLabel(QString::fromLatin1(st.labelCaption.data(), static_cast<qsizetype>(st.labelCaption.size())), pnlMap);
        l->setObjectName(QStringLiteral("lblSlot%1").arg(st.slotNumber));
        l->setFont(labelFont);
        l->setAutoFillBackground(true);
        l->setContentsMargins(1, 0, 1, 0);
        // No indent when framed (a framed label would move its text right by
        // half an "x" and push the last letter under the frame).
        l->setIndent(0);
        // The hint comes from the run's station table (SetBeaconTexts).
        l->setProperty(kAlwaysShowHintProperty, true);  // whatever the pop-up hint setting
        lblSlot[i] = l;
        applyLabelLook(l, false, true);
    }
    lblBeaconSlot = new QLabel(QStringLiteral("Slot: 00"), pnlMap);
    QFont bold = labelFont;
    bold.setBold(true);
    lblBeaconSlot->setFont(bold);
    lblBeaconSlot->setAutoFillBackground(true);
    QPalette pal = lblBeaconSlot->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    lblBeaconSlot->setPalette(pal);
    lblBeaconSlot->setContentsMargins(1, 0, 1, 0);
    setHint(lblBeaconSlot, QStringLiteral("The current beacon station"));

    stationMarker_ = new StationMarker(pnlMap);
    stationMarker_->setProperty(kAlwaysShowHintProperty, true);
    stationMarker_->hide();

    rgFrequency = addBandPanel(this, kFreqPanel);
    help::setHelpContext(rgFrequency, help::ctx::kFrequency);
    connect(rgFrequency, &RadioGroup::clicked, this, &MapPanel::bandClicked);
    LayoutMap();
}

// ---- Layout ------------------------------------------------------------------------

// The classic panel (555 x 291) gives scale 1 and the design's places. A
// larger panel grows the map in whole pixels keeping 2:1, centred, with the
// band choice centred below; in the map-only view the map takes the whole
// panel. Labels keep their sites: the caret's corner is scaled, the label
// itself grows less (a readable size, not a poster).
void MapPanel::LayoutMap() {
    const QSize room = size().isValid() && !size().isEmpty() ? size() : QSize(kFreqPanel.width(), kFreqPanel.bottom() + 1);
    const int roomW = MapOnlyOn ? room.width() : room.width() - kMapMarginX;
    const QSize bands = growBandPanel(rgFrequency, textScale_);
    const int roomH = MapOnlyOn ? room.height() : room.height() - kMapMarginTop - kMapMarginBottom - bands.height();
    const int mapW = std::max(kMapPanel.width(), std::min(roomW, 2 * roomH) & ~1);
    const int mapH = mapW / 2;
    scale_ = static_cast<double>(mapW) / kMapPanel.width();

    QRect map;
    if (MapOnlyOn) {
        map = QRect((room.width() - mapW) / 2, std::max(0, (room.height() - mapH) / 2), mapW, mapH);
    } else {
        map = QRect(kMapPanel.left() + (room.width() - kFreqPanel.width() - (mapW - kMapPanel.width())) / 2,
                    kMapMarginTop, mapW, mapH);
        if (mapW == kMapPanel.width()) map.moveLeft(kMapPanel.left());
    }
    pnlMap->setGeometry(map);
    ImageDisplay->setGeometry(0, 0, mapW, mapH);
    bvlMap->setGeometry(map.adjusted(kMapBevel.left() - kMapPanel.left(), kMapBevel.top() - kMapPanel.top(),
                                     kMapBevel.right() - kMapPanel.right(), kMapBevel.bottom() - kMapPanel.bottom()));
    bvlMap->setVisible(!MapOnlyOn);
    // The band choice sits on its own panel (pnlFrequency), moved as a whole.
    QWidget* pnlFrequency = rgFrequency->parentWidget();
    pnlFrequency->setGeometry(std::max(0, (room.width() - bands.width()) / 2), map.bottom() + 1 + kMapMarginBottom,
                              bands.width(), bands.height());
    pnlFrequency->setVisible(!MapOnlyOn);

    LayoutLabels();
    const double labelScale = std::min(scale_, kMaxLabelScale);
    const int labelHeight = qRound(beacons::kLabelHeight * labelScale);
    QFont slotFont = lblBeaconSlot->font();
    slotFont.setPixelSize(qRound(kLabelFontPixels * labelScale));
    lblBeaconSlot->setFont(slotFont);
    lblBeaconSlot->setMinimumSize(qRound(45 * labelScale), labelHeight);
    lblBeaconSlot->adjustSize();
    lblBeaconSlot->move(qRound(5 * scale_), mapH - qRound((kMapPanel.height() - 221) * scale_));
    PlaceStationMarker();
    ProjectPath();
}

void MapPanel::setTextScale(double scale) {
    if (scale == textScale_) return;
    textScale_ = scale;
    LayoutMap();
    if (FirstResizeSeen && MapPixelSize() != mapSize_) RebuildMap();
}

// Each label is sized for its call in bold, the look of the current beacon,
// inside whatever it has round the text (margins and, once heard, the frame),
// so no letter or caret is cut off in any state. The caret marks the site:
// that side stays where the design puts it, however wide the desktop's font.
void MapPanel::LayoutLabels() {
    const double labelScale = std::min(scale_, kMaxLabelScale);
    const int labelHeight = qRound(beacons::kLabelHeight * labelScale);
    const map::MapGeometry design{kMapPanel.width(), kMapPanel.height()};
    for (std::size_t i = 0; i < lblSlot.size(); ++i) {
        QLabel* l = lblSlot[i];
        const beacons::Station& st = beacons::kStations[i];
        QFont f = l->font();
        f.setPixelSize(qRound(kLabelFontPixels * labelScale));
        l->setFont(f);
        QFont bold = f;
        bold.setBold(true);
        const QFontMetricsF metrics(bold);
        const QMargins round = l->contentsMargins();  // a frame's width included
        // The advance, or the ink where a glyph overhangs it.
        const int text = std::max(qCeil(metrics.horizontalAdvance(l->text())),
                                  QFontMetrics(bold).boundingRect(l->text()).width());
        const int width = std::max(qRound(st.width * labelScale), text + round.left() + round.right());
        const int height = std::max(labelHeight, qCeil(metrics.height()) + round.top() + round.bottom());
        // A moved site: the caret's corner on the new place of the design map.
        const auto& moved = labelSites_[i];
        const double siteX = moved ? design.columnOf(moved->lonDeg) : (st.caretLeft() ? st.left : st.left + st.width);
        const double siteY = moved ? design.rowOf(moved->latDeg) : st.top;
        const int site = qRound(siteX * scale_);
        l->setGeometry(st.caretLeft() ? site : site - width, qRound(siteY * scale_), width, height);
    }
}

QRect MapPanel::mapRect() const { return pnlMap->geometry(); }

void MapPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutMap();
    // The window's resize rebuilds too; only a panel that changed size on
    // its own (the map-only view) needs it here.
    if (FirstResizeSeen && MapPixelSize() != mapSize_) RebuildMap();
}

void MapPanel::SetMapOnly(bool on) {
    MapOnlyOn = on;
    LayoutMap();
    if (FirstResizeSeen && MapPixelSize() != mapSize_) RebuildMap();
}

// ---- The user's station ------------------------------------------------------------

bool MapPanel::SetStation(const QString& locator) {
    if (locator.trimmed().isEmpty()) {
        station_.reset();
    } else {
        auto parsed = map::ParseLocator(locator.toStdString());
        if (!parsed) return false;
        station_ = std::move(parsed);
    }
    stationHintDay_ = -1;
    PlaceStationMarker();
    UpdateStationHint();
    ProjectPath();
    emit stationChanged();
    return true;
}

std::optional<geo::LonLat> MapPanel::stationPlace() const {
    if (!station_) return std::nullopt;
    return geo::LonLat{station_->lonDeg, station_->latDeg};
}

void MapPanel::SetBeaconTexts(const BeaconTexts& captions, const BeaconTexts& hints, const BeaconTexts& hintExtras) {
    for (std::size_t i = 0; i < lblSlot.size(); ++i) {
        lblSlot[i]->setText(captions[i]);
        baseHints_[i] = hints[i];
        setHint(lblSlot[i], hintExtras[i].isEmpty() ? hints[i] : hints[i] + QLatin1Char('\n') + hintExtras[i]);
    }
    LayoutMap();
}

void MapPanel::SetLabelSites(const std::array<std::optional<geo::LonLat>, beacons::kBeaconListCount>& sites) {
    labelSites_ = sites;
    LayoutMap();
}

void MapPanel::ShowPath(std::optional<geo::LonLat> to) {
    pathTarget_ = to;
    ProjectPath();
}

// The track in lon/lat is cut at the date line by the geodesy; here it is
// only mapped to the map's pixels.
void MapPanel::ProjectPath() {
    pathPolylines_.clear();
    if (station_ && pathTarget_) {
        const QSize mapSize = ImageDisplay->size();
        const map::MapGeometry g{mapSize.width(), mapSize.height()};
        for (const auto& piece : geo::shortPathTrack({station_->lonDeg, station_->latDeg}, *pathTarget_)) {
            QPolygonF line;
            for (const geo::LonLat& p : piece) line << QPointF(g.columnOf(p.lonDeg), g.rowOf(p.latDeg));
            pathPolylines_.push_back(line);
        }
    }
    ImageDisplay->setOverlay(pathPolylines_);
}
QString MapPanel::station() const { return station_ ? QString::fromStdString(station_->text) : QString(); }

void MapPanel::PlaceStationMarker() {
    if (!station_) {
        stationMarker_->hide();
        return;
    }
    const QSize mapSize = ImageDisplay->size();
    const map::MapGeometry g{mapSize.width(), mapSize.height()};
    const int side = qRound(kMarkerSize * std::min(scale_, kMaxLabelScale)) | 1;  // odd: a centre pixel
    stationMarker_->setGeometry(static_cast<int>(std::floor(g.columnOf(station_->lonDeg))) - side / 2,
                                static_cast<int>(std::floor(g.rowOf(station_->latDeg))) - side / 2, side, side);
    stationMarker_->show();
    stationMarker_->raise();
}

// Sunrise and sunset of the displayed UTC day; written again when the day
// changes, not on every tick.
void MapPanel::UpdateStationHint() {
    if (!station_) return;
    const std::int64_t day = floorDiv(DisplayTime, 86400);
    if (day == stationHintDay_) return;
    stationHintDay_ = day;
    const map::SunTimes times = map::SunTimesOn(station_->lonDeg, station_->latDeg, DisplayTime);
    setHint(stationMarker_, QString::fromStdString(stationHint(station_->text, times, localZone_)));
}

// ---- Grey-line map ---------------------------------------------------------------

// The map is drawn in device pixels: on a screen scaled above 96 pixels per
// inch the 480 x 240 control covers more pixels, and the relief is resampled
// to them while the control (and the beacon labels on it) keep their
// logical places.
QSize MapPanel::MapPixelSize() const {
    const double scale = devicePixelRatioOf(ImageDisplay);
    const QSize logical = ImageDisplay->size();
    return {std::max(2, qRound(logical.width() * scale)), std::max(2, qRound(logical.height() * scale))};
}

void MapPanel::PrepareBaseMap(bool monoMap) {
    const QScreen* screen = ImageDisplay->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    const bool fewColours = screen && screen->depth() < 16;
    const auto source = (fewColours || monoMap) ? map::MapPictures::Source::Outline : map::MapPictures::Source::Relief;
    if (mapPictures_.PrepareBaseMapQuick(source, MapPixelSize())) loadFineMapAside();
}

// Same size after the window is up (and no calendar): re-render with the
// terminator as it is. Otherwise the mask is cleared and the terminator
// state reset; the map shows unshaded until the next tick draws the grey line.
void MapPanel::RebuildMap() {
    LayoutMap();
    const QSize previous = mapSize_;
    mapSize_ = MapPixelSize();
    if (mapPictures_.RebuildQuick(mapSize_)) loadFineMapAside();
    releaseFinePicture_.start();
    if (FirstResizeSeen && mapSize_ == previous && !BrowsingCalendar) {
        RenderShadedMap();
        return;
    }
    QImage picture = mapPictures_.picture();
    picture.setDevicePixelRatio(devicePixelRatioOf(ImageDisplay));
    ImageDisplay->setImage(picture);
    greyLine_.InitTerminatorState(mapSize_.width(), mapSize_.height(), clock_.nowMoment(), FirstResizeSeen);
    DisplayTime = greyLine_.state().DisplayTime;
}

// The displayed moment is the clock's now, an animation step, or the moment
// the calendar set; the terminator is re-projected and moved where due, and
// the picture composed again only when the mask changed.
void MapPanel::RecomputeGreyLine() {
    greyLine_.state().DisplayTime = DisplayTime;
    const bool moved = greyLine_.Recompute(clock_.nowMoment(), BrowsingCalendar);
    DisplayTime = greyLine_.state().DisplayTime;
    UpdateStationHint();
    if (!moved) return;
    BusyCursor busy;
    RenderShadedMap();
}

void MapPanel::RenderShadedMap() {
    // Before the first drawing after a reset the mask is all night; the
    // unshaded map stays until the tick draws the terminator.
    const QSize maskSize(greyLine_.mask().width(), greyLine_.mask().height());
    if (greyLine_.state().NoonColumn >= 0 && mapPictures_.size() == maskSize) {
        if (TwilightOn)
            mapPictures_.RenderTwilight(greyLine_.twilight(), greyLine_.state().NoonColumn, NightShade);
        else
            mapPictures_.Render(greyLine_.mask(), NightShade);
    }
    QImage picture = mapPictures_.picture();
    picture.setDevicePixelRatio(devicePixelRatioOf(ImageDisplay));
    ImageDisplay->setImage(picture);
    if (SignalChangeOn) QApplication::beep();
}

void MapPanel::SetNightShade(int level) {
    NightShade = std::clamp(level, 0, map::kShadeLevels - 1);
    RenderShadedMap();
}

void MapPanel::SetTwilight(bool on) {
    TwilightOn = on;
    RenderShadedMap();
}

int MapPanel::TerminatorFlags() const { return greyLine_.state().Flags; }

void MapPanel::SetTerminatorFlags(int flags) {
    greyLine_.state().Flags = flags & (map::TerminatorState::FlagFake | map::TerminatorState::FlagAnimate);
}

bool MapPanel::ToggleTerminatorFlag(int flag) {
    greyLine_.setFlag(flag, !greyLine_.flag(flag));
    return greyLine_.flag(flag);
}

// ---- Beacon labels and band ------------------------------------------------------

void MapPanel::applyLabelLook(QLabel* label, bool current, bool ticked) {
    const beacons::LabelLook look = beacons::labelLook(current, ticked);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, look.current ? kYellow : kAqua);
    label->setPalette(pal);
    setTextColour(label, look.text);
    QFont f = label->font();
    f.setBold(look.bold);
    label->setFont(f);
}

void MapPanel::ShowCurrentBeacon(int index, bool ticked) {
    QLabel* label = lblSlot[static_cast<std::size_t>(index)];
    lblBeaconSlot->setText(QStringLiteral("Slot:") + baseHints_[static_cast<std::size_t>(index)]);
    lblBeaconSlot->adjustSize();
    // The label shown before returns to rest in the colour its tick had when
    // it became current.
    if (CurrentBeaconLabel) applyLabelLook(CurrentBeaconLabel, false, CurrentBeaconActive);
    CurrentBeaconLabel = label;
    CurrentBeaconActive = ticked;
    applyLabelLook(label, true, CurrentBeaconActive);
}

void MapPanel::ColourBeaconLabels(const std::array<bool, beacons::kBeaconListCount>& ticked) {
    // Only the text colour: the current label keeps its yellow background
    // (and bold) until the next slot.
    for (std::size_t i = 0; i < lblSlot.size(); ++i)
        setTextColour(lblSlot[i], ticked[i] ? beacons::TextRole::WindowText : beacons::TextRole::InactiveCaption);
}

void MapPanel::MarkHeardBeacons(const std::array<bool, beacons::kBeaconListCount>& heard) {
    // A frame, so the text colour (ticked or not) and the current label's
    // background keep their meaning.
    for (std::size_t i = 0; i < lblSlot.size(); ++i) {
        lblSlot[i]->setFrameStyle(heard[i] ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
        lblSlot[i]->setLineWidth(heard[i] ? 2 : 0);
    }
    LayoutLabels();  // room for the frame
}

bool MapPanel::beaconMarkedHeard(int index) const {
    return index >= 0 && index < beacons::kBeaconListCount &&
           lblSlot[static_cast<std::size_t>(index)]->frameStyle() != QFrame::NoFrame;
}

void MapPanel::setBeaconsShown(bool shown) {
    BeaconsShown = shown;
    rgFrequency->setEnabled(shown);
    lblBeaconSlot->setVisible(shown);
    for (QLabel* label : lblSlot) label->setVisible(shown);
}

int MapPanel::bandIndex() const { return rgFrequency->itemIndex(); }

void MapPanel::setBandIndex(int band) { rgFrequency->setItemIndex(band); }

}  // namespace orvane::app
