#include "app/PopupHints.h"

#include <QEvent>
#include <QToolTip>
#include <QWidget>

namespace orvane::app {

void setHint(QWidget* widget, const QString& hint) {
    widget->setToolTip(hint);
    widget->setStatusTip(hint);
}

PopupHintFilter::PopupHintFilter(QWidget* window, std::function<bool()> popupHintsOn, QObject* parent)
    : QObject(parent), window_(window), popupHintsOn_(std::move(popupHintsOn)) {}

bool PopupHintFilter::showsHint(const QWidget* widget) const {
    if (widget == nullptr || widget->window() != window_) return true;
    if (popupHintsOn_ && popupHintsOn_()) return true;
    return widget->property(kAlwaysShowHintProperty).toBool();
}

bool PopupHintFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType()) return false;
    if (showsHint(static_cast<const QWidget*>(watched))) return false;
    QToolTip::hideText();
    return true;  // swallowed: no tooltip for this control now
}

}  // namespace orvane::app
