#pragma once

#include <QDialog>
#include <QList>

#include "listen/live/ListenSettings.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace orvane::listen::ui {

// Responsibilities: the "Listen settings" dialog: the audio input the
// radio's receive audio comes in on (the inputs the system offers, told
// apart by their ids where two share a description; the stored one stays
// listed even when it is not plugged in), the pitch of the beacon's tone and
// the input's "Audio delay" (ms, or auto: estimated while listening), each
// input showing its own. It only collects the choice; the caller saves it.
class ListenDialog final : public QDialog {
    Q_OBJECT
public:
    ListenDialog(const QList<AudioInput>& inputs, const ListenSettings& settings, QWidget* parent = nullptr);

    ListenSettings settings() const;

    // For the tests.
    QComboBox* deviceBox() const { return cbDevice; }
    QSpinBox* pitchBox() const { return sePitch; }
    QSpinBox* delayBox() const { return seDelay; }
    QCheckBox* delayAutoBox() const { return cbDelayAuto; }

private:
    QString currentKey() const;
    void showDelay();   // of the input chosen
    void keepDelay();   // as shown, for the input chosen

    QComboBox* cbDevice = nullptr;
    QSpinBox* sePitch = nullptr;
    QSpinBox* seDelay = nullptr;
    QCheckBox* cbDelayAuto = nullptr;
    std::map<QString, ReceiveDelay> delays_;
    bool showing_ = false;
};

}  // namespace orvane::listen::ui
