#include "file_list.h"

#include "file_pattern.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace kalvimo {

namespace {

constexpr int kSettleMilliseconds = 150;

} // namespace

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(this, &QListWidget::itemClicked, this, &FileList::Click);
    connect(this, &QListWidget::itemDoubleClicked, this, &FileList::DblClick);
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMilliseconds);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_,
            qOverload<>(&QTimer::start));
    connect(&settle_, &QTimer::timeout, this, &FileList::OnDiskChange);
}

bool FileList::SetPath(const QString& path) {
    if (!QFileInfo(path).isDir()) {
        return false;
    }
    path_ = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    Watch();
    clear();
    Refresh();
    return true;
}

bool FileList::SetPattern(const QString& pattern) {
    if (pattern.contains(QLatin1Char('/')) ||
        pattern.split(QLatin1Char(';')).join(QString()).trimmed().isEmpty()) {
        return false;
    }
    pattern_ = pattern;
    Refresh();
    return true;
}

void FileList::Watch() {
    if (!watcher_.directories().isEmpty()) {
        watcher_.removePaths(watcher_.directories());
    }
    watcher_.addPath(path_);
}

void FileList::Refresh() {
    QSet<QString> selected;
    for (const QListWidgetItem* item : selectedItems()) {
        selected.insert(item->text());
    }
    const QString current = currentItem() != nullptr ? currentItem()->text() : QString();

    clear();
    if (path_.isEmpty()) {
        return;
    }
    for (const std::string& name : ListMatchingFiles(path_.toStdString(), pattern_.toStdString())) {
        auto* item = new QListWidgetItem(QString::fromStdString(name), this);
        if (item->text() == current) {
            setCurrentItem(item, QItemSelectionModel::NoUpdate);
        }
        item->setSelected(selected.contains(item->text()));
    }
}

void FileList::OnDiskChange() {
    Refresh();
    // A folder removed and made again is a new one to watch.
    Watch();
}

QString FileList::Name(int index) const {
    const QListWidgetItem* entry = item(index);
    return entry != nullptr ? entry->text() : QString();
}

bool FileList::Selected(int index) const {
    const QListWidgetItem* entry = item(index);
    return entry != nullptr && entry->isSelected();
}

void FileList::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    // Moving through the list with the keys is a click on the entry reached.
    if (currentRow() != before && currentRow() >= 0) {
        emit Click();
    }
}

} // namespace kalvimo
