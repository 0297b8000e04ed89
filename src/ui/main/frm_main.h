#pragma once

#include "batch_host.h"
#include "batch_run.h"
#include "colour_picker.h"
#include "file_locations.h"
#include "frm_crop.h"
#include "gdiplus.h"
#include "job_options.h"
#include "message_boxes.h"
#include "settings_keys.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QStringList>
#include <QWidget>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QUrl;

namespace kalvimo {

class CompactScroller;
class DriveList;
class FileList;
class FolderList;
class OrvelProgress;
class OrvelSimpleButton;
class OrvelTab;
class PicturePreview;
class XButton;

// The program's window: five pages on a tab strip above a preview. Its controls are the job's
// live options; it runs the batch through the engine and answers the run's questions.
// Controls carry their member names as object names ("cboPresets", "uDir(1)"), by which the
// tests find them.
// The local path of a file address, byte for byte as the file system spells it.
std::string LocalPathOf(const QUrl& url);

class frmMain : public QWidget, public BatchHost, public CropHost {
    Q_OBJECT

public:
    // Without message boxes of its own the window shows Qt's; without an application folder it
    // keeps its files (the presets, the settings, the user guide) beside the executable.
    explicit frmMain(std::unique_ptr<MessageBoxes> messageBoxes = nullptr,
                     const QString& applicationFolder = {}, QWidget* parent = nullptr);
    ~frmMain() override;

    // Target width over target height, recomputed on every change of either.
    float ImageScale = 0;

    const BatchRun& Batch() const { return *batch_; }
    // The dialog that holds the crop record; it lives, hidden, as long as the window.
    frmCrop& CropDialog() { return *crop_; }
    void SetColourPicker(std::unique_ptr<ColourPicker> picker) {
        colourPicker_ = std::move(picker);
    }

    // Folders and pictures handed over by the command line or a drop: the first one's folder
    // becomes the source, the pictures named in it are selected, and the Source page shows.
    // Paths that name nothing are passed over. They are spelled as the file system spells them,
    // which need not be UTF-8.
    void OpenPaths(const std::vector<std::string>& paths);

    // The session ends (a termination signal): open dialogs and questions are answered as if
    // cancelled, none is shown from now on, and the window closes the normal way.
    void EndSession();

    // Called back by the colour picker when the user accepts its colour.
    void AcceptColourChange();
    // Called by the crop dialog's "Preview": the current source file with the current options.
    void PreviewCustomCrop() override;
    TargetSize NewSize() override;
    float CurrentImageScale() override { return ImageScale; }

    JobOptions Options() override;
    CropBox CropRectangle() override { return crop_->Edges(); }
    int TwipsPerPixel() override { return twipsPerPixel; }
    int SourceFileCount() override;
    std::string SourceFileName(int index) override;
    bool SourceFileSelected(int index) override;
    void AddLogLine(const std::string& line) override;
    void RunStarted(const std::string& heading) override { AddLogLine(heading); }
    void SetStatus(const std::string& caption) override;
    void SetProcessCaption(const std::string& caption) override;
    void SetProgressVisible(bool visible) override;
    void SetProgress(int value) override;
    void RefreshDestinationList() override;
    void PumpMessages() override;
    MessageAnswer ShowMessage(const std::string& text, MessageIcon icon,
                              MessageButtons buttons) override;
    void ReportOutcome(const std::string& fileName, PictureOutcome outcome,
                       const std::string& reason) override;
    std::string FolderToMake() override { return locations_.defaultDestination; }
    bool CropDialogVisible() override;
    bool PromptCustomCrop(const Canvas& picture, const std::string& fileName) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void oTab_TabClicked();
    void lblLink_Click();
    void lblStart_Click();

    void cboPresets_Click();
    void cmdSwap_Click();
    void cs_NewWidth_ScrollChange();
    void cs_NewHeight_ScrollChange();
    void cmdProcess_Click();
    void cmdCustomCrop_Click();
    void cmdChangeBack_Click();
    void cmdDefault_Click();
    void cmdReload_Click();
    void chkRename_Click();
    void chkOverwrite_Click();
    void butAnchor_Click(int index);

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
    void BuildTabs();
    void BuildIntroPage(QFrame* page);
    void BuildSourcePage(QFrame* page);
    void BuildDestinationPage(QFrame* page);
    void BuildOptionsPage(QFrame* page);
    void BuildLogPage(QFrame* page);
    void BuildPreview();
    void BuildFolderMenu();
    void BuildShortcuts();
    // Remembers where the controls that grow with the window sit at its smallest size.
    void RecordStretch();
    void StepPage(int step);
    void PopFolderMenu(int index, const QPoint& at);
    void ElideStatus();
    void Form_Load(const QString& applicationFolder);

    // Places a control at a position given in twips.
    void Place(QWidget* control, int left, int top, int width, int height) const;
    int Pixels(int twips) const;

    void FillLists();
    void ApplyFittingOption(QCheckBox* box);
    // A size typed into a size box: kept within the box's limits, with a note when it was not.
    void TypedSize(CompactScroller* scroller, int value);
    void SetBackColour(Colour colour);
    // What the settings file keeps, as the controls hold it now.
    StoredSettings Settings();
    // Puts settings into the controls; "Default" chooses the first filter and preset again
    // instead of looking their texts up.
    void ShowSettings(const StoredSettings& settings, bool chooseFirstEntries);
    void LoadSettings();
    void SaveSettings();
    void SelectListText(QComboBox* list, const QString& text);
    void StartGdiPlus();
    void ApplyFilter();
    void SetFolderLists(const QString& path, int index);
    void FitPreview();
    // Gives the crop dialog the last previewed picture as the run will cut it: turned when
    // "Auto rotate" turns it for the current target size.
    void ShowCropPicture();
    // A picture below the pages, fitted to the room there, with its caption and size.
    void ShowPreview(const Canvas& picture, const QString& caption);
    // The presets box shows the entry of the size set, if the list has one.
    void ShowPresetOfSize();
    // Reads a picture, upright and in sRGB, as the one the crop dialog shows; false when it
    // cannot be read.
    bool LoadCropPicture(const std::string& path, const QString& name);
    void ShowMessageBox(const QString& text, BoxIcon icon);
    // Calls into the run on behalf of a handler, then ends a close that waited for it.
    void CallBatch(const std::function<void()>& call);

    std::unique_ptr<MessageBoxes> messageBoxes_;
    std::unique_ptr<cGdiPlus> gDip;
    std::unique_ptr<BatchRun> batch_;
    std::unique_ptr<ColourPicker> colourPicker_;
    frmCrop* crop_ = nullptr;
    // The last previewed picture, upright, and how the crop dialog shows it: turned or not,
    // or nothing when it shows another picture.
    Canvas cropPicture_;
    std::string cropPicturePath_;
    QString cropPictureName_;
    std::optional<bool> cropPictureTurned_;

    int twipsPerPixel = 15;
    QString AppPath;
    QString SettingsPath;
    QString PresetsPath;
    FileLocations locations_;
    QString DefaultDestination() const {
        return QString::fromStdString(locations_.defaultDestination);
    }
    bool filterBusy = false;
    bool optionsBusy = false;
    // A preset is being applied: its width is set before its height.
    bool presetBusy = false;
    std::int16_t anchor = 4;
    // The swatch's fill and the letterbox colour the run paints with; they always agree.
    Colour shpBackFillColour = 0;
    Colour picDestBackColour = 0;
    int menuListIndex = 0;
    int previewWidth = 0;
    int previewHeight = 0;
    int previewZoom = 100;
    QString previewInfo;
    bool closePending_ = false;
    bool sessionEnding_ = false;
    // The filter to keep in the settings while one set only to show a picture named on the
    // command line is in the box; a filter the user chooses ends it.
    std::optional<QString> keptFilter_;
    // What the run last reported of a picture; nothing while none was reported.
    std::optional<PictureOutcome> reported_;
    // The status line's whole text; the label shows it shortened to its width.
    QString statusText_;
    struct Stretch {
        QWidget* control = nullptr;
        QRect design;
        bool wider = false;
        bool taller = false;
        bool lower = false;
    };
    std::vector<Stretch> stretch_;
    QSize designSize_;
    // Handlers of this window now inside a call into the run; it pumps events, so a close can
    // arrive while the run object is still at work.
    int batchCalls_ = 0;

    OrvelTab* oTab = nullptr;
    std::array<QFrame*, 5> fraTab{};
    QLabel* lblLink = nullptr;
    QLabel* lblStart = nullptr;

    std::array<DriveList*, 2> uDrive{};
    std::array<FolderList*, 2> uDir{};
    std::array<FileList*, 2> uFile{};
    QComboBox* cboFilter = nullptr;
    QMenu* mnDir = nullptr;

    QComboBox* cboPresets = nullptr;
    CompactScroller* cs_NewWidth = nullptr;
    CompactScroller* cs_NewHeight = nullptr;
    XButton* cmdSwap = nullptr;
    QCheckBox* chkStretch = nullptr;
    QCheckBox* chkLetterbox = nullptr;
    QCheckBox* chkAutoCrop = nullptr;
    QCheckBox* chkCustomCrop = nullptr;
    QCheckBox* chkFill = nullptr;
    QLabel* lblCrop = nullptr;
    // The nine cells of the grid, then the choice by content.
    std::array<XButton*, 10> butAnchor{};
    OrvelSimpleButton* cmdCustomCrop = nullptr;
    QCheckBox* chkPromptCustom = nullptr;
    OrvelSimpleButton* cmdChangeBack = nullptr;
    QFrame* shpBack = nullptr;
    QCheckBox* chkAutoRotate = nullptr;
    QCheckBox* chkRename = nullptr;
    QLineEdit* txtPrefix = nullptr;
    QLineEdit* txtNoExifPrefix = nullptr;
    QCheckBox* chkSuffixExisting = nullptr;
    QCheckBox* chkOverwrite = nullptr;
    QCheckBox* chkAutoRename = nullptr;
    QCheckBox* chkSelected = nullptr;
    QCheckBox* chkPreview = nullptr;
    QCheckBox* chkKeepInfo = nullptr;
    OrvelSimpleButton* cmdDefault = nullptr;
    OrvelSimpleButton* cmdReload = nullptr;
    OrvelSimpleButton* cmdProcess = nullptr;
    OrvelProgress* op_Main = nullptr;
    QLabel* lblInfo = nullptr;

    QPlainTextEdit* txtLog = nullptr;

    // The check boxes and text boxes that hold a stored field as it stands, bound where they are
    // made; Settings() and ShowSettings() map the other controls.
    std::vector<std::pair<bool StoredSettings::*, QCheckBox*>> checkFields_;
    std::vector<std::pair<std::string StoredSettings::*, QLineEdit*>> textFields_;
    // The fitting boxes: one is ticked, the chosen fitting's.
    std::vector<std::pair<Fitting, QCheckBox*>> fittingBoxes_;

    PicturePreview* imgPreview = nullptr;
    QLabel* lblPreview = nullptr;
};

} // namespace kalvimo
