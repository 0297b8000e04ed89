#include "drive_list.h"
#include "file_list.h"
#include "folder_list.h"
#include "frm_main.h"
#include "orvel_tab.h"
#include "picture_preview.h"
#include "text_helpers.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QSignalBlocker>
#include <QUrl>

namespace kalvimo {

namespace {

QLabel* MakeLabel(QWidget* page, const QString& name, const QString& text) {
    auto* label = new QLabel(text, page);
    label->setObjectName(name);
    return label;
}

} // namespace

void frmMain::BuildSourcePage(QFrame* page) {
    for (int i = 0; i < 2; ++i) {
        QWidget* owner = i == 0 ? page : fraTab[2];
        const auto at = static_cast<std::size_t>(i);
        uDrive[at] = new DriveList(owner);
        uDrive[at]->setObjectName(QStringLiteral("uDrive(%1)").arg(i));
        uDir[at] = new FolderList(owner);
        uDir[at]->setObjectName(QStringLiteral("uDir(%1)").arg(i));
        uFile[at] = new FileList(owner);
        uFile[at]->setObjectName(QStringLiteral("uFile(%1)").arg(i));
        connect(uDrive[at], &DriveList::Change, this, [this, i] { uDrive_Change(i); });
        connect(uDir[at], &FolderList::Change, this, [this, i] { uDir_Change(i); });
        connect(uDir[at], &FolderList::MouseUp, this,
                [this, i](Qt::MouseButton button) { uDir_MouseUp(i, button); });
        connect(uDir[at], &FolderList::MenuKey, this, [this, i] {
            const FolderList* folders = uDir[static_cast<std::size_t>(i)];
            const QListWidgetItem* current = folders->currentItem();
            const QRect entry = current != nullptr ? folders->visualItemRect(current) : QRect();
            PopFolderMenu(i, folders->viewport()->mapToGlobal(entry.bottomLeft()));
        });
        connect(uFile[at], &FileList::Click, this, [this, i] { uFile_Click(i); });
        connect(uFile[at], &FileList::DblClick, this, [this, i] { uFile_DblClick(i); });
    }

    Place(uDrive[0], 120, 120, 3450, 330);
    Place(uDir[0], 120, 510, 3450, 2625);
    Place(MakeLabel(page, QStringLiteral("lblGen(3)"), QStringLiteral("Filter:")), 3720, 165, 570,
          255);
    cboFilter = new QComboBox(page);
    cboFilter->setObjectName(QStringLiteral("cboFilter"));
    cboFilter->setEditable(true);
    cboFilter->setInsertPolicy(QComboBox::NoInsert);
    // Inline completion would finish a typed mask with a listed one.
    cboFilter->setCompleter(nullptr);
    cboFilter->lineEdit()->setAccessibleName(QStringLiteral("Filter"));
    Place(cboFilter, 4320, 120, 4935, 330);
    connect(cboFilter, &QComboBox::activated, this, &frmMain::cboFilter_Click);
    connect(cboFilter, &QComboBox::currentIndexChanged, this, &frmMain::cboFilter_Click);
    connect(cboFilter->lineEdit(), &QLineEdit::editingFinished, this, &frmMain::cboFilter_Validate);
    Place(MakeLabel(page, QStringLiteral("lblGen(2)"), QStringLiteral("Images:")), 3720, 555, 1500,
          255);
    Place(uFile[0], 3720, 810, 5535, 2325);
}

void frmMain::BuildDestinationPage(QFrame* /*page*/) {
    // The lists themselves are made with the Source page's, as the two arrays they are.
    Place(uDrive[1], 120, 120, 3450, 330);
    Place(uDir[1], 120, 510, 3450, 2625);
    Place(uFile[1], 3720, 120, 5535, 3015);
}

void frmMain::BuildFolderMenu() {
    mnDir = new QMenu(QStringLiteral("Dir Menu"), this);
    mnDir->setObjectName(QStringLiteral("mnDir"));
    const auto add = [this](const QString& name, const QString& caption, void (frmMain::*slot)()) {
        QAction* item = mnDir->addAction(caption);
        item->setObjectName(name);
        connect(item, &QAction::triggered, this, slot);
    };
    add(QStringLiteral("mnOpenFolder"), QStringLiteral("Open folder"),
        &frmMain::mnOpenFolder_Click);
    add(QStringLiteral("mnCopyFolder"), QStringLiteral("Copy folder to clipboard"),
        &frmMain::mnCopyFolder_Click);
    add(QStringLiteral("mnUseClip"), QStringLiteral("Use clipboard"), &frmMain::mnUseClip_Click);
    mnDir->addSeparator();
    add(QStringLiteral("mnChooseFolder"), QStringLiteral("Choose folder..."),
        &frmMain::mnChooseFolder_Click);
}

void frmMain::uDrive_Change(int index) {
    const auto at = static_cast<std::size_t>(index);
    if (!uDir[at]->SetPath(uDrive[at]->Drive())) {
        // A volume that cannot be read: the drive list goes back to where the folders are.
        const QSignalBlocker blocker(uDrive[at]);
        uDrive[at]->SetDrive(uDir[at]->Path());
    }
}

void frmMain::uDir_Change(int index) {
    const auto at = static_cast<std::size_t>(index);
    uFile[at]->SetPath(uDir[at]->Path());
    // Walking down the folders can enter another volume; the drive list follows quietly.
    const QSignalBlocker blocker(uDrive[at]);
    uDrive[at]->SetDrive(uDir[at]->Path());
}

void frmMain::uDir_MouseUp(int index, Qt::MouseButton button) {
    if (button != Qt::RightButton) {
        return;
    }
    PopFolderMenu(index, QCursor::pos());
}

void frmMain::PopFolderMenu(int index, const QPoint& at) {
    menuListIndex = index;
    mnDir->popup(at);
}

void frmMain::uFile_DblClick(int index) {
    if (index == 1) {
        uFile[1]->Refresh();
        return;
    }
    const std::string name = uFile[0]->Name(uFile[0]->currentRow());
    if (name.empty()) {
        return;
    }
    // Disabling the list passes the focus on; the keys must come back to the list after.
    const QPointer<QWidget> focused = QApplication::focusWidget();
    uFile[0]->setEnabled(false);
    reported_.reset();
    CallBatch([this, &name] { batch_->ProcessFile(uFile[0]->Path().toStdString(), name, false); });
    uFile[0]->setEnabled(true);
    if (focused != nullptr) {
        focused->setFocus();
    }
    // What the run would write, where the picture is previewed; a failed or skipped picture
    // reports itself and leaves the preview as it was.
    if (batch_ && !reported_ && batch_->picDest().Width() > 0) {
        ShowPreview(batch_->picDest(),
                    QStringLiteral("Result: ") + QString::fromStdString(ShownName(name)));
    }
}

void frmMain::cboFilter_Click() {
    keptFilter_.reset();
    ApplyFilter();
}

void frmMain::cboFilter_Validate() {
    keptFilter_.reset();
    ApplyFilter();
}

void frmMain::ApplyFilter() {
    if (filterBusy) {
        return;
    }
    filterBusy = true;
    const QString remembered = uFile[0]->Pattern();
    const QString pattern = cboFilter->currentText();
    // Setting a pattern re-reads the list.
    const bool sourceTook = uFile[0]->SetPattern(pattern);
    const bool destinationTook = uFile[1]->SetPattern(pattern);
    if (!sourceTook || !destinationTook) {
        cboFilter->setEditText(remembered);
        uFile[0]->SetPattern(remembered);
        uFile[1]->SetPattern(remembered);
    }
    filterBusy = false;
}

void frmMain::SetFolderLists(const QString& path, int index) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        return;
    }
    // A file's own folder is the place it names.
    const QString folder = info.isDir() ? path : info.absolutePath();
    const auto at = static_cast<std::size_t>(index);
    uDrive[at]->SetDrive(folder);
    uDir[at]->SetPath(folder);
}

namespace {

// The local files and folders among dropped addresses; others are not ours to open.
std::vector<std::string> DroppedPaths(const QMimeData* data) {
    std::vector<std::string> paths;
    if (data == nullptr) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            std::string path = LocalPathOf(url);
            std::error_code error;
            if (std::filesystem::exists(path, error)) {
                paths.push_back(std::move(path));
            }
        }
    }
    return paths;
}

} // namespace

std::string LocalPathOf(const QUrl& url) {
    // Decoded from its bytes: the text of the path would lose a name that is not UTF-8.
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

void frmMain::OpenPaths(const std::vector<std::string>& paths) {
    namespace fs = std::filesystem;
    fs::path folder;
    std::vector<std::string> names;
    for (const std::string& given : paths) {
        std::error_code error;
        if (given.empty() || !fs::exists(given, error)) {
            continue;
        }
        const fs::path path = fs::absolute(given, error).lexically_normal();
        const bool isFolder = fs::is_directory(path, error);
        fs::path place = isFolder ? path : path.parent_path();
        if (!place.has_filename() && place != place.root_path()) {
            place = place.parent_path();
        }
        if (folder.empty()) {
            folder = place;
        }
        if (!isFolder && place == folder) {
            names.push_back(path.filename().string());
        }
    }
    if (folder.empty()) {
        return;
    }
    SetFolderLists(QString::fromStdString(folder.string()), 0);
    FileList* files = uFile[0];
    const auto listed = [files](const std::string& name) { return files->Entry(name) != nullptr; };
    // A picture the filter hides would be opened and not shown: show every file instead, for
    // now; the settings keep the filter chosen.
    if (!std::all_of(names.cbegin(), names.cend(), listed)) {
        const QString chosen = keptFilter_.value_or(cboFilter->currentText());
        cboFilter->setCurrentIndex(cboFilter->findText(QStringLiteral("*.*")));
        cboFilter->setEditText(QStringLiteral("*.*"));
        ApplyFilter();
        keptFilter_ = chosen;
    }
    files->clearSelection();
    for (const std::string& name : names) {
        if (QListWidgetItem* item = files->Entry(name)) {
            item->setSelected(true);
            files->setCurrentItem(item, QItemSelectionModel::Select);
        }
    }
    if (!names.empty()) {
        // The pictures named are the ones meant, not the whole folder.
        chkSelected->setChecked(true);
        files->scrollToItem(files->currentItem());
    } else {
        // A folder handed over means its pictures: Process takes them at once.
        files->selectAll();
    }
    oTab->SelectTabManually(1);
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedPaths(event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void frmMain::dropEvent(QDropEvent* event) {
    const std::vector<std::string> paths = DroppedPaths(event->mimeData());
    if (paths.empty()) {
        return;
    }
    event->acceptProposedAction();
    OpenPaths(paths);
}

void frmMain::mnOpenFolder_Click() {
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(uDir[static_cast<std::size_t>(menuListIndex)]->Path()));
}

void frmMain::mnCopyFolder_Click() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(uDir[static_cast<std::size_t>(menuListIndex)]->Path());
}

void frmMain::mnChooseFolder_Click() {
    const auto at = static_cast<std::size_t>(menuListIndex);
    const QString folder = messageBoxes_->ChooseFolder(this, uDir[at]->Path());
    if (!folder.isEmpty()) {
        SetFolderLists(folder, menuListIndex);
    }
}

void frmMain::mnUseClip_Click() {
    QString text = QGuiApplication::clipboard()->text();
    // File managers put a copied folder on the clipboard as a file address.
    const QUrl url(text.trimmed());
    if (url.isLocalFile()) {
        text = url.toLocalFile();
    }
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r'))) {
        text.chop(1);
    }
    if (!text.isEmpty() && QFileInfo::exists(text)) {
        SetFolderLists(text, menuListIndex);
    }
}

} // namespace kalvimo
