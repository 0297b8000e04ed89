#pragma once

#include <vector>

#include <QComboBox>

namespace kalvimo {

struct MountedVolume {
    QString root;
    QString label;
};

struct Place {
    QString caption;
    QString folder;
};

// Home and Pictures (when they exist; empty names are left out), then the removable volumes by
// their labels, then the other volumes by their roots.
std::vector<Place> ListPlaces(const QString& home, const QString& pictures,
                              const std::vector<MountedVolume>& volumes);

// The usual places and the mounted volumes, one of them current: the one nearest the folder
// shown. A user's pick or a change from code raises Change.
class DriveList : public QComboBox {
    Q_OBJECT

public:
    explicit DriveList(QWidget* parent = nullptr);

    // The current place's folder; empty when none is listed.
    QString Drive() const;
    // Makes the innermost place that holds path current; false when none holds it.
    bool SetDrive(const QString& path);

    void showPopup() override;

signals:
    void Change();

private:
    void ReadVolumes();
};

} // namespace kalvimo
