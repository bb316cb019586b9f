#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

class QRadioButton;

namespace orvane::app {

// Responsibilities: a captioned group of radio items laid out in columns,
// addressed by item index (-1: none chosen). clicked() fires when the user
// picks another item than the one chosen; a click on the chosen item changes
// nothing and fires nothing. setItemIndex() from code does not fire it, so
// the owner decides what a programmatic change runs.
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent = nullptr);

    int itemIndex() const;
    void setItemIndex(int index);
    int count() const { return static_cast<int>(buttons_.buttons().size()); }
    QRadioButton* item(int index) const;

signals:
    void clicked();

private:
    QButtonGroup buttons_;
    int chosen_ = -1;
};

// The band choice "&Frequency MHz" on a panel of `geometry` along the bottom
// of a tab (the Map and the Beacons tab each have one). Returns the group;
// the panel is its parent.
RadioGroup* addBandPanel(QWidget* page, const QRect& geometry);

}  // namespace orvane::app
