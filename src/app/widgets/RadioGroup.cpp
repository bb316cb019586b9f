#include "app/widgets/RadioGroup.h"

#include <QFrame>
#include <QGridLayout>
#include <QRadioButton>
#include <algorithm>

#include "app/PopupHints.h"
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
    // Design size 300 x 38 at (131, 3); wider when the desktop's font needs it.
    const int width = std::max(300, group->sizeHint().width());
    group->setGeometry(std::max(4, 131 - (width - 300) / 2), 3, width, 38);
    setHint(group, QStringLiteral("Select the beacon frequency"));
    return group;
}

}  // namespace orvane::app
