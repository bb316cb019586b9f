// The "Listen" section of the settings file.
#include <gtest/gtest.h>

#include "listen/live/ListenSettings.h"
#include "support/TempDir.h"

namespace orvane::listen {
namespace {

TEST(ListenSettings, DefaultsSavedValuesAndDamagedValues) {
    TempDir dir;
    const QString name = dir.file(QStringLiteral("o.INI"));
    EXPECT_EQ(ReadListenIni(IniFile(name)), ListenSettings{});
    EXPECT_EQ(ListenSettings{}.PitchHz, 700);
    IniFile ini(name);
    SaveListenIni(ini, ListenSettings{QStringLiteral("USB Audio CODEC Analog Mono"), 600});
    EXPECT_EQ(ReadListenIni(IniFile(name)), (ListenSettings{QStringLiteral("USB Audio CODEC Analog Mono"), 600}));

    struct Case {
        const char* name;
        QByteArray pitch;
        int expected;
    };
    const Case cases[] = {
        {"lowest", "300", 300},   {"highest", "1200", 1200}, {"below", "299", 700},
        {"above", "1201", 700},   {"no number", "abc", 700}, {"negative", "-700", 700},
    };
    for (const Case& c : cases) {
        TempDir::write(name, "[Listen]\nPitch=" + c.pitch + "\nDevice=" + QByteArray(1000, 'x') + "\n");
        const ListenSettings s = ReadListenIni(IniFile(name));
        EXPECT_EQ(s.PitchHz, c.expected) << c.name;
        EXPECT_EQ(s.Device.size(), ListenSettings::kMaxDeviceChars) << c.name;
    }
}

// Two identical USB codecs share a description; their ids tell them apart.
// The id is stored beside the description and read back; a file written
// before ids were kept (Device only) still reads, its input found by
// description.
TEST(ListenSettings, TheInputIsStoredByItsIdBesideItsDescription) {
    TempDir dir;
    const QString name = dir.file(QStringLiteral("o.INI"));
    const QString codec = QStringLiteral("USB Audio CODEC Analog Stereo");
    for (const QString& id : {QStringLiteral("alsa_input.usb-Burr-Brown_USB_Audio_CODEC-00.analog-stereo"),
                              QStringLiteral("alsa_input.usb-Burr-Brown_USB_Audio_CODEC-00.analog-stereo.2")}) {
        IniFile ini(name);
        SaveListenIni(ini, ListenSettings{codec, 650, id});
        const ListenSettings read = ReadListenIni(IniFile(name));
        EXPECT_EQ(read.DeviceId, id);
        EXPECT_EQ(read, (ListenSettings{codec, 650, id}));
        EXPECT_TRUE(TempDir::readAll(name).contains("DeviceId=" + id.toUtf8())) << TempDir::readAll(name).toStdString();
    }
    TempDir::write(name, "[Listen]\nDevice=USB Audio CODEC Analog Stereo\nPitch=600\n");
    EXPECT_EQ(ReadListenIni(IniFile(name)), (ListenSettings{codec, 600, QString()}));
}

// A station with several receivers: each input with its band (or following
// the map), saved and read back; a file from before (one Device) reads as
// that one input following, and saving one such input leaves it as it was.
TEST(ListenSettings, SeveralInputsEachWithItsBand) {
    TempDir dir;
    const QString name = dir.file(QStringLiteral("o.INI"));
    ListenSettings five{QStringLiteral("Radio 1"), 650, QStringLiteral("sink1.monitor")};
    five.Band = 0;
    five.MoreInputs = {{QStringLiteral("Radio 2"), QStringLiteral("sink2.monitor"), 1},
                       {QStringLiteral("Radio 3"), QString(), 2},
                       {QString(), QStringLiteral("sink4.monitor"), 3},
                       {QStringLiteral("Radio 5"), QStringLiteral("sink5.monitor"), ListenInput::kFollow}};
    {
        IniFile ini(name);
        SaveListenIni(ini, five);
    }
    EXPECT_EQ(ReadListenIni(IniFile(name)), five);
    const QByteArray text = TempDir::readAll(name);
    for (const char* line : {"Inputs=5", "Band=14.10", "Input2Band=18.11", "Input4DeviceId=sink4.monitor",
                             "Input5Band=follow"})
        EXPECT_TRUE(text.contains(line)) << line << '\n' << text.toStdString();
    const std::vector<ListenInput> all = listenInputs(five);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0], (ListenInput{QStringLiteral("Radio 1"), QStringLiteral("sink1.monitor"), 0}));
    EXPECT_EQ(all[4], five.MoreInputs[3]);

    // Back to one input: the others are no longer listened to.
    const ListenSettings one{QStringLiteral("Radio 1"), 650, QStringLiteral("sink1.monitor")};
    {
        IniFile ini(name);
        SaveListenIni(ini, one);
    }
    EXPECT_EQ(ReadListenIni(IniFile(name)), one);

    const QByteArray old = "[Listen]\nDevice=USB Audio CODEC Analog Stereo\nPitch=600\n";
    TempDir::write(name, old);
    const ListenSettings read = ReadListenIni(IniFile(name));
    EXPECT_EQ(read, (ListenSettings{QStringLiteral("USB Audio CODEC Analog Stereo"), 600, QString()}));
    EXPECT_EQ(listenInputs(read), (std::vector<ListenInput>{{read.Device, QString(), ListenInput::kFollow}}));
    {
        IniFile ini(name);
        SaveListenIni(ini, read);
    }
    EXPECT_FALSE(TempDir::readAll(name).contains("Inputs")) << TempDir::readAll(name).toStdString();

    struct Case {
        const char* name;
        QByteArray text;
        std::size_t inputs;
        int secondBand;
    };
    const Case cases[] = {
        {"too many", "Inputs=999\nInput2Band=21.15\n", ListenSettings::kMaxInputs, 2},
        {"none", "Inputs=0\nInput2Band=21.15\n", 1, 0},
        {"negative", "Inputs=-3\n", 1, 0},
        {"no number", "Inputs=five\n", 1, 0},
        {"a band that is none", "Inputs=2\nInput2Band=7.0\n", 2, ListenInput::kFollow},
        {"a band as a number", "Inputs=2\nInput2Band=3\n", 2, ListenInput::kFollow},
        {"a band spaced", "Inputs=2\nInput2Band= 24.93 \n", 2, 3},
    };
    for (const Case& c : cases) {
        TempDir::write(name, "[Listen]\n" + c.text);
        const std::vector<ListenInput> inputs = listenInputs(ReadListenIni(IniFile(name)));
        ASSERT_EQ(inputs.size(), c.inputs) << c.name;
        if (c.inputs > 1) {
            EXPECT_EQ(inputs[1].Band, c.secondBand) << c.name;
        }
    }
}

}  // namespace
}  // namespace orvane::listen
