#include "app/panels/RadioMenu.h"

#include <QAction>
#include <QMenu>

#include "app/Guarded.h"
#include "app/Orvane_maina.h"
#include "beacons/BandPlan.h"
#include "common/IniFile.h"
#include "rig/RadioSettings.h"
#include "rig/RigFollower.h"
#include "rig/ui/FollowDialog.h"

namespace orvane::app {

RadioMenu::RadioMenu(TfrmTabbedOrvane& main, rig::RigFollower& follower, QMenu* menu, QAction* before)
    : QObject(&main), main_(main), follower_(follower) {
    mnFollowBeacon = new QAction(QStringLiteral("Follow beacon..."), menu);
    mnFollowBeacon->setObjectName(QStringLiteral("mnFollowBeacon"));
    mnFollowBeacon->setCheckable(true);
    mnFollowBeacon->setStatusTip(QStringLiteral("Tune the radio to the band where a beacon transmits, slot by slot"));
    mnStayOnBand = new QAction(QStringLiteral("Stay on band"), menu);
    mnStayOnBand->setObjectName(QStringLiteral("mnStayOnBand"));
    mnStayOnBand->setStatusTip(QStringLiteral("Tune the radio once to the band chosen under the map"));
    menu->insertAction(before, mnFollowBeacon);
    menu->insertAction(before, mnStayOnBand);
    menu->insertSeparator(before);

    connect(mnFollowBeacon, &QAction::triggered, this,
            [this] { runGuarded(main_.messages(), [this] { mnFollowBeaconClick(); }); });
    connect(mnStayOnBand, &QAction::triggered, this,
            [this] { runGuarded(main_.messages(), [this] { mnStayOnBandClick(); }); });
    connect(&follower_, &rig::RigFollower::tuned, this, [this](qint64, double hz, int index, qint64) {
        askedHz_ = hz;
        tunedIndex_ = index;
        readHz_.reset();
        showRadio();
    });
    // What the radio says it is tuned to, beside what was asked of it.
    connect(&follower_, &rig::RigFollower::frequencyRead, this, [this](double hz) {
        readHz_ = hz;
        showRadio();
    });
    connect(&follower_, &rig::RigFollower::failed, this, [this](const QString& message) {
        mnFollowBeacon->setChecked(false);
        main_.setStatusPanelText(1, message);
    });
}

void RadioMenu::showRadio() {
    QString text = QStringLiteral("Radio: %1 MHz CW").arg(askedHz_ / 1e6, 0, 'f', 3);
    if (readHz_) text += QStringLiteral(" (radio reads %1 kHz)").arg(*readHz_ / 1e3, 0, 'f', 2);
    if (tunedIndex_ >= 0)
        text += QStringLiteral(", following ") + QString::fromStdString(main_.stations().entry(tunedIndex_).call);
    main_.setStatusPanelText(1, text);
}

void RadioMenu::mnFollowBeaconClick() {
    if (follower_.following()) {
        // Off: the radio stays where it is.
        follower_.stop();
        mnFollowBeacon->setChecked(false);
        main_.setStatusPanelText(1, QStringLiteral("Radio: following stopped"));
        return;
    }
    mnFollowBeacon->setChecked(false);
    QStringList captions;
    for (int i = 0; i < beacons::kBeaconListCount; ++i) {
        const beacons::StationEntry& e = main_.stations().entry(i);
        captions << QStringLiteral("%1  %2  %3").arg(e.slotNumber).arg(QString::fromStdString(e.call),
                                                                       QString::fromStdString(e.site));
    }
    const int current = std::max(0, main_.currentSlot());
    std::optional<FollowChoice> choice;
    if (askFollow_) {
        choice = askFollow_(captions, current, follower_.settings());
    } else {
        rig::ui::FollowDialog dialog(captions, current, follower_.settings(), &main_);
        if (dialog.exec() == QDialog::Accepted) choice = FollowChoice{dialog.beaconIndex(), dialog.settings()};
    }
    if (!choice) return;
    follower_.setSettings(choice->settings);
    IniFile ini(main_.paths().iniFileName());
    rig::SaveRadioIni(ini, choice->settings);
    mnFollowBeacon->setChecked(true);
    follower_.follow(choice->beaconIndex);
}

void RadioMenu::mnStayOnBandClick() {
    mnFollowBeacon->setChecked(false);
    follower_.stayOnBand(main_.beaconBand());
}

}  // namespace orvane::app
