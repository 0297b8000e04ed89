#pragma once

#include <string>

#include <QFileSystemWatcher>
#include <QListWidget>
#include <QTimer>

namespace kalvimo {

// The files of one folder whose names match a pattern of semicolon-separated masks (letter
// case ignored), several selectable at once.
class FileList : public QListWidget {
    Q_OBJECT

public:
    static constexpr const char* kInitialPattern = "*.jpg;*.jpeg;*.bmp";

    explicit FileList(QWidget* parent = nullptr);

    QString Path() const { return path_; }
    // Shows the files of path, none while it is still to be made; false, and nothing changes,
    // when it names something else than a folder.
    bool SetPath(const QString& path);
    QString Pattern() const { return pattern_; }
    // Refuses a pattern with no mask in it or with a folder separator; the list is re-read.
    bool SetPattern(const QString& pattern);
    // Reads the folder again, keeping the selection of the names that are still there.
    void Refresh();

    // The name as the file system holds it, which need not be UTF-8; the entry shows it as
    // well as it can.
    std::string Name(int index) const;
    bool Selected(int index) const;
    // The entry of that name, or null.
    QListWidgetItem* Entry(const std::string& name) const;

signals:
    void Click();
    void DblClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Follows the shown folder on disk; a burst of changes is read once.
    void Watch();
    void OnDiskChange();

    QFileSystemWatcher watcher_;
    QTimer settle_;
    QString path_;
    QString pattern_ = QString::fromLatin1(kInitialPattern);
};

} // namespace kalvimo
