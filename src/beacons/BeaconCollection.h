#pragma once

#include <QString>
#include <optional>

#include "beacons/BeaconFile.h"
#include "beacons/BeaconRecord.h"

namespace orvane::beacons {

// Responsibilities: the beacon table of the running program. Holds
// BeaconArray, which the main window reads and changes (the per-band flags),
// and the container of records read from the beacon file at start-up, which
// is written back at close. One instance, owned by the main window.
//
// Collaborations: BeaconFile.h for the bytes; the file itself is read once at
// start-up and written atomically at close.
//
// A beacon file that cannot be read is not lost: it is renamed aside (the
// error says where), the default table is used, and the close writes a fresh
// file in its place. If it cannot even be renamed, nothing is written over it.
// Largest beacon file read. Eighteen records take 217 bytes; anything beyond
// this cap is treated as a file that ends early.
inline constexpr qint64 kMaxBeaconFileBytes = 1024 * 1024;

// Reads a beacon file into the container. Throws OrvaneError("Cannot open
// file <name>") or BeaconFileError with the reason it is malformed.
void readBeaconFile(const QString& fileName, BeaconContainer& container);

// Writes the container atomically. Throws OrvaneError("Cannot create file <name>").
void writeBeaconFile(const QString& fileName, const BeaconContainer& container);

// The records at indexes 0..17 as BeaconArray; missing ones stay empty.
BeaconArray beaconArrayOf(const BeaconContainer& container);

class BeaconCollection {
public:

    explicit BeaconCollection(QString beaconFileName);

    const QString& beaconFileName() const { return fileName_; }

    // Start-up: empties the table and loads the beacon file, or the defaults
    // when there is none. Throws OrvaneError with the reason when the file
    // exists but cannot be used; the table then holds the defaults.
    void SetupBeaconCollection();

    // Copies each record the container holds at index 0..17 into BeaconArray.
    void SetupBeaconArray();

    // Close: writes BeaconArray back into the container's records and the
    // container to the beacon file, then releases the container, so a second
    // call does nothing. Throws OrvaneError("Cannot create file %s") and keeps
    // the container (a later call tries again) when the file cannot be
    // written.
    void SaveBeaconCollection();

    BeaconArray& beacons() { return beacons_; }
    const BeaconArray& beacons() const { return beacons_; }
    bool hasContainer() const { return container_.has_value(); }
    const std::optional<BeaconContainer>& container() const { return container_; }

private:
    void useDefaults();
    QString keepAside() const;

    QString fileName_;
    std::optional<BeaconContainer> container_;
    BeaconArray beacons_{};
};

}  // namespace orvane::beacons
