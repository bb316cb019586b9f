// The map of the Map tab: the grey-line picture, the beacon labels and the
// band choice. The geometry and the pictures are plain classes of src/map;
// this panel only connects them to its controls.
#include "app/panels/MapPanel.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <algorithm>

#include "app/PopupHints.h"
#include "app/help/ContextHelp.h"
#include "app/help/HelpContexts.h"
#include "app/widgets/MapImage.h"
#include "app/widgets/RadioGroup.h"
#include "beacons/Schedule.h"
#include "beacons/SlotTracker.h"

namespace orvane::app {
namespace {

// Design places on the panel, which begins below the time panel of the tab.
constexpr QRect kMapBevel{16, 1, 521, 244};
constexpr QRect kMapPanel{37, 3, 480, 240};
constexpr QRect kFreqPanel{0, 245, 555, 46};

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

MapPanel::MapPanel(Clock& clock, QWidget* parent) : QWidget(parent), clock_(clock) { BuildControls(); }

void MapPanel::BuildControls() {
    auto* bvlMap = new QFrame(this);
    bvlMap->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bvlMap->setGeometry(kMapBevel);
    pnlMap = new QWidget(this);
    pnlMap->setGeometry(kMapPanel);
    ImageDisplay = new MapImage(pnlMap);
    ImageDisplay->setGeometry(0, 0, kMapPanel.width(), kMapPanel.height());
    setHint(ImageDisplay, QStringLiteral("Right click for menu"));

    QFont labelFont = font();
    labelFont.setPixelSize(11);  // "MS Sans Serif" 8 pt
    for (std::size_t i = 0; i < lblSlot.size(); ++i) {
        const beacons::Station& st = beacons::kStations[i];
        auto* l = new QLabel(QString::fromLatin1(st.labelCaption.data(), static_cast<qsizetype>(st.labelCaption.size())), pnlMap);
        l->setObjectName(QStringLiteral("lblSlot%1").arg(st.slotNumber));
        l->setFont(labelFont);
        l->setAutoFillBackground(true);
        l->setContentsMargins(1, 0, 1, 0);
        setHint(l, QString::fromLatin1(st.labelHint.data(), static_cast<qsizetype>(st.labelHint.size())));
        // Sized for the call in bold, the look of the current beacon, so no
        // letter or caret is cut off when it is highlighted. The caret marks
        // the site: keep that side where the design puts it even when the
        // desktop's font is wider than the design's.
        QFont bold = labelFont;
        bold.setBold(true);
        l->setFont(bold);
        const int width = std::max(st.width, l->sizeHint().width());
        l->setFont(labelFont);
        const int left = st.labelCaption.front() == '^' ? st.left : st.left + st.width - width;
        l->setGeometry(left, st.top, width, beacons::kLabelHeight);
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
    lblBeaconSlot->move(5, 221);
    lblBeaconSlot->setMinimumSize(45, beacons::kLabelHeight);
    lblBeaconSlot->adjustSize();
    setHint(lblBeaconSlot, QStringLiteral("The current beacon station"));

    rgFrequency = addBandPanel(this, kFreqPanel);
    help::setHelpContext(rgFrequency, help::ctx::kFrequency);
    connect(rgFrequency, &RadioGroup::clicked, this, &MapPanel::bandClicked);
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
    mapPictures_.PrepareBaseMap(source, MapPixelSize());
}

// Same size after the window is up (and no calendar): re-render with the
// terminator as it is. Otherwise the mask is cleared and the terminator
// state reset; the map shows unshaded until the next tick draws the grey line.
void MapPanel::RebuildMap() {
    const QSize previous = mapSize_;
    mapSize_ = MapPixelSize();
    mapPictures_.Rebuild(mapSize_);
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
    if (!moved) return;
    BusyCursor busy;
    RenderShadedMap();
}

void MapPanel::RenderShadedMap() {
    // Before the first drawing after a reset the mask is all night; the
    // unshaded map stays until the tick draws the terminator.
    const QSize maskSize(greyLine_.mask().width(), greyLine_.mask().height());
    if (greyLine_.state().NoonColumn >= 0 && mapPictures_.size() == maskSize)
        mapPictures_.Render(greyLine_.mask(), NightShade);
    QImage picture = mapPictures_.picture();
    picture.setDevicePixelRatio(devicePixelRatioOf(ImageDisplay));
    ImageDisplay->setImage(picture);
    if (SignalChangeOn) QApplication::beep();
}

void MapPanel::SetNightShade(int level) {
    NightShade = std::clamp(level, 0, map::kShadeLevels - 1);
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
    lblBeaconSlot->setText(QString::fromStdString(beacons::beaconSlotCaption(index)));
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

void MapPanel::setBeaconsShown(bool shown) {
    BeaconsShown = shown;
    rgFrequency->setEnabled(shown);
    lblBeaconSlot->setVisible(shown);
    for (QLabel* label : lblSlot) label->setVisible(shown);
}

int MapPanel::bandIndex() const { return rgFrequency->itemIndex(); }

void MapPanel::setBandIndex(int band) { rgFrequency->setItemIndex(band); }

}  // namespace orvane::app
