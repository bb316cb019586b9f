#include "listen/ui/ListenDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
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
    delays_ = settings.Delays;
    seDelay = new QSpinBox(this);
    seDelay->setObjectName(QStringLiteral("seDelay"));
    seDelay->setRange(ReceiveDelay::kMinMs, ReceiveDelay::kMaxMs);
    seDelay->setSingleStep(10);
    seDelay->setSuffix(QStringLiteral(" ms"));
    seDelay->setToolTip(QStringLiteral("How far the receive audio lags the air (an SDR program or a remote receiver: "
                                       "0.1 to 2 s)"));
    cbDelayAuto = new QCheckBox(QStringLiteral("auto"), this);
    cbDelayAuto->setObjectName(QStringLiteral("cbDelayAuto"));
    cbDelayAuto->setToolTip(QStringLiteral("Find the delay from the beacons heard (the last one found is shown)"));
    auto* delayRow = new QHBoxLayout;
    delayRow->addWidget(seDelay);
    delayRow->addWidget(cbDelayAuto);
    form->addRow(QStringLiteral("Audio delay:"), delayRow);
    showDelay();
    connect(cbDevice, &QComboBox::currentIndexChanged, this, [this] { showDelay(); });
    connect(seDelay, &QSpinBox::valueChanged, this, [this] { keepDelay(); });
    connect(cbDelayAuto, &QCheckBox::toggled, this, [this] { keepDelay(); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

QString ListenDialog::currentKey() const {
    const QString id = cbDevice->currentData().toString();
    return id.isEmpty() ? cbDevice->currentData(kDescriptionRole).toString() : id;
}

void ListenDialog::showDelay() {
    const auto it = delays_.find(currentKey());
    const ReceiveDelay delay = it == delays_.end() ? ReceiveDelay{} : it->second;
    showing_ = true;
    seDelay->setValue(delay.ms);
    cbDelayAuto->setChecked(delay.automatic);
    seDelay->setEnabled(!delay.automatic);
    showing_ = false;
}

void ListenDialog::keepDelay() {
    seDelay->setEnabled(!cbDelayAuto->isChecked());
    if (!showing_) delays_[currentKey()] = ReceiveDelay{cbDelayAuto->isChecked(), seDelay->value()};
}

ListenSettings ListenDialog::settings() const {
    ListenSettings s{cbDevice->currentData(kDescriptionRole).toString(), sePitch->value(),
                     cbDevice->currentData().toString()};
    s.Delays = delays_;
    return s;
}

}  // namespace orvane::listen::ui
