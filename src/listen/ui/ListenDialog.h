#pragma once

#include <QDialog>
#include <QList>

#include "listen/live/ListenSettings.h"

class QComboBox;
class QSpinBox;

namespace orvane::listen::ui {

// Responsibilities: the "Listen settings" dialog: the audio input the
// radio's receive audio comes in on (the inputs the system offers, told
// apart by their ids where two share a description; the stored one stays
// listed even when it is not plugged in) and the pitch of the beacon's tone.
// It only collects the choice; the caller saves it.
class ListenDialog final : public QDialog {
    Q_OBJECT
public:
    ListenDialog(const QList<AudioInput>& inputs, const ListenSettings& settings, QWidget* parent = nullptr);

    ListenSettings settings() const;

    // For the tests.
    QComboBox* deviceBox() const { return cbDevice; }
    QSpinBox* pitchBox() const { return sePitch; }

private:
    QComboBox* cbDevice = nullptr;
    QSpinBox* sePitch = nullptr;
};

}  // namespace orvane::listen::ui
