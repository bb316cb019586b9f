// The one test main: sets the offscreen platform and test-mode paths once, so
// no test ever touches the user's configuration or needs a display.
#include <gtest/gtest.h>

#include <QStandardPaths>
#include <cstdlib>

#ifdef ORVANE_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("QT_FONT_DPI", "96", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
