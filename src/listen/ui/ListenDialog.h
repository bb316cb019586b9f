#pragma once

#include <QDialog>
#include <QList>

#include "listen/live/ListenSettings.h"

class QComboBox;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace orvane::listen::ui {

// Responsibilities: the "Listen settings" dialog: the audio input the
// radio's receive audio comes in on (the inputs the system offers, told
// apart by their ids where two share a description; the stored one stays
// listed even when it is not plugged in), the band it listens on (the one
// under the map and the rig follower's, or a band of its own), further
// inputs of a station with several receivers, each with its band (a small
// table: add, remove), and the pitch of the beacon's tone. It only collects
// the choice; the caller saves it.
class ListenDialog final : public QDialog {
    Q_OBJECT
public:
    ListenDialog(const QList<AudioInput>& inputs, const ListenSettings& settings, QWidget* parent = nullptr);

    ListenSettings settings() const;

    // For the tests.
    QComboBox* deviceBox() const { return cbDevice; }
    QComboBox* bandBox() const { return cbBand; }
    QSpinBox* pitchBox() const { return sePitch; }
    QTableWidget* moreInputsTable() const { return tbInputs; }
    QPushButton* addButton() const { return btAddInput; }
    QPushButton* removeButton() const { return btRemoveInput; }

private:
    // A row of the table for `input`, its input and band boxes set.
    void addRow(const ListenInput& input);

    QList<AudioInput> inputs_;
    QComboBox* cbDevice = nullptr;
    QComboBox* cbBand = nullptr;
    QSpinBox* sePitch = nullptr;
    QTableWidget* tbInputs = nullptr;
    QPushButton* btAddInput = nullptr;
    QPushButton* btRemoveInput = nullptr;
};

}  // namespace orvane::listen::ui
