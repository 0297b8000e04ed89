#pragma once

#include "file_writing.h"

#include <optional>

#include <QFileSystemWatcher>
#include <QListWidget>
#include <QTimer>

namespace kalvimo {

// The folders from the root down to the current one, then the current folder's subfolders,
// each indented by its depth. A double-click or Enter on an entry makes it current.
class FolderList : public QListWidget {
    Q_OBJECT

public:
    explicit FolderList(QWidget* parent = nullptr);

    QString Path() const { return path_; }
    // False, and nothing changes, when path names no readable folder nor the folder to make.
    // The folder becomes the chosen one.
    bool SetPath(const QString& path);
    // The folder last chosen, when it has vanished or another folder has taken its name since
    // (the list shows the folder above it then); empty while it stands. Nothing may be written
    // in its place.
    QString LostFolder() const;
    void Refresh();
    // The one folder the list may show before it exists: the default destination, which the
    // first run that writes into it makes. Its missing folders are shown greyed.
    void SetFolderToMake(const QString& path);
    const QString& FolderToMake() const { return toMake_; }
    // While held, a folder that vanishes stays the list's path (so whatever reads it fails
    // rather than using the folder above); the list moves up when released.
    void HoldMoves(bool hold);

signals:
    void Change();
    void MouseUp(Qt::MouseButton button);
    // The menu key or Shift+F10: the folder menu asked for from the keyboard.
    void MenuKey();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Shows path without making it the chosen folder.
    bool Show(const QString& path);
    // Follows the shown folder on disk; a burst of changes is read once.
    void Watch();
    void OnDiskChange();

    bool held_ = false;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    void OpenEntry(QListWidgetItem* item);

    QString path_;
    QString toMake_;
    QString chosen_;
    std::optional<FolderIdentity> chosenId_;
};

} // namespace kalvimo
