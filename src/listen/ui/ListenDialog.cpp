#include "listen/ui/ListenDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

namespace orvane::listen::ui {

namespace {
const QString kDefaultInput = QStringLiteral("(the system's default input)");
}

ListenDialog::ListenDialog(const QStringList& inputs, const ListenSettings& settings, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmListen"));
    setWindowTitle(QStringLiteral("Listen settings"));
    auto* form = new QFormLayout(this);
    cbDevice = new QComboBox(this);
    cbDevice->setObjectName(QStringLiteral("cbDevice"));
    cbDevice->addItem(kDefaultInput, QString());
    for (const QString& input : inputs) cbDevice->addItem(input, input);
    if (!settings.Device.isEmpty() && cbDevice->findData(settings.Device) < 0)
        cbDevice->addItem(settings.Device, settings.Device);
    cbDevice->setCurrentIndex(std::max(0, cbDevice->findData(settings.Device)));
    cbDevice->setToolTip(QStringLiteral("Where the radio's receive audio comes in"));
    form->addRow(QStringLiteral("Audio input:"), cbDevice);
    sePitch = new QSpinBox(this);
    sePitch->setObjectName(QStringLiteral("sePitch"));
    sePitch->setRange(ListenSettings::kMinPitchHz, ListenSettings::kMaxPitchHz);
    sePitch->setSingleStep(10);
    sePitch->setSuffix(QStringLiteral(" Hz"));
    sePitch->setValue(settings.PitchHz);
    sePitch->setToolTip(QStringLiteral("The beacon's tone as the radio plays it (its CW pitch)"));
    form->addRow(QStringLiteral("Pitch:"), sePitch);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

ListenSettings ListenDialog::settings() const {
    return ListenSettings{cbDevice->currentData().toString(), sePitch->value()};
}

}  // namespace orvane::listen::ui
