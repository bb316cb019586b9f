#include "app/widgets/HintPanel.h"

#include <QFontMetrics>
#include <QRegularExpression>
#include <algorithm>

namespace orvane::app {

HintPanel::HintPanel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setIndent(0);  // a framed label would otherwise indent its text by half an "x"
}

QString HintPanel::joinLines(const QString& hint) {
    QStringList lines = hint.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts);
    for (QString& line : lines) line = line.trimmed();
    lines.removeAll(QString());
    return lines.join(QStringLiteral(" · "));
}

void HintPanel::setHint(const QString& hint) {
    hint_ = hint;
    oneLine_ = joinLines(hint);
    fit();
}

QSize HintPanel::minimumSizeHint() const {
    // The frame and one character: the panel takes the room the bar gives.
    return {fontMetrics().averageCharWidth() + contentsMargins().left() + contentsMargins().right(),
            QLabel::minimumSizeHint().height()};
}

void HintPanel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    fit();
}

void HintPanel::fit() {
    const QString shown = fontMetrics().elidedText(oneLine_, Qt::ElideRight, std::max(0, contentsRect().width()));
    setText(shown);
    setToolTip(shown == oneLine_ ? QString() : hint_);
}

}  // namespace orvane::app
