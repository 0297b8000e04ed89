#pragma once

#include "message_boxes.h"
#include "options_model.h"
#include "page.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

#include <QObject>

class QComboBox;
class QMenu;

namespace kalvimo {

class DriveList;
class FileList;
class FolderList;

// The Source and the Destination page: a drive, folder and file list on each (the first of each
// pair the source's), the filter both file lists follow, and the folder menu of both folder
// lists. The folders and the filter go into the options model as they change.
class FolderPages : public QObject {
    Q_OBJECT

public:
    FolderPages(OptionsModel& model, MessageBoxes& messageBoxes, int twipsPerPixel,
                QWidget& window);

    Page* SourcePage() const { return pages_[0]; }
    Page* DestinationPage() const { return pages_[1]; }
    FolderList& Folders(int index) const { return *uDir[static_cast<std::size_t>(index)]; }
    FileList& Files(int index) const { return *uFile[static_cast<std::size_t>(index)]; }

    // Shows a folder, or a file's folder, in the source's lists (0) or the destination's (1).
    void SetFolderLists(const QString& path, int index);
    // Puts stored folders and the filter into the lists; defaults choose an entry of the filter
    // list instead of looking its text up.
    void Show(const JobOptions& settings, std::optional<std::size_t> filterEntry);
    // Folders and pictures handed over: the first one's folder becomes the source and the
    // pictures named in it are selected. False when none names anything.
    bool Open(const std::vector<std::string>& paths);
    // The filter to keep in the settings: the one chosen, not one set only to show a picture.
    std::string KeptFilter() const;

signals:
    // A picture clicked in the source's (0) or the destination's (1) file list, while the
    // options ask for a preview.
    void PictureClicked(const std::string& path, const QString& name, int index);
    // A source picture was double-clicked.
    void SourcePictureOpened(const std::string& name);

private slots:
    void uDrive_Change(int index);
    void uDir_Change(int index);
    void uDir_MouseUp(int index, Qt::MouseButton button);
    void uFile_Click(int index);
    void uFile_DblClick(int index);
    void cboFilter_Click();
    void cboFilter_Validate();
    void mnOpenFolder_Click();
    void mnCopyFolder_Click();
    void mnUseClip_Click();
    void mnChooseFolder_Click();

private:
    void BuildFolderMenu(QWidget& window);
    void PopFolderMenu(int index, const QPoint& at);
    void ApplyFilter();

    OptionsModel& model_;
    MessageBoxes& messageBoxes_;
    QWidget& window_;
    std::array<Page*, 2> pages_{};
    std::array<DriveList*, 2> uDrive{};
    std::array<FolderList*, 2> uDir{};
    std::array<FileList*, 2> uFile{};
    QComboBox* cboFilter = nullptr;
    QMenu* mnDir = nullptr;
    int menuListIndex = 0;
    bool filterBusy = false;
    // The filter to keep in the settings while one set only to show a picture named on the
    // command line is in the box; a filter the user chooses ends it.
    std::optional<QString> keptFilter_;
};

} // namespace kalvimo
