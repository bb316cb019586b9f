#include "rig/ui/FollowDialog.h"

#include <QComboBox>
#include <algorithm>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace orvane::rig::ui {

FollowDialog::FollowDialog(const QStringList& beacons, int current, const RigSettings& settings, QWidget* parent)
    : QDialog(parent), base_(settings) {
    setObjectName(QStringLiteral("frmFollowBeacon"));
    setWindowTitle(QStringLiteral("Follow beacon"));
    auto* form = new QFormLayout(this);
    cbBeacon = new QComboBox(this);
    cbBeacon->addItems(beacons);
    cbBeacon->setCurrentIndex(std::max(0, current));
    form->addRow(QStringLiteral("Beacon:"), cbBeacon);
    seModel = new QSpinBox(this);
    seModel->setRange(1, 99'999);
    seModel->setValue(settings.model);
    seModel->setToolTip(QStringLiteral("Hamlib rig model number (rigctl -l lists them); 2 is a network rigctld"));
    form->addRow(QStringLiteral("Rig model:"), seModel);
    edPort = new QLineEdit(settings.port, this);
    edPort->setMaxLength(256);
    edPort->setPlaceholderText(QStringLiteral("empty: Hamlib's default (localhost:4532 for rigctld)"));
    form->addRow(QStringLiteral("Port:"), edPort);
    seSpeed = new QSpinBox(this);
    seSpeed->setRange(0, 1'000'000);
    seSpeed->setSpecialValueText(QStringLiteral("model default"));
    seSpeed->setValue(settings.serialSpeed);
    form->addRow(QStringLiteral("Serial speed:"), seSpeed);
    auto* note = new QLabel(
        QStringLiteral("The radio is tuned in CW a second before each slot of the beacon. It is never keyed."), this);
    note->setWordWrap(true);
    form->addRow(note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

int FollowDialog::beaconIndex() const { return cbBeacon->currentIndex(); }

RigSettings FollowDialog::settings() const {
    RigSettings s = base_;
    s.model = seModel->value();
    s.port = edPort->text().trimmed();
    s.serialSpeed = seSpeed->value();
    return s;
}

}  // namespace orvane::rig::ui
