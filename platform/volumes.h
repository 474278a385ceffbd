// Drives in place of the Windows drive letters: every mounted volume that
// holds user files gets a letter, the root file system C and the others D, E,
// ... in the order of their mount points.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QList>
#include <QString>

namespace platform {

struct Volume {
    QChar letter; // upper case
    QString root; // the mount point, "/" for the root file system

    bool operator==(const Volume&) const = default;
};

// The volumes of a mount table in the format of /proc/self/mounts. Pseudo
// file systems and the system's own mount points are left out; mount points
// are taken as given, existing or not.
QList<Volume> volumes_from_mount_table(const QByteArray& table);

// The volumes mounted now (from /proc/self/mounts); never empty, C is "/".
QList<Volume> mounted_volumes();

// The volume that holds `path` (the one with the longest matching mount
// point); null when none does.
const Volume* volume_of(const QList<Volume>& volumes, const QString& path);

} // namespace platform
