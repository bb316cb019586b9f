#pragma once

#include <QPolygonF>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "beacons/Stations.h"
#include "common/Clock.h"
#include "common/TimeTypes.h"
#include "app/StationHint.h"
#include "geo/Geodesy.h"
#include "map/MapPictures.h"
#include "map/Maidenhead.h"
#include "map/Terminator.h"

class QFrame;
class QLabel;

namespace orvane::app {

class MapImage;
class RadioGroup;

// Responsibilities: the map of the Map tab below the time panel: the
// grey-line picture (ImageDisplay), the eighteen beacon labels lblSlot1..18
// with the current beacon's caption lblBeaconSlot, the user's station
// marker, and the band choice rgFrequency. It lays them out for its size
// (the map grows in steps of whole pixels keeping 2:1, labels and marker
// stay on their sites), renders the shaded map for the displayed moment,
// keeps the view options that change the picture (darkness, twilight,
// animation and fake flags, the calendar's held moment, the beep on
// redraw, the map-only view), and shows which beacon is current in the
// colours its tick calls for.
//
// Collaborations: the clock (the moment of a map reset and of each tick);
// the geometry and pictures are plain classes of src/map. The main window
// drives it with the tick (RecomputeGreyLine) and the slot decisions
// (ShowCurrentBeacon); a band click is announced by bandClicked().
class MapPanel final : public QWidget {
    Q_OBJECT
public:
    MapPanel(Clock& clock, QWidget* parent);
    ~MapPanel() override;

    // ---- Grey-line map ----------------------------------------------------
    // The map source, chosen once per run: the drawn coastlines on a display
    // below 16 bits per pixel or with MonoMap, otherwise the colour relief.
    void PrepareBaseMap(bool monoMap);
    // Rebuilds the lit map for the current size and shows it (see the .cpp).
    void RebuildMap();
    // The tick's map part: advances the displayed moment and redraws the
    // shading when the terminator moved.
    void RecomputeGreyLine();
    // Composes the shaded picture at the current darkness and shows it;
    // beeps when the signal-change option is on.
    void RenderShadedMap();
    // "Darkness Level": 0..4, re-rendered at once.
    void SetNightShade(int level);
    int nightShade() const { return NightShade; }
    // "Twilight": graded civil, nautical and astronomical twilight instead
    // of the single terminator; re-rendered at once.
    void SetTwilight(bool on);
    bool twilight() const { return TwilightOn; }
    // "Map Only": the map fills the panel, without bevel and band choice.
    void SetMapOnly(bool on);
    bool mapOnly() const { return MapOnlyOn; }
    // The user's station: a marker at the locator's place whose hint gives
    // the day's sunrise and sunset; none for an empty locator. Returns false
    // (and changes nothing) for text that is no locator.
    bool SetStation(const QString& locator);
    QString station() const;
    // The station's place, when one is set.
    std::optional<geo::LonLat> stationPlace() const;
    // The local zone the station hint shows times in (the system's unless
    // replaced by a test).
    void setLocalZone(LocalZoneAt zoneAt) { localZone_ = std::move(zoneAt); }
    // The terminator's Flags (map::TerminatorState::FlagFake = 1,
    // FlagAnimate = 2): read, replace, toggle one (returns whether it is now set).
    int TerminatorFlags() const;
    void SetTerminatorFlags(int flags);
    bool ToggleTerminatorFlag(int flag);
    void setSignalChange(bool on) { SignalChangeOn = on; }
    bool signalChangeOn() const { return SignalChangeOn; }
    // While the calendar is open the displayed moment is held where it put it.
    void setBrowsingCalendar(bool on) { BrowsingCalendar = on; }
    bool browsingCalendar() const { return BrowsingCalendar; }
    // The window has been laid out: later rebuilds keep the view flags.
    void setWindowShown() { FirstResizeSeen = true; }
    bool windowShown() const { return FirstResizeSeen; }
    // The moment the map (and the time labels) show.
    UtcMoment displayTime() const { return DisplayTime; }
    void setDisplayTime(UtcMoment t) { DisplayTime = t; }
    const map::GreyLine& greyLine() const { return greyLine_; }
    const map::MapPictures& mapPictures() const { return mapPictures_; }
    // Whether the fine relief is being decoded now (for the tests).
    bool decodingFineMap() const { return fineLoading_; }

    // ---- Beacon labels and band -----------------------------------------------
    // Highlights beacon `index` (0..17) as current, caption and colours; the
    // label shown before returns to rest.
    void ShowCurrentBeacon(int index, bool ticked);
    // Text colours of every label from the ticks of the chosen band.
    void ColourBeaconLabels(const std::array<bool, beacons::kBeaconListCount>& ticked);
    // Frames the labels of the beacons listening heard lately.
    void MarkHeardBeacons(const std::array<bool, beacons::kBeaconListCount>& heard);
    bool beaconMarkedHeard(int index) const;
    // Captions and hints of the labels from the run's station table; each
    // hint may carry a second line (bearing and distance from the station).
    using BeaconTexts = std::array<QString, beacons::kBeaconListCount>;
    void SetBeaconTexts(const BeaconTexts& captions, const BeaconTexts& hints, const BeaconTexts& hintExtras);
    // Beacons whose site the stations file moved: the label's caret goes to
    // the new place (longitude, latitude); nothing keeps the design's place.
    void SetLabelSites(const std::array<std::optional<geo::LonLat>, beacons::kBeaconListCount>& sites);
    // The short great-circle path from the user's station to `to` (the
    // transmitting beacon's place) drawn on the map, cut at the date line;
    // nothing drawn without a station or a target.
    void ShowPath(std::optional<geo::LonLat> to);
    // The drawn path in the map's pixels, one polyline per piece.
    const std::vector<QPolygonF>& pathPolylines() const { return pathPolylines_; }
    void setBeaconsShown(bool shown);
    bool beaconsShown() const { return BeaconsShown; }
    int bandIndex() const;
    void setBandIndex(int band);

    // The band choice's text and size grow by `scale` (1: the classic look);
    // the map takes the room left.
    void setTextScale(double scale);
    double textScale() const { return textScale_; }

    // ---- For the map menu and the tests ---------------------------------------
    MapImage* imageDisplay() const { return ImageDisplay; }
    QLabel* slotLabel(int index) const { return lblSlot[static_cast<std::size_t>(index)]; }
    QLabel* beaconSlotLabel() const { return lblBeaconSlot; }
    RadioGroup* frequencyGroup() const { return rgFrequency; }
    QWidget* stationMarker() const { return stationMarker_; }
    // The map's place on the panel and its scale against the design's
    // 480 x 240 (1 at the classic size).
    QRect mapRect() const;
    double mapScale() const { return scale_; }

signals:
    // The user picked a band in rgFrequency (also the band already chosen).
    void bandClicked();
    // The user's station was set or removed.
    void stationChanged();
    // The fine picture replaced the stand-in drawn while it was loading.
    void fineMapShown();

protected:
    void resizeEvent(QResizeEvent* event) override;

private slots:
    // The thread that loads the fine picture ended with it.
    void fineMapLoaded();

private:
    void BuildControls();
    void loadFineMapAside();
    // Places the map, its labels and marker and the band choice for the
    // panel's size.
    void LayoutMap();
    void LayoutLabels();
    void PlaceStationMarker();
    void ProjectPath();
    void UpdateStationHint();
    void applyLabelLook(QLabel* label, bool current, bool ticked);
    QSize MapPixelSize() const;  // ImageDisplay's size in device pixels

    Clock& clock_;
    QFrame* bvlMap = nullptr;
    QWidget* pnlMap = nullptr;
    MapImage* ImageDisplay = nullptr;
    std::array<QLabel*, beacons::kBeaconListCount> lblSlot{};  // lblSlot[0] is "lblSlot1"
    QLabel* lblBeaconSlot = nullptr;
    RadioGroup* rgFrequency = nullptr;

    map::GreyLine greyLine_;        // terminator state and illumination mask
    map::MapPictures mapPictures_;  // base map, lit map, shaded picture
    QSize mapSize_;                 // size of the last build, device pixels
    // The fine picture is let go once the map has kept its size for a while
    // (a resize by dragging rebuilds many times in a row).
    QTimer releaseFinePicture_;
    // The fine picture decoded on a thread of its own while a stand-in is
    // shown; what it loaded is read only after joining it.
    std::thread fineLoader_;
    bool fineLoading_ = false;
    bool mapPainted_ = false;  // the map has reached the screen: a decode may start
    bool fineWanted_ = false;  // a stand-in waits for that
    struct FineLoad {
        map::MapPictures::Source source = map::MapPictures::Source::Relief;
        QImage picture;
    } fineLoaded_;
    UtcMoment DisplayTime = 0;
    int NightShade = 1;
    bool SignalChangeOn = false;
    bool BrowsingCalendar = false;
    bool FirstResizeSeen = false;
    bool BeaconsShown = true;
    bool TwilightOn = false;
    bool MapOnlyOn = false;
    double scale_ = 1.0;
    double textScale_ = 1.0;
    QWidget* stationMarker_ = nullptr;
    std::optional<map::Locator> station_;
    std::int64_t stationHintDay_ = -1;  // UTC day the hint was written for
    LocalZoneAt localZone_ = systemLocalZone;
    BeaconTexts baseHints_;
    std::array<std::optional<geo::LonLat>, beacons::kBeaconListCount> labelSites_{};  // hints without the bearing line; the slot caption's text
    std::optional<geo::LonLat> pathTarget_;
    std::vector<QPolygonF> pathPolylines_;
    QLabel* CurrentBeaconLabel = nullptr;
    bool CurrentBeaconActive = false;
};

}  // namespace orvane::app
