#include "app/widgets/MapImage.h"

#include <QPainter>

namespace orvane::app {

MapImage::MapImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

void MapImage::setImage(const QImage& image) {
    image_ = image;
    update();
}

void MapImage::paintEvent(QPaintEvent*) {
    if (!painted_) {
        painted_ = true;
        emit firstPainted();
    }
    QPainter p(this);
    if (image_.isNull()) {
        p.fillRect(rect(), palette().color(QPalette::Dark));
        return;
    }
    if (image_.size() == size())
        p.drawImage(0, 0, image_);
    else
        p.drawImage(rect(), image_);
    if (overlay_.empty()) return;
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 40, 160), 1.5));
    for (const QPolygonF& line : overlay_) p.drawPolyline(line);
}

void MapImage::setOverlay(std::vector<QPolygonF> lines) {
    overlay_ = std::move(lines);
    update();
}

}  // namespace orvane::app
