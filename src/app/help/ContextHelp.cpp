#include "app/help/ContextHelp.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>

#include "common/HelpService.h"

namespace orvane::help {

void setHelpContext(QObject* object, int context) { object->setProperty(kHelpContextProperty, context); }

int helpContextOf(const QObject* object) {
    if (object == nullptr) return 0;
    bool ok = false;
    const int context = object->property(kHelpContextProperty).toInt(&ok);
    return ok && context > 0 ? context : 0;
}

int helpContextFor(const QWidget* widget) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (const int context = helpContextOf(w)) return context;
    }
    return 0;
}

int helpContextFor(const QMenu* menu) {
    if (menu == nullptr) return 0;
    if (const int context = helpContextOf(menu->activeAction())) return context;
    if (const int context = helpContextOf(menu)) return context;
    // A submenu: the item that opened it ("Animate Speed", "Darkness Level").
    if (const int context = helpContextOf(menu->menuAction())) return context;
    return 0;
}

ContextHelpFilter::ContextHelpFilter(HelpService& help, QObject* parent) : QObject(parent), help_(help) {}

bool ContextHelpFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier || !watched->isWidgetType()) return false;

    // A key press reaches the focus widget first and then its parents; the
    // filter answers the first delivery and swallows the event.
    int context = 0;
    if (const auto* menu = qobject_cast<const QMenu*>(watched)) {
        context = helpContextFor(menu);
    } else {
        context = helpContextFor(static_cast<const QWidget*>(watched));
    }
    if (context > 0) {
        help_.showContext(context);
    } else {
        help_.showContents();
    }
    return true;
}

void installContextHelp(QApplication& app, HelpService& help) {
    app.installEventFilter(new ContextHelpFilter(help, &app));
}

}  // namespace orvane::help
