#include "app/widgets/TextGrowth.h"

#include <QFontInfo>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace orvane::app {
namespace {

// Where growText keeps a widget's own font from before it first grew.
constexpr char kBaseFontProperty[] = "orvaneBaseFont";

}  // namespace

double textScale(QSize room, QSize design, double maxScale) {
    if (design.isEmpty()) return 1.0;
    const double sx = static_cast<double>(room.width()) / design.width();
    const double sy = static_cast<double>(room.height()) / design.height();
    // In tenths: a room a few pixels larger than the design's (a wider tab
    // frame) keeps the classic look, and dragging a window's edge changes
    // the text only every tenth, not at every pixel.
    const double tenths = std::floor(std::min(sx, sy) * 10.0 + 1e-9) / 10.0;
    return std::clamp(tenths, 1.0, std::max(1.0, maxScale));
}

QFont grownFont(const QFont& base, double scale) {
    if (scale <= 1.0) return base;
    QFont f = base;
    // The size the base font really has on this screen, whether it was
    // given in points or pixels.
    const int basePixels = base.pixelSize() > 0 ? base.pixelSize() : QFontInfo(base).pixelSize();
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(basePixels * scale))));
    return f;
}

void growText(QWidget* widget, double scale) {
    // Each widget of the tree by itself: under a style sheet (the tab
    // control has one) a font set on a parent does not reach its children.
    QList<QWidget*> tree = widget->findChildren<QWidget*>();
    tree.prepend(widget);
    for (QWidget* w : tree) {
        QVariant stored = w->property(kBaseFontProperty);
        if (!stored.isValid()) {
            stored = QVariant::fromValue(w->font());
            w->setProperty(kBaseFontProperty, stored);
        }
        const QFont f = grownFont(stored.value<QFont>(), scale);
        if (f != w->font()) w->setFont(f);
    }
}

}  // namespace orvane::app
