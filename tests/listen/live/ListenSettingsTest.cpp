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

}  // namespace
}  // namespace orvane::listen
