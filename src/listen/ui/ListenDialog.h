#pragma once

#include <QDialog>
#include <QStringList>

#include "listen/live/ListenSettings.h"

class QComboBox;
class QSpinBox;

namespace orvane::listen::ui {

// Responsibilities: the "Listen settings" dialog: the audio input the
// radio's receive audio comes in on (the inputs the system offers; the
// stored one stays listed even when it is not plugged in) and the pitch of
// the beacon's tone. It only collects the choice; the caller saves it.
class ListenDialog final : public QDialog {
    Q_OBJECT
public:
    ListenDialog(const QStringList& inputs, const ListenSettings& settings, QWidget* parent = nullptr);

    ListenSettings settings() const;

    // For the tests.
    QComboBox* deviceBox() const { return cbDevice; }
    QSpinBox* pitchBox() const { return sePitch; }

private:
    QComboBox* cbDevice = nullptr;
    QSpinBox* sePitch = nullptr;
};

}  // namespace orvane::listen::ui
