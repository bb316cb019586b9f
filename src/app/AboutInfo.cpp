#include "app/AboutInfo.h"

#include <QApplication>
#include <QUrlQuery>

#include "common/Version.h"

namespace orvane::app {

void GetBuildInfo(std::uint16_t& major, std::uint16_t& minor, std::uint16_t& release, std::uint16_t& build) {
    major = kVersion.major;
    minor = kVersion.minor;
    release = kVersion.release;
    build = kVersion.build;
}

QString GetBuildInfoString() {
    std::uint16_t major = 0, minor = 0, release = 0, build = 0;
    GetBuildInfo(major, minor, release, build);
    return QStringLiteral("%1.%2.%3.%4").arg(major).arg(minor).arg(release).arg(build);
}

QString versionLabelText() {
    return QStringLiteral("This is Version: ") + GetBuildInfoString() + QStringLiteral(", of Orvane ++");
}

QUrl webSiteUrl() { return QUrl(QString::fromLatin1(kWebSiteAddress)); }

QIcon applicationIcon() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/orvane-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QUrl mailUrl() {
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(QString::fromLatin1(kMailAddress));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QStringLiteral("Orvane++"));
    url.setQuery(query);
    return url;
}

void nameApplication() {
    QApplication::setApplicationName(QStringLiteral("orvane"));
    // No display name: Qt would append it to every window title that does
    // not end in it ("Calendar Toy — Orvane ++"); the titles are given whole.
    QGuiApplication::setDesktopFileName(QStringLiteral("orvane"));
    QApplication::setWindowIcon(applicationIcon());
}

}  // namespace orvane::app
