#pragma once

#include <QObject>

class QApplication;
class QMenu;
class QWidget;

namespace orvane {
class HelpService;
}

namespace orvane::help {

// The name of the dynamic property that carries a help context. Windows of
// other libraries set it directly (setProperty(kHelpContextProperty, n)), so
// they need not link the help.
inline constexpr char kHelpContextProperty[] = "helpContext";

void setHelpContext(QObject* object, int context);
// The object's own help context, 0 when it has none.
int helpContextOf(const QObject* object);

// The help context F1 opens for a widget: its own, or else that of the
// nearest parent that has one (a control without a topic of its own opens
// the topic of the panel, page or dialog it sits on); 0 when none has one.
int helpContextFor(const QWidget* widget);
// The help context F1 opens while a menu is open: the highlighted item's, or
// else the menu's own, or else that of the item that opened it as a submenu.
int helpContextFor(const QMenu* menu);

// Responsibilities: turns F1 into a help request. Installed on the
// application, it sees F1 wherever it is pressed (also in modal dialogs and
// open menus) and asks the help service for the topic of the control that
// has the keyboard focus, or for the contents when there is none.
class ContextHelpFilter final : public QObject {
    Q_OBJECT
public:
    ContextHelpFilter(HelpService& help, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HelpService& help_;
};

// Installs a ContextHelpFilter owned by the application.
void installContextHelp(QApplication& app, HelpService& help);

}  // namespace orvane::help
