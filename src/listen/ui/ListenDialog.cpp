#include "listen/ui/ListenDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "beacons/BandPlan.h"

namespace orvane::listen::ui {

namespace {
const QString kDefaultInput = QStringLiteral("(the system's default input)");
constexpr int kDescriptionRole = Qt::UserRole + 1;

// The inputs the system offers, the default first, with `stored` chosen: by
// its id, or (stored before ids were kept) the first of its description;
// one not plugged in now stays listed.
void fillInputs(QComboBox* box, const QList<AudioInput>& inputs, const ListenInput& stored) {
    const auto add = [box](const QString& text, const AudioInput& input) {
        box->addItem(text, input.id);
        box->setItemData(box->count() - 1, input.description, kDescriptionRole);
    };
    add(kDefaultInput, {});
    for (const AudioInput& input : inputs) {
        const auto same = std::count_if(inputs.begin(), inputs.end(),
                                        [&](const AudioInput& i) { return i.description == input.description; });
        add(same > 1 ? QStringLiteral("%1 (%2)").arg(input.description, input.id) : input.description, input);
    }
    int current = 0;
    if (!stored.DeviceId.isEmpty() || !stored.Device.isEmpty()) {
        for (int i = 1; i < box->count() && current == 0; ++i) {
            if (stored.DeviceId.isEmpty() ? box->itemData(i, kDescriptionRole).toString() == stored.Device
                                          : box->itemData(i).toString() == stored.DeviceId)
                current = i;
        }
        if (current == 0) {
            add(stored.Device.isEmpty() ? stored.DeviceId : stored.Device, {stored.DeviceId, stored.Device});
            current = box->count() - 1;
        }
    }
    box->setCurrentIndex(current);
    box->setToolTip(QStringLiteral("Where the radio's receive audio comes in"));
}

// "Following the map" (the band under the map, or the rig follower's), then the five bands.
void fillBands(QComboBox* box, int band) {
    box->addItem(QStringLiteral("Band under the map or the rig's"), ListenInput::kFollow);
    for (int b = 0; b < beacons::kBandCount; ++b) box->addItem(listenBandText(b) + QStringLiteral(" MHz"), b);
    box->setCurrentIndex(std::max(0, box->findData(band)));
    box->setToolTip(QStringLiteral("The band this input's receiver is tuned to"));
}

ReceiveDelay delayIn(const std::map<QString, ReceiveDelay>& delays, const QString& key) {
    const auto it = delays.find(key);
    return it == delays.end() ? ReceiveDelay{} : it->second;
}

ListenInput chosen(const QComboBox* device, const QComboBox* band) {
    return ListenInput{device->currentData(kDescriptionRole).toString(), device->currentData().toString(),
                       band->currentData().toInt()};
}
}  // namespace

ListenDialog::ListenDialog(const QList<AudioInput>& inputs, const ListenSettings& settings, QWidget* parent)
    : QDialog(parent), inputs_(inputs) {
    setObjectName(QStringLiteral("frmListen"));
    setWindowTitle(QStringLiteral("Listen settings"));
    auto* form = new QFormLayout(this);
    cbDevice = new QComboBox(this);
    cbDevice->setObjectName(QStringLiteral("cbDevice"));
    fillInputs(cbDevice, inputs_, {settings.Device, settings.DeviceId, settings.Band});
    form->addRow(QStringLiteral("Audio input:"), cbDevice);
    cbBand = new QComboBox(this);
    cbBand->setObjectName(QStringLiteral("cbBand"));
    fillBands(cbBand, settings.Band);
    form->addRow(QStringLiteral("Band:"), cbBand);

    delays_ = settings.Delays;
    // Further receivers, each on an input, a band and a delay of its own.
    tbInputs = new QTableWidget(0, 3, this);
    tbInputs->setObjectName(QStringLiteral("tbInputs"));
    tbInputs->setHorizontalHeaderLabels({QStringLiteral("Audio input"), QStringLiteral("Band"), QStringLiteral("Audio delay")});
    tbInputs->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    tbInputs->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tbInputs->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    // Room for an input's name beside its band and delay.
    tbInputs->setMinimumWidth(fontMetrics().averageCharWidth() * 64);
    tbInputs->verticalHeader()->hide();
    tbInputs->setSelectionBehavior(QAbstractItemView::SelectRows);
    tbInputs->setToolTip(QStringLiteral("More receivers listened to at once, each on its own band"));
    for (const ListenInput& more : settings.MoreInputs) addRow(more);
    btAddInput = new QPushButton(QStringLiteral("Add input"), this);
    btAddInput->setObjectName(QStringLiteral("btAddInput"));
    btRemoveInput = new QPushButton(QStringLiteral("Remove input"), this);
    btRemoveInput->setObjectName(QStringLiteral("btRemoveInput"));
    connect(btAddInput, &QPushButton::clicked, this, [this] {
        // The next band no input is on yet, else following.
        const ListenSettings now = this->settings();
        const std::vector<ListenInput> all = listenInputs(now);
        int band = ListenInput::kFollow;
        for (int b = 0; b < beacons::kBandCount && band == ListenInput::kFollow; ++b)
            if (std::none_of(all.begin(), all.end(), [b](const ListenInput& in) { return in.Band == b; })) band = b;
        addRow({QString(), QString(), band});
    });
    connect(btRemoveInput, &QPushButton::clicked, this, [this] {
        const int row = tbInputs->currentRow() >= 0 ? tbInputs->currentRow() : tbInputs->rowCount() - 1;
        if (row >= 0) tbInputs->removeRow(row);
    });
    auto* moreButtons = new QHBoxLayout;
    moreButtons->addWidget(btAddInput);
    moreButtons->addWidget(btRemoveInput);
    moreButtons->addStretch(1);
    auto* more = new QVBoxLayout;
    more->addWidget(tbInputs);
    more->addLayout(moreButtons);
    form->addRow(QStringLiteral("More inputs:"), more);

    sePitch = new QSpinBox(this);
    sePitch->setObjectName(QStringLiteral("sePitch"));
    sePitch->setRange(ListenSettings::kMinPitchHz, ListenSettings::kMaxPitchHz);
    sePitch->setSingleStep(10);
    sePitch->setSuffix(QStringLiteral(" Hz"));
    sePitch->setValue(settings.PitchHz);
    sePitch->setToolTip(QStringLiteral("The beacon's tone as the radio plays it (its CW pitch)"));
    form->addRow(QStringLiteral("Pitch:"), sePitch);
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

void ListenDialog::addRow(const ListenInput& input) {
    // The first input and the table hold ListenSettings::kMaxInputs at most.
    if (tbInputs->rowCount() >= ListenSettings::kMaxInputs - 1) return;
    const int row = tbInputs->rowCount();
    tbInputs->insertRow(row);
    auto* device = new QComboBox(tbInputs);
    fillInputs(device, inputs_, input);
    auto* band = new QComboBox(tbInputs);
    fillBands(band, input.Band);
    // As wide as a band's caption; the list opens wide enough for "following".
    band->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    band->setMinimumContentsLength(10);
    // "auto" below the lowest delay; an automatic delay keeps its last estimate.
    auto* delay = new QSpinBox(tbInputs);
    delay->setRange(ReceiveDelay::kMinMs - 1, ReceiveDelay::kMaxMs);
    delay->setSpecialValueText(QStringLiteral("auto"));
    delay->setSingleStep(10);
    delay->setSuffix(QStringLiteral(" ms"));
    const ReceiveDelay kept = delayIn(delays_, input.key());
    delay->setValue(kept.automatic ? delay->minimum() : kept.ms);
    delay->setToolTip(QStringLiteral("How far this input's audio lags the air, or auto"));
    tbInputs->setCellWidget(row, 0, device);
    tbInputs->setCellWidget(row, 1, band);
    tbInputs->setCellWidget(row, 2, delay);
}

QString ListenDialog::currentKey() const { return chosen(cbDevice, cbBand).key(); }

void ListenDialog::showDelay() {
    const ReceiveDelay delay = delayIn(delays_, currentKey());
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
    s.Band = cbBand->currentData().toInt();
    s.Delays = delays_;
    for (int row = 0; row < tbInputs->rowCount(); ++row) {
        const ListenInput more = chosen(qobject_cast<const QComboBox*>(tbInputs->cellWidget(row, 0)),
                                        qobject_cast<const QComboBox*>(tbInputs->cellWidget(row, 1)));
        const auto* delay = qobject_cast<const QSpinBox*>(tbInputs->cellWidget(row, 2));
        const ReceiveDelay shown = delay->value() == delay->minimum()
                                       ? ReceiveDelay{true, delayIn(delays_, more.key()).ms}
                                       : ReceiveDelay{false, delay->value()};
        // An input never given a delay gets no entry for the default one.
        if (shown != ReceiveDelay{} || delays_.count(more.key())) s.Delays[more.key()] = shown;
        s.MoreInputs.push_back(more);
    }
    return s;
}

}  // namespace orvane::listen::ui
