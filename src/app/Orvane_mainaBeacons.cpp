// The beacon schedule display: which beacon transmits now on the chosen band,
// the map labels' colours, the band radio groups and the beacon check list.
#include <QLabel>
#include <QListWidget>
#include <QSignalBlocker>
#include <QTimer>

#include "app/Orvane_maina.h"
#include "app/widgets/RadioGroup.h"
#include "beacons/BandPlan.h"
#include "beacons/Schedule.h"

namespace orvane::app {
namespace {

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

bool isTicked(const QListWidget* list, int index) { return list->item(index)->checkState() == Qt::Checked; }

}  // namespace

void TfrmTabbedOrvane::applyLabelLook(QLabel* label, bool current, bool ticked) {
    const beacons::LabelLook look = beacons::labelLook(current, ticked);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, look.current ? kYellow : kAqua);
    label->setPalette(pal);
    setTextColour(label, look.text);
    QFont f = label->font();
    f.setBold(look.bold);
    label->setFont(f);
}

void TfrmTabbedOrvane::UpdateBeaconSlot(bool forced) {
    const UtcMs now = clock_.nowUtcMs();
    UtcNow = systemTimeFromMs(now);
    ArmSlotTimer(now);
    if (!BeaconsShown) return;
    UtcNow.second = static_cast<std::uint16_t>(UtcNow.second - UtcNow.second % 10);
    if (const auto index = slotTracker_.onClock(now, BeaconBand, forced)) {
        CurrentSlot = *index;
        ShowCurrentBeacon(*index);
        emit slotShown(beacons::slotPeriodStartMs(beacons::slotPeriodOf(now)), now);
    }
}

void TfrmTabbedOrvane::ShowCurrentBeacon(int index) {
    QLabel* label = lblSlot[static_cast<std::size_t>(index)];
    lblBeaconSlot->setText(QString::fromStdString(beacons::beaconSlotCaption(index)));
    lblBeaconSlot->adjustSize();
    // The label shown before returns to rest in the colour its tick had when
    // it became current.
    if (CurrentBeaconLabel) applyLabelLook(CurrentBeaconLabel, false, CurrentBeaconActive);
    CurrentBeaconLabel = label;
    CurrentBeaconActive = isTicked(cblBeacons, index);
    applyLabelLook(label, true, CurrentBeaconActive);
    // Played whether or not the beacon is ticked; stopping goes through StopRequest.
    if (SimulateOn && startBeaconSound_) startBeaconSound_(index + 1);
}

void TfrmTabbedOrvane::ColourBeaconLabels() {
    // Only the text colour: the current label keeps its yellow background
    // (and bold) until the next slot.
    for (std::size_t i = 0; i < lblSlot.size(); ++i)
        setTextColour(lblSlot[i], isTicked(cblBeacons, static_cast<int>(i)) ? beacons::TextRole::WindowText
                                                                               : beacons::TextRole::InactiveCaption);
}

void TfrmTabbedOrvane::LoadBandChecks() {
    const QSignalBlocker block(cblBeacons);
    const auto& table = beaconCollection_.beacons();
    for (int i = 0; i < beacons::kBeaconListCount; ++i)
        cblBeacons->item(i)->setCheckState(table[static_cast<std::size_t>(i)].OnBand[static_cast<std::size_t>(BeaconBand)]
                                               ? Qt::Checked
                                               : Qt::Unchecked);
}

void TfrmTabbedOrvane::cblBeaconsClick() {
    auto& table = beaconCollection_.beacons();
    for (int i = 0; i < beacons::kBeaconListCount; ++i)
        table[static_cast<std::size_t>(i)].OnBand[static_cast<std::size_t>(BeaconBand)] = isTicked(cblBeacons, i);
    ColourBeaconLabels();
}

void TfrmTabbedOrvane::rgFrequencyClick(QObject* Sender) {
    if (Sender == rgFrequency)
        rgFrequency2->setItemIndex(rgFrequency->itemIndex());
    else
        rgFrequency->setItemIndex(rgFrequency2->itemIndex());
    if (beacons::isValidBand(rgFrequency->itemIndex())) BeaconBand = rgFrequency->itemIndex();
    LoadBandChecks();
    ColourBeaconLabels();
    Timer1Timer(rgFrequency);
}

}  // namespace orvane::app
