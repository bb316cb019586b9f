// The "Beacon Setup" dialog says what its numbers mean beside the classic
// captions, and follows the scroll bars.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QLabel>
#include <QScrollBar>

#include "cwsim/CwTestSupport.h"
#include "cwsim/ui/Ncdxfcw.h"
#include "support/TempDir.h"

namespace orvane::cwsim {
namespace {

TEST(BeaconSetupMeanings, EachNumberHasItsMeaningBesideIt) {
    TempDir dir;
    RecordingMessageService messages;
    auto clock = std::make_shared<VirtualPlayerClock>();
    auto output = std::make_shared<RecordingMidiOutputLayer>([clock] { return clock->nowUs(); });
    TfrmBeaconSetup d(output, true, IniFile(dir.file("orvane.INI")), messages, nullptr, clock);

    struct Row {
        const char* name;
        QScrollBar* bar;
        QLabel* caption;
        QLabel* meaning;
        const char* shownCaption;
        const char* shownMeaning;
        int moveTo;
        const char* movedCaption;
        const char* movedMeaning;
    };
    const Row rows[] = {
        {"Speed", d.sbSpeed, d.lblSpeed, d.lblSpeedMeaning, "Speed: 48", "25 wpm", 60, "Speed: 60", "20 wpm"},
        {"Patch", d.sbPatch, d.lblPatch, d.lblPatchMeaning, "Patch: 79", "Ocarina (GM 80)", 73, "Patch: 73",
         "Flute (GM 74)"},
        {"Tone", d.sbTone, d.lblTone, d.lblToneMeaning, "Tone: 74", "D5, 587.3 Hz", 69, "Tone: 69", "A4, 440.0 Hz"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        // The classic caption where it always was; the meaning right of it,
        // on the same line, whole inside the dialog.
        EXPECT_EQ(r.caption->x(), 264);
        EXPECT_EQ(r.meaning->text(), QString::fromUtf8(r.shownMeaning));
        EXPECT_EQ(r.meaning->y(), r.caption->y());
        EXPECT_GE(r.meaning->x(), r.caption->x() + QFontMetricsF(r.caption->font()).horizontalAdvance(r.caption->text()));
        EXPECT_LE(r.meaning->geometry().right(), d.width());
        r.bar->setValue(r.moveTo);
        EXPECT_EQ(r.caption->text(), QString::fromUtf8(r.movedCaption));
        EXPECT_EQ(r.meaning->text(), QString::fromUtf8(r.movedMeaning));
        EXPECT_GE(r.meaning->width(), QFontMetricsF(r.meaning->font()).horizontalAdvance(r.meaning->text()));
    }
    // The widest instrument name fits as well.
    d.sbPatch->setValue(24);
    EXPECT_GE(d.lblPatchMeaning->width(),
              QFontMetricsF(d.lblPatchMeaning->font()).horizontalAdvance(d.lblPatchMeaning->text()));
    d.FormDestroy();
}

}  // namespace
}  // namespace orvane::cwsim
