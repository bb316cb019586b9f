#pragma once

#include <QDialog>
#include <QPointer>
#include <QThread>
#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

#include "common/IniFile.h"
#include "common/MessageService.h"
#include "cwsim/BeaconPlayer.h"
#include "cwsim/MidiOutputLayer.h"
#include "cwsim/PlayerClock.h"

class QAbstractButton;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace orvane::cwsim {

class TBeaconSoundThread;

// Responsibilities: the "Beacon Setup" dialog, which is at once the
// simulation's player: it keeps the sound settings (speed, instrument, tone,
// volume) in the "CWsim" section and its position in "BeaconWin", holds the
// MIDI output through its BeaconPlayer (open only while a transmission
// plays, so an idle program keeps no audio stream), hands the beacon of a new slot to a
// sound thread and carries the stop request. Its eighteen buttons play any
// beacon on the GUI thread; the waits keep the dialog live meanwhile.
//
// Collaborations: BeaconPlayer (output and Morse), MidiOutputLayer, IniFile,
// MessageService (MIDI errors, shown on the GUI thread also when they arise on
// a sound thread), TBeaconSoundThread.
//
// Lifetime: created hidden once at start-up, shown modally from the map menu,
// FormDestroy() at program end; no sound thread uses the output after that.
class TfrmBeaconSetup : public QDialog {
    Q_OBJECT
public:
    // gotSoundCard: the main window's count of MIDI outputs was above 0.
    // outputHold: how long the output stays open after the last transmission.
    TfrmBeaconSetup(std::shared_ptr<MidiOutputLayer> midi, bool gotSoundCard, IniFile settings,
                    MessageService& messages, QWidget* parent = nullptr,
                    std::shared_ptr<PlayerClock> clock = std::make_shared<SteadyPlayerClock>(),
                    std::chrono::milliseconds outputHold = BeaconPlayer::kOutputHold);
    ~TfrmBeaconSetup() override;

    // --- The main window's side --------------------------------------------
    // Sets BeaconNumber and starts one sound thread for it (a new slot while
    // the simulation is on). The thread frees itself when it ends. Nothing
    // starts after FormDestroy (nullptr then).
    TBeaconSoundThread* startBeaconSound(int beaconNumber);
    void setStopRequest(bool on) { player_->setStopRequest(on); }
    // "Simulate Beacons" switched on: loads the synthesiser's soundfont on a
    // worker thread (once), so the first slot's transmission starts on time.
    void prepareSound();
    bool StopRequest() const { return player_->StopRequest(); }
    // The "Simulate Setup" item: shows this dialog modally.
    int showSetupModal() { return exec(); }
    // Program end: saves the settings (may throw OrvaneError "Unable to write
    // to ..."), ends every transmission and closes the output.
    void FormDestroy();

    int BeaconNumber = 1;  // GUI thread only; a sound thread copies it at creation
    bool GotSoundCard() const { return gotSoundCard_; }
    const std::shared_ptr<BeaconPlayer>& player() const { return player_; }
    // Sound threads still alive (finished ones are freed by the event loop).
    int liveSoundThreads();

    // --- Handlers ----------------------------------------------------------
    void CreateParams();
    void FormCreate();
    void FormActivate();
    void FormClose();
    void sbSpeedChange();
    void sbPatchChange();
    void sbToneChange();
    void sbVolumeChange();
    void sbBeaconsClick(QAbstractButton* sender);
    void ReadUserIni();
    void SaveUserIni();

    int Speed = 48;
    int Patch = 79;

    QScrollBar* sbSpeed;
    QScrollBar* sbPatch;
    QScrollBar* sbTone;
    QScrollBar* sbVolume;
    QLabel* lblSpeed;
    QLabel* lblPatch;
    QLabel* lblTone;
    QLabel* lblVolume;
    // Beside the classic captions, what their numbers mean: words per
    // minute, the instrument's name, the note's name and pitch.
    QLabel* lblSpeedMeaning;
    QLabel* lblPatchMeaning;
    QLabel* lblToneMeaning;
    QLabel* lblSendingCall;
    QLabel* lblTimeUsed;
    QGroupBox* gbBeaconButtons;
    std::array<QPushButton*, 18> beaconButtons{};  // objectName "sb4U1UN".., property "Tag" 1..18

    static constexpr int kDesignLeft = 197;
    static constexpr int kDesignTop = 213;
    // The longest a transmission can go on after a stop: 43 units at 75 ms.
    // Bounds the whole wait for the sound threads at program end.
    static constexpr std::chrono::milliseconds kShutdownBound{4000};
    void setShutdownBound(std::chrono::milliseconds bound) { shutdownBound_ = bound; }

protected:
    // Every way of closing the dialog (Esc, the close box) runs FormClose.
    void done(int result) override;
    bool event(QEvent* e) override;

private:
    void buildControls();
    void showMeanings();
    void shutdownPlayer();

    std::shared_ptr<BeaconPlayer> player_;
    std::shared_ptr<PlayerClock> clock_;
    bool gotSoundCard_;
    IniFile settings_;
    MessageService& messages_;
    std::vector<QPointer<TBeaconSoundThread>> threads_;
    bool destroyed_ = false;
    std::chrono::milliseconds shutdownBound_ = kShutdownBound;
    std::chrono::milliseconds outputHold_;
};

// Responsibilities: plays one beacon's transmission off the GUI thread, at a
// priority one step above normal, and frees itself when it ends. It takes
// the beacon number and the player when it is created, on the GUI thread, so
// it never touches the dialog afterwards.
class TBeaconSoundThread : public QThread {
    Q_OBJECT
public:
    explicit TBeaconSoundThread(TfrmBeaconSetup& setup);
    int beaconNumber() const { return beaconNumber_; }
    // True once the transmission is over. Read after wait() has returned, it
    // is the hand-over that the race checker can see: QThread::wait() itself
    // synchronises on a futex inside Qt.
    bool ended() const { return ended_.load(std::memory_order_acquire); }

protected:
    void run() override {
        Execute();
        ended_.store(true, std::memory_order_release);
    }

private:
    void Execute();

    std::shared_ptr<BeaconPlayer> player_;
    int beaconNumber_;
    bool gotSoundCard_;
    std::atomic<bool> ended_{false};
};

}  // namespace orvane::cwsim
