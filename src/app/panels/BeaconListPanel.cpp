#include "app/panels/BeaconListPanel.h"

#include <QFontDatabase>
#include <QListWidget>
#include <QScrollBar>
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
    // The list moves left of its design place to leave room for the bearings.
    cblBeacons->setGeometry(8, 10, 350, 256);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(12);
    cblBeacons->setFont(fixed);
    cblBeacons->setUniformItemSizes(true);
    setHint(cblBeacons, QStringLiteral("The beacon stations. Status is relative to frequency"));
    // The texts come from the run's station table (SetItemTexts).
    for (int i = 0; i < beacons::kBeaconListCount; ++i) {
        auto* item = new QListWidgetItem(cblBeacons);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setSizeHint(QSize(0, 14));
    }
    lstBearings = new QListWidget(this);
    lstBearings->setObjectName(QStringLiteral("lstBearings"));
    lstBearings->setGeometry(362, 10, 185, 256);
    lstBearings->setFont(fixed);
    lstBearings->setUniformItemSizes(true);
    lstBearings->setSelectionMode(QAbstractItemView::NoSelection);
    lstBearings->setFocusPolicy(Qt::NoFocus);
    setHint(lstBearings, QStringLiteral("Short-path and long-path bearing (degrees from true north) and short-path "
                                        "distance from your station locator"));
    for (int i = 0; i < beacons::kBeaconListCount; ++i) new QListWidgetItem(lstBearings);
    for (int i = 0; i < beacons::kBeaconListCount; ++i) lstBearings->item(i)->setSizeHint(QSize(0, 14));
    // The two lists scroll together.
    connect(cblBeacons->verticalScrollBar(), &QScrollBar::valueChanged, lstBearings->verticalScrollBar(),
            &QScrollBar::setValue);
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

void BeaconListPanel::SetItemTexts(const std::array<QString, beacons::kBeaconListCount>& items) {
    const QSignalBlocker block(cblBeacons);
    for (int i = 0; i < beacons::kBeaconListCount; ++i) cblBeacons->item(i)->setText(items[static_cast<std::size_t>(i)]);
}

void BeaconListPanel::ShowBearings(const std::array<QString, beacons::kBeaconListCount>& bearings) {
    for (int i = 0; i < beacons::kBeaconListCount; ++i) lstBearings->item(i)->setText(bearings[static_cast<std::size_t>(i)]);
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
