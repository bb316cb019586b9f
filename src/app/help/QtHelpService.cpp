#include "app/help/QtHelpService.h"

#include <QApplication>

#include "app/help/HelpCatalog.h"
#include "app/help/HelpWindow.h"

namespace orvane::help {

QtHelpService::QtHelpService(QWidget* mainWindow) : mainWindow_(mainWindow) {}

QtHelpService::~QtHelpService() { delete window_.data(); }

HelpWindow* QtHelpService::window() const { return window_.data(); }

void QtHelpService::showContents() { show(contentsUrl()); }

void QtHelpService::showContext(int helpContext) {
    const auto topic = topicForContext(helpContext);
    show(topic ? topicUrl(topic->page, topic->anchor) : contentsUrl());
}

void QtHelpService::show(const QUrl& url) {
    // A modal dialog (calendar, beacon setup) blocks every window that is
    // not its own; help asked for from inside it must be usable at once, so
    // the window then belongs to that dialog. When the dialog is destroyed
    // it takes the window with it, and the next request makes a new one.
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr) owner = mainWindow_;
    HelpWindow* window = window_.data();
    if (window == nullptr) {
        window = new HelpWindow(owner);
        window_ = window;
    } else if (window->parentWidget() != owner) {
        const QRect geometry = window->geometry();
        window->setParent(owner, Qt::Window);
        window->setGeometry(geometry);
    }
    window->showTopic(url);
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace orvane::help
