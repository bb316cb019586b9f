#include "spaceweather/SpaceWeatherWatch.h"

#include <QDir>
#include <QFileInfo>

namespace orvane::spaceweather {

SpaceWeatherWatch::SpaceWeatherWatch(const Clock& clock, QString folder, QObject* parent)
    : QObject(parent), clock_(clock), folder_(std::move(folder)),
      feed_(std::make_unique<SpaceWeatherFeed>(clock, folder_)) {
    minute_.setTimerType(Qt::VeryCoarseTimer);
    minute_.setInterval(60000);
    connect(&minute_, &QTimer::timeout, this, &SpaceWeatherWatch::refresh);
    connect(feed_.get(), &SpaceWeatherFeed::updated, this, &SpaceWeatherWatch::refresh);
}

SpaceWeatherWatch::~SpaceWeatherWatch() = default;

void SpaceWeatherWatch::start(bool fetch) {
    refresh();
    minute_.start();
    if (fetch) feed_->start();
}

void SpaceWeatherWatch::stop() {
    minute_.stop();
    feed_->stop();
}

void SpaceWeatherWatch::refresh() {
    static const char* const kFiles[7] = {kWwvFile, kDsdFile, kDgdFile, kKpFile, kScalesFile, kXrayFile, kProtonFile};
    bool any = false;
    for (size_t i = 0; i < 7; ++i) {
        const QFileInfo info(QDir(folder_).filePath(QString::fromLatin1(kFiles[i])));
        const QDateTime stamp = info.exists() ? info.lastModified() : QDateTime();
        if (stamp != stamps_[i]) any = true;
        stamps_[i] = stamp;
    }
    // A file that disappears keeps its last good values: only files that are
    // there are read again.
    if (any) {
        const Products fresh = readProductsFrom(folder_);
        if (fresh.wwv) products_.wwv = fresh.wwv;
        if (fresh.dsd) products_.dsd = fresh.dsd;
        if (fresh.dgd) products_.dgd = fresh.dgd;
        if (fresh.kp && fresh.kp->ok()) products_.kp = fresh.kp;
        if (fresh.scales && fresh.scales->ok()) products_.scales = fresh.scales;
        if (fresh.xray && fresh.xray->ok()) products_.xray = fresh.xray;
        if (fresh.protons && fresh.protons->ok()) products_.protons = fresh.protons;
    }
    state_ = assemble(products_, now());
    emit changed();
}

}  // namespace orvane::spaceweather
