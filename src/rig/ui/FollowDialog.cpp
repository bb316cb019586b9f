#include "rig/ui/FollowDialog.h"

#include <QComboBox>
#include <QCompleter>
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
    cbModel = new QComboBox(this);
    cbModel->setObjectName(QStringLiteral("cbRigModel"));
    cbModel->setEditable(true);
    cbModel->setInsertPolicy(QComboBox::NoInsert);
    cbModel->setMaxVisibleItems(20);
    cbModel->lineEdit()->setPlaceholderText(QStringLiteral("Loading Hamlib's list of radios..."));
    cbModel->setEnabled(false);
    cbModel->setToolTip(QStringLiteral("The radio by maker and name; type part of either to search"));
    form->addRow(QStringLiteral("Radio:"), cbModel);
    seModel = new QSpinBox(this);
    seModel->setRange(1, 99'999);
    seModel->setValue(settings.model);
    seModel->setToolTip(QStringLiteral("Hamlib rig model number (rigctl -l lists them); 2 is a network rigctld"));
    form->addRow(QStringLiteral("Rig model:"), seModel);
    connect(seModel, &QSpinBox::valueChanged, this, [this](int model) { selectModel(model); });
    connect(cbModel, &QComboBox::activated, this, [this](int index) {
        const QVariant model = cbModel->itemData(index);
        if (model.isValid()) seModel->setValue(model.toInt());
    });
    connect(&watcher_, &QFutureWatcher<std::vector<RigModel>>::finished, this, [this] {
        if (watcher_.future().isValid() && watcher_.future().resultCount() > 0) showModels(watcher_.result());
    });
    watcher_.setFuture(rigModelsLater());
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

// The dialog may close before the list is in; the list itself goes on
// loading for the next time.
FollowDialog::~FollowDialog() { watcher_.disconnect(); }

void FollowDialog::showModels(const std::vector<RigModel>& models) {
    cbModel->clear();
    for (const RigModel& m : models) cbModel->addItem(rigModelCaption(m), m.model);
    // Search anywhere in the caption: maker, name or number.
    auto* completer = new QCompleter(cbModel->model(), cbModel);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    cbModel->setCompleter(completer);
    connect(completer, qOverload<const QModelIndex&>(&QCompleter::activated), this, [this](const QModelIndex& index) {
        const QVariant model = index.data(Qt::UserRole);
        if (model.isValid()) seModel->setValue(model.toInt());
    });
    cbModel->setEnabled(true);
    modelsLoaded_ = true;
    selectModel(seModel->value());
}

// A number Hamlib does not list leaves the choice empty: the number is kept.
void FollowDialog::selectModel(int model) {
    if (!modelsLoaded_) return;
    const int index = cbModel->findData(model);
    cbModel->setCurrentIndex(index);
    if (index < 0) cbModel->setEditText(QString());
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
