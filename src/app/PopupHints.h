#pragma once

#include <QObject>
#include <functional>

class QString;
class QWidget;

namespace orvane::app {

// The name of the dynamic property of a control that shows its hint beside
// the mouse whatever the "Popup Hints" setting (the beacon labels, the About
// tab's version and local-time labels).
inline constexpr char kAlwaysShowHintProperty[] = "alwaysShowHint";

// A control's hint: its tooltip and its status-bar text are the same words.
void setHint(QWidget* widget, const QString& hint);

// Responsibilities: the "Popup Hints" switch of a window. Installed on the
// application, it lets the tooltips of the window's controls through only
// while pop-up hints are on, except for the controls marked to always show
// theirs. Other windows (dialogs with their own setting) are not touched,
// and the status bar's hint is not affected at all.
class PopupHintFilter final : public QObject {
    Q_OBJECT
public:
    PopupHintFilter(QWidget* window, std::function<bool()> popupHintsOn, QObject* parent);

    // Whether the hint of `widget` pops up now.
    bool showsHint(const QWidget* widget) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    std::function<bool()> popupHintsOn_;
};

}  // namespace orvane::app
