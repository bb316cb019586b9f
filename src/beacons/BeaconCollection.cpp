#include "beacons/BeaconCollection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "common/AtomicFile.h"
#include "common/RegularFile.h"

namespace orvane::beacons {

void readBeaconFile(const QString& fileName, BeaconContainer& container) {
    const FileBytes file = readRegularFile(fileName, kMaxBeaconFileBytes);
    using Status = FileBytes::Status;
    if (file.status == Status::Missing || file.status == Status::Unreadable || file.status == Status::NotRegular) {
        const std::string reason = file.reason.isEmpty() ? std::string() : ": " + file.reason.toStdString();
        throw OrvaneError("Cannot open file " + fileName.toStdString() + reason);
    }
    // A file beyond the bound is decoded from its first part, as one that
    // ends early.
    const QByteArray& bytes = file.bytes;
    decodeBeaconFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), container);
}

void writeBeaconFile(const QString& fileName, const BeaconContainer& container) {
    const std::string bytes = encodeBeaconFile(container);
    if (!writeFileAtomically(fileName, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()))))
        throw OrvaneError("Cannot create file " + fileName.toStdString());
}

BeaconArray beaconArrayOf(const BeaconContainer& container) {
    BeaconArray beacons{};
    for (int i = 0; i < kBeaconListCount; ++i) {
        const auto it = container.records.find(i);
        if (it != container.records.end()) beacons[static_cast<std::size_t>(i)] = it->second;
    }
    return beacons;
}

BeaconCollection::BeaconCollection(QString beaconFileName)
    : fileName_(QFileInfo(beaconFileName).absoluteFilePath()) {}

void BeaconCollection::SetupBeaconCollection() {
    if (!container_) container_.emplace();
    container_->records.clear();
    beacons_ = BeaconArray{};

    if (!QFileInfo::exists(fileName_)) {
        useDefaults();
        SetupBeaconArray();
        return;
    }

    std::string error;
    try {
        readBeaconFile(fileName_, *container_);
        SetupBeaconArray();
        return;
    } catch (const OrvaneError& e) {
        error = e.what();
    }

    // The file is unusable. Keep it for the user rather than overwrite it at
    // close, and carry on with the defaults.
    beacons_ = BeaconArray{};
    const QString keptAs = keepAside();
    if (keptAs.isEmpty()) {
        useDefaults();
        SetupBeaconArray();
        container_.reset();
        throw OrvaneError(error + "\n\nThe beacon file " + fileName_.toStdString() +
                          " could not be renamed and will be left as it is; the default beacon table is used.");
    }
    useDefaults();
    SetupBeaconArray();
    throw OrvaneError(error + "\n\nThe beacon file has been kept as " + keptAs.toStdString() +
                      "; the default beacon table is used.");
}

void BeaconCollection::SetupBeaconArray() {
    if (!container_) return;
    for (int i = 0; i < kBeaconListCount; ++i) {
        const auto it = container_->records.find(i);
        if (it != container_->records.end()) beacons_[static_cast<std::size_t>(i)] = it->second;
    }
}

void BeaconCollection::SaveBeaconCollection() {
    if (!container_) return;
    for (int i = 0; i < kBeaconListCount; ++i) {
        const auto it = container_->records.find(i);
        if (it != container_->records.end()) it->second = beacons_[static_cast<std::size_t>(i)];
    }
    writeBeaconFile(fileName_, *container_);
    container_.reset();
}

void BeaconCollection::useDefaults() {
    container_.emplace(defaultBeaconContainer());
}

QString BeaconCollection::keepAside() const {
    // orvane.BCN -> orvane.BCN.bad, orvane.BCN.bad2, ... never over an older one.
    for (int n = 1; n <= 100; ++n) {
        const QString target = fileName_ + QStringLiteral(".bad") + (n == 1 ? QString() : QString::number(n));
        if (QFileInfo::exists(target)) continue;
        if (QFile::rename(fileName_, target)) return target;
        return {};
    }
    return {};
}

}  // namespace orvane::beacons
