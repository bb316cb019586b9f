// The grey-line map on the Map tab: base map preparation, rebuilds on
// resize, the terminator step of the clock tick, and the shaded picture.
// The geometry and the pictures are plain classes of src/map; this file only
// connects them to the window's state and controls.
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "app/Orvane_maina.h"
#include "app/widgets/MapImage.h"
#include "map/ui/Ccalunit.h"

namespace orvane::app {

namespace {

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

// The map is drawn in device pixels: on a screen scaled above 96 pixels per
// inch the 480 x 240 control covers more pixels, and the relief is resampled
// to them while the control (and the beacon labels on it) keep their
// logical places.
QSize TfrmTabbedOrvane::MapPixelSize() const {
    const double scale = devicePixelRatioOf(ImageDisplay);
    const QSize logical = ImageDisplay ? ImageDisplay->size() : map::kEarthSize;
    return {std::max(2, qRound(logical.width() * scale)), std::max(2, qRound(logical.height() * scale))};
}

// Start-up steps 14 and 17 to 19: the map source (colour relief, or the
// drawn coastlines on a display below 16 bits per pixel or with MonoMap),
// chosen once per run; the base picture at the display size.
void TfrmTabbedOrvane::PrepareBaseMap() {
    const QScreen* screen = ImageDisplay ? ImageDisplay->screen() : QGuiApplication::primaryScreen();
    const bool fewColours = screen && screen->depth() < 16;
    const auto source = (fewColours || MonoMap) ? map::MapPictures::Source::Outline : map::MapPictures::Source::Relief;
    mapPictures_.PrepareBaseMap(source, MapPixelSize(), devicePixelRatioOf(ImageDisplay));
}

// Rebuilds the lit map for the current size and shows it. Same size after
// the window is up (and no calendar): re-render with the terminator as it
// is. Otherwise the mask is cleared and the terminator state reset; the map
// shows unshaded until the next tick draws the grey line.
void TfrmTabbedOrvane::RebuildMap() {
    const QSize previous = mapSize_;
    mapSize_ = MapPixelSize();
    mapPictures_.Rebuild(mapSize_);
    if (FirstResizeSeen && mapSize_ == previous && !BrowsingCalendar) {
        RenderShadedMap();
        return;
    }
    QImage picture = mapPictures_.picture();
    picture.setDevicePixelRatio(devicePixelRatioOf(ImageDisplay));
    if (ImageDisplay) ImageDisplay->setImage(picture);
    greyLine_.InitTerminatorState(mapSize_.width(), mapSize_.height(), clock_.nowMoment(), FirstResizeSeen);
    DisplayTime = greyLine_.state().DisplayTime;
}

// Start-up step 15. The five patterns are a constant table of src/map
// (map::kShadePatterns); nothing is loaded at run time.
void TfrmTabbedOrvane::LoadShadeBrushes() {}

// Tick step 1: advances the displayed moment (the clock's now, animation
// steps, or the moment the calendar set), re-projects and moves the
// terminator where due, and re-composes the picture when the mask changed.
void TfrmTabbedOrvane::RecomputeGreyLine() {
    // SetDisplayTime stores its moment in DisplayTime before the tick.
    greyLine_.state().DisplayTime = DisplayTime;
    const bool moved = greyLine_.Recompute(clock_.nowMoment(), BrowsingCalendar);
    DisplayTime = greyLine_.state().DisplayTime;
    if (!moved) return;
    BusyCursor busy;
    RenderShadedMap();
}

void TfrmTabbedOrvane::RenderShadedMap() {
    // Before the first drawing after a reset the mask is all night; the
    // unshaded map stays until the tick draws the terminator.
    const QSize maskSize(greyLine_.mask().width(), greyLine_.mask().height());
    if (greyLine_.state().NoonColumn >= 0 && mapPictures_.size() == maskSize)
        mapPictures_.Render(greyLine_.mask(), NightShade);
    QImage picture = mapPictures_.picture();
    picture.setDevicePixelRatio(devicePixelRatioOf(ImageDisplay));
    if (ImageDisplay) ImageDisplay->setImage(picture);
    if (SignalChangeOn) QApplication::beep();
}

void TfrmTabbedOrvane::SetNightShade(int level) {
    NightShade = std::clamp(level, 0, map::kShadeLevels - 1);
    RenderShadedMap();
}

int TfrmTabbedOrvane::TerminatorFlags() const { return greyLine_.state().Flags; }

void TfrmTabbedOrvane::SetTerminatorFlags(int flags) {
    greyLine_.state().Flags = flags & (map::TerminatorState::FlagFake | map::TerminatorState::FlagAnimate);
}

bool TfrmTabbedOrvane::ToggleTerminatorFlag(int flag) {
    greyLine_.setFlag(flag, !greyLine_.flag(flag));
    return greyLine_.flag(flag);
}

void TfrmTabbedOrvane::ExecCalendarDialog() {
    map::ui::TfrmCalendar::Hooks hooks;
    hooks.utcNow = [this] { return UtcNow; };
    // Called from the dialog's controls: an error is shown here and never
    // leaves through the button's signal.
    hooks.setDisplayTime = [this](UtcMoment t) { guarded([this, t] { SetDisplayTime(t); }); };
    hooks.localToday = map::ui::TfrmCalendar::localTodayFrom(clock_);
    map::ui::TfrmCalendar dialog(std::move(hooks), this);
    dialog.setProperty("helpContext", 18);
    dialog.exec();
}

// Window destruction: the pictures and tables go with their owners.
void TfrmTabbedOrvane::ReleaseMapResources() {}

}  // namespace orvane::app
