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

// Grows a band choice made by addBandPanel with the text scale: the design's
// 300 x 38 group on a 555 x 46 panel at scale 1, 4 pixels right of centre,
// both grown with their text (and wider where the desktop's font needs it).
// Sizes the panel and returns its size; the owner places it.
QSize growBandPanel(RadioGroup* group, double scale);

}  // namespace orvane::app
