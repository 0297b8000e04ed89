#include "file_list.h"

#include "file_pattern.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace kalvimo {

namespace {

constexpr int kSettleMilliseconds = 150;
constexpr int kNameRole = Qt::UserRole;

} // namespace

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    setAccessibleName(QStringLiteral("Files"));
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
    // A folder still to be made lists nothing until it is.
    if (QFileInfo::exists(path) && !QFileInfo(path).isDir()) {
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
    QSet<QByteArray> selected;
    for (const QListWidgetItem* item : selectedItems()) {
        selected.insert(item->data(kNameRole).toByteArray());
    }
    const QByteArray current =
        currentItem() != nullptr ? currentItem()->data(kNameRole).toByteArray() : QByteArray();

    clear();
    if (path_.isEmpty()) {
        return;
    }
    for (const std::string& name : ListMatchingFiles(path_.toStdString(), pattern_.toStdString())) {
        const QByteArray bytes = QByteArray::fromStdString(name);
        auto* item = new QListWidgetItem(QString::fromStdString(name), this);
        item->setData(kNameRole, bytes);
        if (bytes == current) {
            setCurrentItem(item, QItemSelectionModel::NoUpdate);
        }
        item->setSelected(selected.contains(bytes));
    }
}

void FileList::OnDiskChange() {
    Refresh();
    // A folder removed and made again is a new one to watch.
    Watch();
}

std::string FileList::Name(int index) const {
    const QListWidgetItem* entry = item(index);
    return entry != nullptr ? entry->data(kNameRole).toByteArray().toStdString() : std::string();
}

QListWidgetItem* FileList::Entry(const std::string& name) const {
    const QByteArray bytes = QByteArray::fromStdString(name);
    for (int i = 0; i < count(); ++i) {
        if (item(i)->data(kNameRole).toByteArray() == bytes) {
            return item(i);
        }
    }
    return nullptr;
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
