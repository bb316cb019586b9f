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
    // A history grows for years: it is data, not configuration.
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/.local/share");
    return AppPaths(inDirectory(config, stem).baseName_, data + QStringLiteral("/orvane/history.sqlite"));
}

AppPaths AppPaths::inDirectory(const QString& directory, const QString& stem) {
    const QString base = QDir(directory).absoluteFilePath(stem);
    return AppPaths(base, base + QStringLiteral("-history.sqlite"));
}

}  // namespace orvane
