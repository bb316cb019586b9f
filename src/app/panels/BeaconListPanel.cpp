#include "app/panels/BeaconListPanel.h"

#include <QFontDatabase>
#include <QListWidget>
#include <QSignalBlocker>

#include "app/PopupHints.h"
#include "app/widgets/RadioGroup.h"

namespace orvane::app {
namespace {

constexpr QRect kFreqPanel{0, 277, 555, 46};

}  // namespace

BeaconListPanel::BeaconListPanel(beacons::BeaconCollection& collection, QWidget* parent)
    : QWidget(parent), collection_(collection) {
    cblBeacons = new QListWidget(this);
    cblBeacons->setGeometry(102, 10, 350, 256);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(12);
    cblBeacons->setFont(fixed);
    cblBeacons->setUniformItemSizes(true);
    setHint(cblBeacons, QStringLiteral("The beacon stations. Status is relative to frequency"));
    for (const beacons::Station& st : beacons::kStations) {
        auto* item = new QListWidgetItem(
            QString::fromLatin1(st.checkListItem.data(), static_cast<qsizetype>(st.checkListItem.size())), cblBeacons);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setSizeHint(QSize(0, 14));
    }
    rgFrequency2 = addBandPanel(this, kFreqPanel);
    connect(cblBeacons, &QListWidget::itemChanged, this, [this] { cblBeaconsClick(); });
    connect(rgFrequency2, &RadioGroup::clicked, this, &BeaconListPanel::bandClicked);
}

void BeaconListPanel::LoadBandChecks(int band) {
    band_ = band;
    const QSignalBlocker block(cblBeacons);
    const auto& table = collection_.beacons();
    for (int i = 0; i < beacons::kBeaconListCount; ++i)
        cblBeacons->item(i)->setCheckState(
            table[static_cast<std::size_t>(i)].OnBand[static_cast<std::size_t>(band)] ? Qt::Checked : Qt::Unchecked);
}

bool BeaconListPanel::isTicked(int index) const { return cblBeacons->item(index)->checkState() == Qt::Checked; }

std::array<bool, beacons::kBeaconListCount> BeaconListPanel::ticks() const {
    std::array<bool, beacons::kBeaconListCount> ticked{};
    for (int i = 0; i < beacons::kBeaconListCount; ++i) ticked[static_cast<std::size_t>(i)] = isTicked(i);
    return ticked;
}

void BeaconListPanel::cblBeaconsClick() {
    auto& table = collection_.beacons();
    for (int i = 0; i < beacons::kBeaconListCount; ++i)
        table[static_cast<std::size_t>(i)].OnBand[static_cast<std::size_t>(band_)] = isTicked(i);
    emit ticksChanged();
}

void BeaconListPanel::setListEnabled(bool enabled) { cblBeacons->setEnabled(enabled); }

int BeaconListPanel::bandIndex() const { return rgFrequency2->itemIndex(); }

void BeaconListPanel::setBandIndex(int band) { rgFrequency2->setItemIndex(band); }

}  // namespace orvane::app
