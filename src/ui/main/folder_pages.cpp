#include "folder_pages.h"

#include "drive_list.h"
#include "file_list.h"
#include "folder_list.h"
#include "text_helpers.h"

#include <algorithm>
#include <filesystem>

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
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

FolderPages::FolderPages(OptionsModel& model, MessageBoxes& messageBoxes, int twipsPerPixel,
                         QWidget& window)
    : QObject(&window), model_(model), messageBoxes_(messageBoxes), window_(window) {
    for (int i = 0; i < 2; ++i) {
        const auto at = static_cast<std::size_t>(i);
        Page* page = new Page(i + 1, twipsPerPixel, &window);
        pages_[at] = page;
        uDrive[at] = new DriveList(page);
        uDrive[at]->setObjectName(QStringLiteral("uDrive(%1)").arg(i));
        uDir[at] = new FolderList(page);
        uDir[at]->setObjectName(QStringLiteral("uDir(%1)").arg(i));
        uFile[at] = new FileList(page);
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

    Page* source = pages_[0];
    source->Place(uDrive[0], 120, 120, 3450, 330);
    source->Place(uDir[0], 120, 510, 3450, 2625);
    source->Place(MakeLabel(source, QStringLiteral("lblGen(3)"), QStringLiteral("Filter:")), 3720,
                  165, 570, 255);
    cboFilter = new QComboBox(source);
    cboFilter->setObjectName(QStringLiteral("cboFilter"));
    cboFilter->setEditable(true);
    cboFilter->setInsertPolicy(QComboBox::NoInsert);
    // Inline completion would finish a typed mask with a listed one.
    cboFilter->setCompleter(nullptr);
    cboFilter->lineEdit()->setAccessibleName(QStringLiteral("Filter"));
    source->Place(cboFilter, 4320, 120, 4935, 330);
    // Nothing is chosen here: the settings, or their defaults, choose.
    for (const std::string_view pattern : kFilterPatterns) {
        cboFilter->addItem(
            QString::fromUtf8(pattern.data(), static_cast<qsizetype>(pattern.size())));
    }
    cboFilter->setCurrentIndex(-1);
    model_.Set(&JobOptions::filterPattern, cboFilter->currentText().toStdString());
    connect(cboFilter, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        model_.Set(&JobOptions::filterPattern, text.toStdString());
    });
    connect(cboFilter, &QComboBox::activated, this, &FolderPages::cboFilter_Click);
    connect(cboFilter, &QComboBox::currentIndexChanged, this, &FolderPages::cboFilter_Click);
    connect(cboFilter->lineEdit(), &QLineEdit::editingFinished, this,
            &FolderPages::cboFilter_Validate);
    source->Place(MakeLabel(source, QStringLiteral("lblGen(2)"), QStringLiteral("Images:")), 3720,
                  555, 1500, 255);
    source->Place(uFile[0], 3720, 810, 5535, 2325);

    Page* destination = pages_[1];
    destination->Place(uDrive[1], 120, 120, 3450, 330);
    destination->Place(uDir[1], 120, 510, 3450, 2625);
    destination->Place(uFile[1], 3720, 120, 5535, 3015);
    // The destination's lists reach the foot of the page.
    uDir[1]->resize(uDir[1]->width(), destination->height() - uDir[1]->y());
    uFile[1]->resize(destination->width() - uFile[1]->x(), destination->height() - uFile[1]->y());

    for (std::size_t i = 0; i < 2; ++i) {
        pages_[i]->Grows(uDir[i], false, true);
        pages_[i]->Grows(uFile[i], true, true);
    }
    source->Grows(cboFilter, true, false);
    BuildFolderMenu(window);
}

void FolderPages::BuildFolderMenu(QWidget& window) {
    mnDir = new QMenu(QStringLiteral("Dir Menu"), &window);
    mnDir->setObjectName(QStringLiteral("mnDir"));
    const auto add = [this](const QString& name, const QString& caption,
                            void (FolderPages::*slot)()) {
        QAction* item = mnDir->addAction(caption);
        item->setObjectName(name);
        connect(item, &QAction::triggered, this, slot);
    };
    add(QStringLiteral("mnOpenFolder"), QStringLiteral("&Open folder"),
        &FolderPages::mnOpenFolder_Click);
    add(QStringLiteral("mnCopyFolder"), QStringLiteral("&Copy folder to clipboard"),
        &FolderPages::mnCopyFolder_Click);
    add(QStringLiteral("mnUseClip"), QStringLiteral("&Use clipboard"),
        &FolderPages::mnUseClip_Click);
    mnDir->addSeparator();
    add(QStringLiteral("mnChooseFolder"), QStringLiteral("C&hoose folder..."),
        &FolderPages::mnChooseFolder_Click);
}

void FolderPages::uDrive_Change(int index) {
    const auto at = static_cast<std::size_t>(index);
    if (!uDir[at]->SetPath(uDrive[at]->Drive())) {
        // A volume that cannot be read: the drive list goes back to where the folders are.
        const QSignalBlocker blocker(uDrive[at]);
        uDrive[at]->SetDrive(uDir[at]->Path());
    }
}

void FolderPages::uDir_Change(int index) {
    const auto at = static_cast<std::size_t>(index);
    model_.Set(index == 0 ? &JobOptions::sourceFolder : &JobOptions::destinationFolder,
               uDir[at]->Path().toStdString());
    uFile[at]->SetPath(uDir[at]->Path());
    // Walking down the folders can enter another volume; the drive list follows quietly.
    const QSignalBlocker blocker(uDrive[at]);
    uDrive[at]->SetDrive(uDir[at]->Path());
}

void FolderPages::uDir_MouseUp(int index, Qt::MouseButton button) {
    if (button != Qt::RightButton) {
        return;
    }
    PopFolderMenu(index, QCursor::pos());
}

void FolderPages::PopFolderMenu(int index, const QPoint& at) {
    menuListIndex = index;
    mnDir->popup(at);
}

void FolderPages::uFile_Click(int index) {
    if (!model_.Values().previewOnClick) {
        return;
    }
    const FileList* list = uFile[static_cast<std::size_t>(index)];
    const QListWidgetItem* current = list->currentItem();
    if (current == nullptr) {
        return;
    }
    emit PictureClicked(AddBackslash(list->Path().toStdString()) + list->Name(list->row(current)),
                        current->text(), index);
}

void FolderPages::uFile_DblClick(int index) {
    if (index == 1) {
        uFile[1]->Refresh();
        return;
    }
    const std::string name = uFile[0]->Name(uFile[0]->currentRow());
    if (!name.empty()) {
        emit SourcePictureOpened(name);
    }
}

void FolderPages::cboFilter_Click() {
    keptFilter_.reset();
    ApplyFilter();
}

void FolderPages::cboFilter_Validate() {
    keptFilter_.reset();
    ApplyFilter();
}

void FolderPages::ApplyFilter() {
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

std::string FolderPages::KeptFilter() const {
    return keptFilter_ ? keptFilter_->toStdString() : model_.Values().filterPattern;
}

void FolderPages::SetFolderLists(const QString& path, int index) {
    const QFileInfo info(path);
    // The default destination is shown before the first run makes it.
    const bool toMake =
        !info.exists() && index == 1 && QDir::cleanPath(path) == uDir[1]->FolderToMake();
    if (path.isEmpty() || (!info.exists() && !toMake)) {
        return;
    }
    // A file's own folder is the place it names.
    const QString folder = info.isDir() || toMake ? path : info.absolutePath();
    const auto at = static_cast<std::size_t>(index);
    uDrive[at]->SetDrive(folder);
    uDir[at]->SetPath(folder);
}

void FolderPages::Show(const JobOptions& settings, std::optional<std::size_t> filterEntry) {
    const JobOptions& shown = model_.Values();
    if (settings.sourceFolder != shown.sourceFolder) {
        SetFolderLists(QString::fromStdString(settings.sourceFolder), 0);
    }
    if (settings.destinationFolder != shown.destinationFolder) {
        SetFolderLists(QString::fromStdString(settings.destinationFolder), 1);
    }
    if (filterEntry) {
        // "Default" undoes a typed filter too.
        ChooseEntry(cboFilter, static_cast<int>(*filterEntry), [this] { cboFilter_Click(); });
    } else {
        // Applied at once, as a choice in the box would be: a window whose box names one filter
        // while its lists follow another would run on pictures other than those the box names.
        cboFilter->setEditText(QString::fromStdString(settings.filterPattern));
        ApplyFilter();
    }
}

bool FolderPages::Open(const std::vector<std::string>& paths) {
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
        return false;
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
        model_.Set(&JobOptions::selectedOnly, true);
        files->scrollToItem(files->currentItem());
    } else {
        // A folder handed over means its pictures: Process takes them at once.
        files->selectAll();
    }
    return true;
}

void FolderPages::mnOpenFolder_Click() {
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(uDir[static_cast<std::size_t>(menuListIndex)]->Path()));
}

void FolderPages::mnCopyFolder_Click() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(uDir[static_cast<std::size_t>(menuListIndex)]->Path());
}

void FolderPages::mnChooseFolder_Click() {
    const auto at = static_cast<std::size_t>(menuListIndex);
    const QString folder = messageBoxes_.ChooseFolder(&window_, uDir[at]->Path());
    if (!folder.isEmpty()) {
        SetFolderLists(folder, menuListIndex);
    }
}

void FolderPages::mnUseClip_Click() {
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
