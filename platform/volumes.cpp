#include "volumes.h"

#include "code_page.h"

#include <QFile>
#include <QSet>

#include <algorithm>

namespace platform {

namespace {

// The mount table writes blanks, tabs, newlines and backslashes in a mount
// point as three-digit octal escapes. The point is taken as the file system
// holds it, as the browser takes the names it lists, so that a point with
// bytes the code page does not decode can still be opened and matched.
QString unescape_mount_point(const QByteArray& field) {
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            int value = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && value < 256) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return from_file_name(out);
}

bool is_pseudo_file_system(const QByteArray& type) {
    static const QSet<QByteArray> pseudo = {
        "proc",        "sysfs",      "devtmpfs",    "devpts",    "tmpfs",
        "cgroup",      "cgroup2",    "securityfs",  "debugfs",   "tracefs",
        "pstore",      "bpf",        "mqueue",      "hugetlbfs", "configfs",
        "fusectl",     "autofs",     "binfmt_misc", "efivarfs",  "nsfs",
        "ramfs",       "rpc_pipefs", "squashfs",    "overlay",   "fuse.gvfsd-fuse",
        "fuse.portal", "selinuxfs",  "devfs"};
    return pseudo.contains(type);
}

bool is_system_mount_point(const QString& point) {
    static const char* const system_trees[] = {"/proc", "/sys",      "/dev", "/run",    "/boot",
                                               "/snap", "/var/snap", "/etc", "/var/lib"};
    if (point.startsWith(QLatin1String("/run/media/"))) return false;
    for (const char* tree : system_trees) {
        QString t = QLatin1String(tree);
        if (point == t || point.startsWith(t + QLatin1Char('/'))) return true;
    }
    return false;
}

} // namespace

QList<Volume> volumes_from_mount_table(const QByteArray& table) {
    QList<QString> points;
    for (const QByteArray& line : table.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3) continue;
        QString point = unescape_mount_point(fields[1]);
        if (point == QLatin1String("/") || !point.startsWith(QLatin1Char('/'))) continue;
        if (is_pseudo_file_system(fields[2]) || is_system_mount_point(point)) continue;
        if (!points.contains(point)) points << point;
    }
    std::sort(points.begin(), points.end());

    QList<Volume> volumes{{QLatin1Char('C'), QStringLiteral("/")}};
    char letter = 'D';
    for (const QString& point : points) {
        if (letter > 'Z') break;
        volumes.append({QLatin1Char(letter++), point});
    }
    return volumes;
}

QList<Volume> mounted_volumes() {
    QFile table(QStringLiteral("/proc/self/mounts"));
    QByteArray content;
    // The mount table reports a size of 0, so it is read to its end.
    if (table.open(QIODevice::ReadOnly)) content = table.readAll();
    return volumes_from_mount_table(content);
}

const Volume* volume_of(const QList<Volume>& volumes, const QString& path) {
    const Volume* best = nullptr;
    for (const Volume& v : volumes) {
        bool inside = v.root == QLatin1String("/")
                          ? path.startsWith(QLatin1Char('/'))
                          : (path == v.root || path.startsWith(v.root + QLatin1Char('/')));
        if (inside && (!best || v.root.size() > best->root.size())) best = &v;
    }
    return best;
}

} // namespace platform
