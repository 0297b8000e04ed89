#pragma once

#include <QComboBox>

namespace kalvimo {

// The mounted volumes, one of them current. A user's pick or a change from code raises Change.
class DriveList : public QComboBox {
    Q_OBJECT

public:
    explicit DriveList(QWidget* parent = nullptr);

    // The current volume's root folder; empty when no volume is listed.
    QString Drive() const;
    // Makes the volume that holds path current; false when no listed volume holds it.
    bool SetDrive(const QString& path);

    void showPopup() override;

signals:
    void Change();

private:
    void ReadVolumes();
};

} // namespace kalvimo
