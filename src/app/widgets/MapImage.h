#pragma once

#include <QImage>
#include <QPolygonF>
#include <vector>
#include <QWidget>

namespace orvane::app {

// Responsibilities: shows the map picture (480 x 240 by design), scaled to the
// widget when the sizes differ. The picture comes from the map renderer; this
// widget only paints it. A right click asks for the map menu through
// QWidget::customContextMenuRequested.
class MapImage : public QWidget {
    Q_OBJECT
public:
    explicit MapImage(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& image() const { return image_; }
    // Lines drawn over the picture (the path to the beacon), in widget pixels.
    void setOverlay(std::vector<QPolygonF> lines);

signals:
    // The first time the picture reached the screen.
    void firstPainted();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    std::vector<QPolygonF> overlay_;
    bool painted_ = false;
};

}  // namespace orvane::app
