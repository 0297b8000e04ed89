#include "folder_list.h"

#include <algorithm>

#include <QApplication>
#include <QCollator>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyledItemDelegate>

namespace kalvimo {

namespace {

constexpr int kSettleMilliseconds = 150;

constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndent = 12;

class IndentingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() + Indent(index));
        QStyledItemDelegate::paint(painter, shifted, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(Indent(index), 0);
    }

private:
    static int Indent(const QModelIndex& index) { return index.data(kDepthRole).toInt() * kIndent; }
};

// "/a/b" gives "/", "/a", "/a/b".
QStringList Ancestry(const QString& path) {
    QStringList chain{QStringLiteral("/")};
    QString walked;
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        walked += QLatin1Char('/') + part;
        chain.append(walked);
    }
    return chain;
}

} // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setAccessibleName(QStringLiteral("Folders"));
    setItemDelegate(new IndentingDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::OpenEntry);
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMilliseconds);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_,
            qOverload<>(&QTimer::start));
    connect(&settle_, &QTimer::timeout, this, &FolderList::OnDiskChange);
}

bool FolderList::SetPath(const QString& path) {
    if (!Show(path)) {
        return false;
    }
    chosen_ = path_;
    chosenId_ = IdentityOf(QFile::encodeName(chosen_).toStdString());
    return true;
}

void FolderList::SetFolderToMake(const QString& path) {
    toMake_ = QDir::cleanPath(path);
}

QString FolderList::LostFolder() const {
    // A run makes that one again rather than write anywhere else.
    return chosen_.isEmpty() || chosen_ == toMake_ ||
                   IdentityOf(QFile::encodeName(chosen_).toStdString()) == chosenId_
               ? QString()
               : chosen_;
}

bool FolderList::Show(const QString& path) {
    const QFileInfo info(path);
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    if (path.isEmpty() ||
        ((!info.isDir() || !info.isReadable()) && (clean != toMake_ || info.exists()))) {
        return false;
    }
    const bool changed = clean != path_;
    path_ = clean;
    Watch();
    Refresh();
    if (changed) {
        emit Change();
    }
    return true;
}

void FolderList::Watch() {
    if (!watcher_.directories().isEmpty()) {
        watcher_.removePaths(watcher_.directories());
    }
    // A folder still to be made is seen coming from the nearest folder above it.
    QString folder = path_;
    while (!QFileInfo(folder).isDir() && folder != QStringLiteral("/")) {
        folder = QFileInfo(folder).absolutePath();
    }
    watcher_.addPath(folder);
}

void FolderList::OnDiskChange() {
    // A folder removed or a card unplugged: the nearest folder still there takes its place.
    QString folder = path_;
    while (!QFileInfo(folder).isDir() && folder != QStringLiteral("/") && folder != toMake_) {
        folder = QFileInfo(folder).absolutePath();
    }
    if (folder == toMake_ && watcher_.directories() != QStringList{toMake_} &&
        QFileInfo(toMake_).isDir()) {
        // Made at last: its files are to be listed and followed from now on.
        Watch();
        Refresh();
        emit Change();
        return;
    }
    if (folder != path_) {
        if (!held_) {
            Show(folder);
        }
        return;
    }
    // Keep the entry the user has moved to, if it is still there.
    const QString highlighted =
        currentItem() != nullptr ? currentItem()->data(kPathRole).toString() : QString();
    Refresh();
    for (int i = 0; i < count(); ++i) {
        if (item(i)->data(kPathRole).toString() == highlighted) {
            setCurrentRow(i);
        }
    }
    Watch();
}

void FolderList::HoldMoves(bool hold) {
    held_ = hold;
    if (!held_) {
        OnDiskChange();
    }
}

void FolderList::Refresh() {
    clear();
    const QStyle* style = QApplication::style();
    const QIcon open = style->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style->standardIcon(QStyle::SP_DirClosedIcon);
    const QStringList chain = Ancestry(path_);
    for (int depth = 0; depth < chain.size(); ++depth) {
        const QString& folder = chain[depth];
        auto* item = new QListWidgetItem(open, depth == 0 ? folder : QDir(folder).dirName(), this);
        if (!QFileInfo(folder).isDir()) {
            item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
            item->setToolTip(tr("Made by the first run that writes into it"));
        }
        item->setData(kPathRole, folder);
        item->setData(kDepthRole, depth);
    }
    QListWidgetItem* current = item(count() - 1);

    QStringList children =
        QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(children.begin(), children.end(), collator);
    for (const QString& child : children) {
        auto* item = new QListWidgetItem(closed, child, this);
        item->setData(kPathRole, QDir(path_).filePath(child));
        item->setData(kDepthRole, static_cast<int>(chain.size()));
    }
    setCurrentItem(current);
}

void FolderList::OpenEntry(QListWidgetItem* item) {
    if (item != nullptr) {
        SetPath(item->data(kPathRole).toString());
    }
}

void FolderList::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    emit MouseUp(event->button());
}

void FolderList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OpenEntry(currentItem());
        return;
    }
    if (event->key() == Qt::Key_Menu ||
        (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        emit MenuKey();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FolderList::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's menu comes with the button's release; the keyboard's is ours to raise.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        emit MenuKey();
    }
}

} // namespace kalvimo
