#include "app/widgets/RadioGroup.h"

#include <QFrame>
#include <QGridLayout>
#include <QRadioButton>
#include <algorithm>
#include <cmath>

#include "app/PopupHints.h"
#include "app/widgets/TextGrowth.h"
#include "beacons/BandPlan.h"

namespace orvane::app {

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(caption, parent), buttons_(this) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 2);
    grid->setVerticalSpacing(0);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        buttons_.addButton(b, i);
        grid->addWidget(b, i / columns, i % columns);
    }
    // QButtonGroup reports every click, also on the item already chosen.
    connect(&buttons_, &QButtonGroup::idClicked, this, [this](int id) {
        if (id == chosen_) return;
        chosen_ = id;
        emit clicked();
    });
}

int RadioGroup::itemIndex() const { return buttons_.checkedId(); }

void RadioGroup::setItemIndex(int index) {
    if (QAbstractButton* b = buttons_.button(index)) {
        b->setChecked(true);
    } else if (QAbstractButton* checked = buttons_.checkedButton()) {
        buttons_.setExclusive(false);
        checked->setChecked(false);
        buttons_.setExclusive(true);
    }
    chosen_ = itemIndex();
}

QRadioButton* RadioGroup::item(int index) const { return qobject_cast<QRadioButton*>(buttons_.button(index)); }

RadioGroup* addBandPanel(QWidget* page, const QRect& geometry) {
    auto* panel = new QFrame(page);
    panel->setGeometry(geometry);
    QStringList captions;
    for (auto caption : beacons::kBandCaptions)
        captions << QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size()));
    auto* group = new RadioGroup(QStringLiteral("&Frequency MHz"), captions, beacons::kBandCount, panel);
    setHint(group, QStringLiteral("Select the beacon frequency"));
    panel->resize(growBandPanel(group, 1.0).expandedTo(geometry.size()));
    return group;
}

QSize growBandPanel(RadioGroup* group, double scale) {
    growText(group, scale);
    const auto px = [scale](int design) { return static_cast<int>(std::lround(design * scale)); };
    const QSize hint = group->sizeHint();
    const int width = std::max(px(300), hint.width());
    const int height = std::max(px(38), hint.height());
    const QSize panel(std::max(px(555), width + px(8)), height + px(8));
    group->setGeometry((panel.width() - width) / 2 + px(4), px(3), width, height);
    group->parentWidget()->resize(panel);
    return panel;
}

}  // namespace orvane::app
