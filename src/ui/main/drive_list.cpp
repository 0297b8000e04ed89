#include "drive_list.h"

#include "file_locations.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStorageInfo>

namespace kalvimo {

namespace {

// The places a person keeps pictures: the root, the home and data disks, cards and sticks;
// not the system's own mounts (boot loader, memory file systems, sandboxed packages).
bool IsBrowsable(const QStorageInfo& volume) {
    const QString root = volume.rootPath();
    if (!volume.isValid() || !volume.isReady() || !QFileInfo(root).isDir()) {
        return false;
    }
    if (root == QStringLiteral("/")) {
        return true;
    }
    const QByteArray type = volume.fileSystemType();
    if (type == "tmpfs" || type == "devtmpfs" || type == "squashfs" || type == "ramfs") {
        return false;
    }
    for (const char* system : {"/boot", "/dev", "/proc", "/sys", "/snap", "/var/lib"}) {
        const QString tree = QString::fromLatin1(system);
        if (root == tree || root.startsWith(tree + QLatin1Char('/'))) {
            return false;
        }
    }
    // Removable media mount under /run/media on some systems; the rest of /run is the system's.
    return !root.startsWith(QStringLiteral("/run/")) ||
           root.startsWith(QStringLiteral("/run/media/"));
}

// Where the desktop mounts cards and sticks.
bool IsRemovable(const QString& root) {
    return root.startsWith(QStringLiteral("/media/")) ||
           root.startsWith(QStringLiteral("/run/media/"));
}

} // namespace

std::vector<Place> ListPlaces(const QString& home, const QString& pictures,
                              const std::vector<MountedVolume>& volumes) {
    std::vector<Place> places;
    if (!home.isEmpty()) {
        places.push_back({QStringLiteral("Home"), home});
    }
    if (!pictures.isEmpty() && pictures != home) {
        places.push_back({QStringLiteral("Pictures"), pictures});
    }
    for (const bool removable : {true, false}) {
        for (const MountedVolume& volume : volumes) {
            if (IsRemovable(volume.root) != removable) {
                continue;
            }
            QString caption = volume.root;
            if (removable) {
                caption = volume.label.isEmpty() ? QFileInfo(volume.root).fileName() : volume.label;
            } else if (!volume.label.isEmpty()) {
                caption += QStringLiteral("  (") + volume.label + QLatin1Char(')');
            }
            places.push_back({caption, volume.root});
        }
    }
    return places;
}

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    ReadVolumes();
    connect(this, &QComboBox::currentIndexChanged, this, &DriveList::Change);
}

void DriveList::ReadVolumes() {
    const QString current = Drive();
    const QSignalBlocker blocker(this);
    clear();
    std::vector<MountedVolume> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (IsBrowsable(volume)) {
            volumes.push_back({volume.rootPath(), volume.name()});
        }
    }
    const auto folder = [](const QString& path) {
        return QFileInfo(path).isDir() ? QDir::cleanPath(path) : QString();
    };
    // Pictures as "Default" takes it.
    for (const Place& place :
         ListPlaces(folder(QStandardPaths::writableLocation(QStandardPaths::HomeLocation)),
                    folder(QString::fromStdString(ProcessPicturesFolder())), volumes)) {
        addItem(place.caption, place.folder);
    }
    setCurrentIndex(findData(current));
}

QString DriveList::Drive() const {
    return currentData().toString();
}

bool DriveList::SetDrive(const QString& path) {
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        const bool holds = root == QStringLiteral("/") || absolute == root ||
                           absolute.startsWith(root + QLatin1Char('/'));
        if (holds && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best < 0) {
        return false;
    }
    setCurrentIndex(best);
    return true;
}

void DriveList::showPopup() {
    // Volumes come and go (a card reader, a stick): look again each time the list opens.
    ReadVolumes();
    QComboBox::showPopup();
}

} // namespace kalvimo
