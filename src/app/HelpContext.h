#pragma once

#include <QVariant>
#include <QWidget>

namespace orvane::app {

// Help context numbers of controls (F1 opens the help at the context of the
// focused control or its nearest parent that has one). Kept as a dynamic
// property so every kind of widget and menu can carry one.
inline constexpr const char* kHelpContextProperty = "helpContext";

inline void setHelpContext(QObject* o, int context) { o->setProperty(kHelpContextProperty, context); }

// The context of the object, 0 when none.
inline int helpContext(const QObject* o) { return o->property(kHelpContextProperty).toInt(); }

}  // namespace orvane::app
