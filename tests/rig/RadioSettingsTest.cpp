// The "Radio" section of the settings file.
#include <gtest/gtest.h>

#include "rig/RadioSettings.h"
#include "support/TempDir.h"

namespace orvane::rig {
namespace {

TEST(RadioSettings, DefaultsSavedValuesAndDamagedValues) {
    TempDir dir;
    const QString name = dir.file(QStringLiteral("o.INI"));
    {
        const RigSettings s = ReadRadioIni(IniFile(name));
        EXPECT_EQ(s.model, 2);
        EXPECT_TRUE(s.port.isEmpty());
        EXPECT_EQ(s.serialSpeed, 0);
    }
    IniFile ini(name);
    SaveRadioIni(ini, RigSettings{3073, QStringLiteral("/dev/ttyUSB0"), 19200, 2000});
    const RigSettings s = ReadRadioIni(IniFile(name));
    EXPECT_EQ(s.model, 3073);
    EXPECT_EQ(s.port, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(s.serialSpeed, 19200);
    TempDir::write(name, "[Radio]\nModel=-4\nSpeed=abc\nPort=" + QByteArray(1000, 'x') + "\n");
    const RigSettings damaged = ReadRadioIni(IniFile(name));
    EXPECT_EQ(damaged.model, 2);
    EXPECT_EQ(damaged.serialSpeed, 0);
    EXPECT_EQ(damaged.port.size(), 256);
}

}  // namespace
}  // namespace orvane::rig
