#include "common/AppPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace orvane {

AppPaths AppPaths::forExecutable(const QString& executablePath) {
    const QFileInfo exe(executablePath);
    const QString stem = exe.completeBaseName().isEmpty() ? QStringLiteral("orvane") : exe.completeBaseName();
    const QString exeDir = exe.absolutePath();
    if (::access(QFile::encodeName(exeDir).constData(), W_OK) == 0) return inDirectory(exeDir, stem);
    QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (config.isEmpty()) config = QDir::homePath() + QStringLiteral("/.config/orvane");
    QDir().mkpath(config);
    return inDirectory(config, stem);
}

AppPaths AppPaths::inDirectory(const QString& directory, const QString& stem) {
    return AppPaths(QDir(directory).absoluteFilePath(stem));
}

}  // namespace orvane
