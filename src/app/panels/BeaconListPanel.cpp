#include "app/panels/BeaconListPanel.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QResizeEvent>
#include <algorithm>
#include <QListWidget>
#include <QScrollBar>
#include <QSignalBlocker>

#include "app/PopupHints.h"
#include "app/widgets/RadioGroup.h"
#include "app/widgets/TextGrowth.h"

namespace orvane::app {
namespace {

constexpr QRect kFreqPanel{0, 277, 555, 46};
constexpr QSize kDesignPage{555, 323};
constexpr QRect kDesignList{8, 10, 350, 256};
constexpr QRect kDesignBearings{362, 10, 185, 256};
constexpr int kDesignFontPixels = 12;
constexpr int kDesignItemHeight = 14;
constexpr double kMaxTextScale = 3.0;

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

// The classic page keeps the design's places to the pixel. A larger one
// spreads the two lists over its width in the design's proportion and down
// to the band choice, which stays centred at the bottom; the text grows with
// the smaller of the two scales (as the map's labels do, up to three times),
// never beyond what the lists' widths hold.
void BeaconListPanel::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    const QSize room = size().expandedTo(kDesignPage);
    const double scale = textScale(size(), kDesignPage, kMaxTextScale);
    // The band choice grows as the Map tab's does.
    const QSize bands = growBandPanel(rgFrequency2, std::min(scale, kMaxLabelScale));
    rgFrequency2->parentWidget()->move((room.width() - bands.width()) / 2, room.height() - bands.height());
    const int listHeight = room.height() - bands.height() - kDesignList.top() - (kFreqPanel.top() - kDesignList.bottom() - 1);
    const int gap = kDesignBearings.left() - kDesignList.right() - 1;
    const int widthForLists = room.width() - kDesignList.left() - (kDesignPage.width() - kDesignBearings.right() - 1) - gap;
    const int listWidth = qRound(widthForLists * static_cast<double>(kDesignList.width()) /
                                 (kDesignList.width() + kDesignBearings.width()));
    cblBeacons->setGeometry(kDesignList.left(), kDesignList.top(), listWidth, listHeight);
    lstBearings->setGeometry(kDesignList.left() + listWidth + gap, kDesignList.top(), widthForLists - listWidth, listHeight);

    int pixels = qRound(kDesignFontPixels * scale);
    QFont f = cblBeacons->font();
    // Largest size at which the longest line fits each list.
    const auto fits = [&](const QListWidget* list, int px) {
        QFont probe = f;
        probe.setPixelSize(px);
        const QFontMetrics m(probe);
        int widest = 0;
        for (int i = 0; i < list->count(); ++i) widest = std::max(widest, m.horizontalAdvance(list->item(i)->text()));
        const int checkRoom = list == cblBeacons ? px + 8 : 0;  // the tick box
        return widest + checkRoom + 2 * list->frameWidth() + 6 <= list->width() &&
               list->count() * (m.height() + 2) + 2 * list->frameWidth() <= list->height();
    };
    while (pixels > kDesignFontPixels && !(fits(cblBeacons, pixels) && fits(lstBearings, pixels))) --pixels;
    if (pixels == f.pixelSize()) return;
    f.setPixelSize(pixels);
    const int itemHeight = pixels == kDesignFontPixels ? kDesignItemHeight : QFontMetrics(f).height() + 2;
    for (QListWidget* list : {cblBeacons, lstBearings}) {
        list->setFont(f);
        for (int i = 0; i < list->count(); ++i) list->item(i)->setSizeHint(QSize(0, itemHeight));
    }
}

int BeaconListPanel::listPixelSize() const { return cblBeacons->font().pixelSize(); }

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
