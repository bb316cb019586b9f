#pragma once

#include <QString>

namespace orvane {

// Text from a server or a file, made safe to print or show: every control
// character (C0, DEL and C1) becomes "\xNN", so a reply with ESC cannot move
// a terminal's cursor and a NUL cannot end a line early. Everything else is
// kept as it is.
QString printable(const QString& text);

}  // namespace orvane
