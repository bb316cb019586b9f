#pragma once

#include <QLabel>
#include <QString>

namespace orvane::app {

// Responsibilities: the status bar's panel of long hints, one line high. A
// hint of several lines is shown on one line, its lines joined by " · "; a
// hint wider than the panel is cut at its end with "…" and then pops up
// whole as the panel's own tooltip. The panel never asks for the width of
// its text, so a long hint cannot widen the window.
class HintPanel final : public QLabel {
    Q_OBJECT
public:
    explicit HintPanel(QWidget* parent);

    void setHint(const QString& hint);
    // The hint on one line, as shown when the panel is wide enough.
    const QString& oneLine() const { return oneLine_; }

    // The hint's lines joined into one.
    static QString joinLines(const QString& hint);

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();

    QString hint_;
    QString oneLine_;
};

}  // namespace orvane::app
