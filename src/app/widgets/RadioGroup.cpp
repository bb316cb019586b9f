#include "app/widgets/RadioGroup.h"

#include <QGridLayout>
#include <QRadioButton>

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
    connect(&buttons_, &QButtonGroup::idClicked, this, [this](int) { emit clicked(); });
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
}

QRadioButton* RadioGroup::item(int index) const { return qobject_cast<QRadioButton*>(buttons_.button(index)); }

}  // namespace orvane::app
