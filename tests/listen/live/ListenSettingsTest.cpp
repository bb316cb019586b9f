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

}  // namespace
}  // namespace orvane::listen
