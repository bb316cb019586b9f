#include "listen/ui/ListenDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>
#include <algorithm>

namespace orvane::listen::ui {

namespace {
const QString kDefaultInput = QStringLiteral("(the system's default input)");
constexpr int kDescriptionRole = Qt::UserRole + 1;
}

ListenDialog::ListenDialog(const QList<AudioInput>& inputs, const ListenSettings& settings, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmListen"));
    setWindowTitle(QStringLiteral("Listen settings"));
    auto* form = new QFormLayout(this);
    cbDevice = new QComboBox(this);
    cbDevice->setObjectName(QStringLiteral("cbDevice"));
    const auto add = [this](const QString& text, const AudioInput& input) {
        cbDevice->addItem(text, input.id);
        cbDevice->setItemData(cbDevice->count() - 1, input.description, kDescriptionRole);
    };
    add(kDefaultInput, {});
    for (const AudioInput& input : inputs) {
        const auto same = std::count_if(inputs.begin(), inputs.end(),
                                        [&](const AudioInput& i) { return i.description == input.description; });
        add(same > 1 ? QStringLiteral("%1 (%2)").arg(input.description, input.id) : input.description, input);
    }
    // The stored input: by its id, or (stored before ids were kept) the
    // first of its description; one not plugged in now stays listed.
    int current = 0;
    if (!settings.DeviceId.isEmpty() || !settings.Device.isEmpty()) {
        for (int i = 1; i < cbDevice->count() && current == 0; ++i) {
            if (settings.DeviceId.isEmpty() ? cbDevice->itemData(i, kDescriptionRole).toString() == settings.Device
                                            : cbDevice->itemData(i).toString() == settings.DeviceId)
                current = i;
        }
        if (current == 0) {
            add(settings.Device.isEmpty() ? settings.DeviceId : settings.Device, {settings.DeviceId, settings.Device});
            current = cbDevice->count() - 1;
        }
    }
    cbDevice->setCurrentIndex(current);
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
    return ListenSettings{cbDevice->currentData(kDescriptionRole).toString(), sePitch->value(),
                          cbDevice->currentData().toString()};
}

}  // namespace orvane::listen::ui
