#pragma once

#include <QDialog>
#include <QFutureWatcher>
#include <QStringList>
#include <vector>

#include "rig/Rig.h"
#include "rig/RigModels.h"

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace orvane::rig::ui {

// Responsibilities: the "Follow beacon" dialog: one of the eighteen beacons
// to follow and the radio's connection (the "Radio" settings: Hamlib rig
// model, port or host:port, serial speed). The model is chosen from
// Hamlib's own list by maker and name (type to search; the list is loaded
// off the GUI thread) or by its number, the two kept in step; the number is
// what the settings keep. It only collects the choice; the caller saves the
// settings and starts following.
class FollowDialog final : public QDialog {
    Q_OBJECT
public:
    // `beacons`: one caption per beacon in slot order; `current` is chosen first.
    FollowDialog(const QStringList& beacons, int current, const RigSettings& settings, QWidget* parent = nullptr);
    ~FollowDialog() override;

    int beaconIndex() const;
    RigSettings settings() const;

    // For the tests.
    QComboBox* beaconBox() const { return cbBeacon; }
    QSpinBox* modelBox() const { return seModel; }
    QComboBox* modelList() const { return cbModel; }
    // True once Hamlib's list is in the choice.
    bool modelsLoaded() const { return modelsLoaded_; }
    QLineEdit* portEdit() const { return edPort; }

private:
    void showModels(const std::vector<RigModel>& models);
    void selectModel(int model);

    RigSettings base_;
    QComboBox* cbModel = nullptr;
    QFutureWatcher<std::vector<RigModel>> watcher_;
    bool modelsLoaded_ = false;
    QComboBox* cbBeacon = nullptr;
    QSpinBox* seModel = nullptr;
    QLineEdit* edPort = nullptr;
    QSpinBox* seSpeed = nullptr;
};

}  // namespace orvane::rig::ui
