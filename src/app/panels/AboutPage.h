#pragma once

#include <QUrl>
#include <QWidget>
#include <functional>
#include <vector>

#include "common/MessageService.h"
#include "common/TimeTypes.h"

class QFrame;
class QLabel;
class QPushButton;
class QSpacerItem;
class QVBoxLayout;

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
    // The two raised frames, their lines, and the text scale in force.
    QFrame* upperFrame() const { return upperFrame_; }
    QFrame* lowerFrame() const { return lowerFrame_; }
    std::vector<QLabel*> frameLines() const { return {line1_, line2_, closing_}; }
    double textScale() const { return textScale_; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void applyTextScale(double scale);
    void btnWebSiteClick();
    void btnCreditsClick();

    MessageService& messages_;
    QLabel* Label11 = nullptr;
    QLabel* lblLocalTime = nullptr;
    QPushButton* btnWebSite = nullptr;
    QPushButton* btnCredits = nullptr;
    QWidget* frmMoreAbout = nullptr;
    QFrame* upperFrame_ = nullptr;
    QFrame* lowerFrame_ = nullptr;
    QLabel* line1_ = nullptr;
    QLabel* line2_ = nullptr;
    QLabel* closing_ = nullptr;
    QVBoxLayout* column_ = nullptr;
    QVBoxLayout* upperLayout_ = nullptr;
    QVBoxLayout* lowerLayout_ = nullptr;
    // The column's gaps and the widgets with a design size, each grown by
    // the text scale.
    struct Gap {
        QSpacerItem* item;
        int designHeight;
    };
    struct Sized {
        QWidget* widget;
        QSize design;  // a width of 0: as wide as its frame
    };
    std::vector<Gap> gaps_;
    std::vector<Sized> sized_;
    double textScale_ = 1.0;
    bool scaledOnce_ = false;
    std::function<bool(const QUrl&)> openUrl_;
};

}  // namespace orvane::app
