#pragma once

#include <QUrl>
#include <QWidget>
#include <functional>

#include "common/MessageService.h"
#include "common/TimeTypes.h"

class QLabel;
class QPushButton;

namespace orvane::app {

// Responsibilities: the About tab: which version runs (Label11), the local
// time (lblLocalTime), the maker's web site (btnWebSite) and the "More
// About - Credits" dialog (btnCredits), made fresh each time it is shown.
//
// Collaborations: the desktop's handler for web and mail addresses, which
// tests replace (setUrlOpener); errors of its handlers go to the message boxes.
class AboutPage final : public QWidget {
    Q_OBJECT
public:
    AboutPage(MessageService& messages, QWidget* parent);

    // Writes lblLocalTime for the displayed moment.
    void showLocalTime(UtcMoment t);
    // Opens a web or mail address with the desktop's handler; tests replace it.
    void setUrlOpener(std::function<bool(const QUrl&)> open) { openUrl_ = std::move(open); }
    // The credits dialog while it is shown; null otherwise.
    QWidget* creditsDialog() const { return frmMoreAbout; }

    // For the tests.
    QLabel* versionLabel() const { return Label11; }
    QLabel* localTimeLabel() const { return lblLocalTime; }
    QPushButton* webSiteButton() const { return btnWebSite; }
    QPushButton* creditsButton() const { return btnCredits; }

private:
    void btnWebSiteClick();
    void btnCreditsClick();

    MessageService& messages_;
    QLabel* Label11 = nullptr;
    QLabel* lblLocalTime = nullptr;
    QPushButton* btnWebSite = nullptr;
    QPushButton* btnCredits = nullptr;
    QWidget* frmMoreAbout = nullptr;
    std::function<bool(const QUrl&)> openUrl_;
};

}  // namespace orvane::app
