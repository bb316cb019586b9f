#pragma once

#include <QPointer>
#include <QUrl>

#include "common/HelpService.h"

class QWidget;

namespace orvane::help {

class HelpWindow;

// Responsibilities: the program's HelpService. Opens the help window (made
// on first use) at the contents or at the topic of a help context; an
// unknown context opens the contents.
// Collaborations: HelpWindow shows the pages; HelpCatalog maps contexts to
// pages.
class QtHelpService final : public HelpService {
public:
    // The help window stays above `mainWindow`.
    explicit QtHelpService(QWidget* mainWindow);
    ~QtHelpService() override;
    QtHelpService(const QtHelpService&) = delete;
    QtHelpService& operator=(const QtHelpService&) = delete;

    void showContents() override;
    void showContext(int helpContext) override;

    // The window, when one has been made (tests).
    HelpWindow* window() const;

private:
    void show(const QUrl& url);

    QPointer<QWidget> mainWindow_;
    QPointer<HelpWindow> window_;
};

}  // namespace orvane::help
