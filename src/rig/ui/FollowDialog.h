#pragma once

#include <QDialog>
#include <QStringList>

#include "rig/Rig.h"

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace orvane::rig::ui {

// Responsibilities: the "Follow beacon" dialog: one of the eighteen beacons
// to follow and the radio's connection (the "Radio" settings: Hamlib rig
// model, port or host:port, serial speed). It only collects the choice; the
// caller saves the settings and starts following.
class FollowDialog final : public QDialog {
    Q_OBJECT
public:
    // `beacons`: one caption per beacon in slot order; `current` is chosen first.
    FollowDialog(const QStringList& beacons, int current, const RigSettings& settings, QWidget* parent = nullptr);

    int beaconIndex() const;
    RigSettings settings() const;

    // For the tests.
    QComboBox* beaconBox() const { return cbBeacon; }
    QSpinBox* modelBox() const { return seModel; }
    QLineEdit* portEdit() const { return edPort; }

private:
    RigSettings base_;
    QComboBox* cbBeacon = nullptr;
    QSpinBox* seModel = nullptr;
    QLineEdit* edPort = nullptr;
    QSpinBox* seSpeed = nullptr;
};

}  // namespace orvane::rig::ui
