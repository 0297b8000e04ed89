#pragma once

#include "batch_host.h"
#include "batch_run.h"
#include "colour_picker.h"
#include "file_locations.h"
#include "frm_crop.h"
#include "gdiplus.h"
#include "job_options.h"
#include "message_boxes.h"
#include "options_model.h"
#include "settings_keys.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QRect>
#include <QSize>
#include <QWidget>

class QUrl;

namespace kalvimo {

class FolderPages;
class IntroPage;
class LogPage;
class OptionsPage;
class OrvelTab;
class Page;
class PreviewArea;

// The local path of a file address, byte for byte as the file system spells it.
std::string LocalPathOf(const QUrl& url);

// The program's window: five pages on a tab strip above a preview. The pages keep the job's
// options in the options model as their controls change; the window wires them, runs the batch
// through the engine with those options and answers the run's questions.
// Controls carry their member names as object names ("cboPresets", "uDir(1)"), by which the
// tests find them.
class frmMain : public QWidget, public BatchHost, public CropHost {
    Q_OBJECT

public:
    // Without message boxes of its own the window shows Qt's; without an application folder it
    // keeps its files (the presets, the settings, the user guide) beside the executable.
    explicit frmMain(std::unique_ptr<MessageBoxes> messageBoxes = nullptr,
                     const QString& applicationFolder = {}, QWidget* parent = nullptr);
    ~frmMain() override;

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
    float CurrentImageScale() override;

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
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void oTab_TabClicked();
    void cmdProcess_Click();
    void cmdCustomCrop_Click();
    void cmdChangeBack_Click();
    void cmdDefault_Click();
    void cmdReload_Click();

private:
    void BuildTabs();
    void BuildShortcuts();
    // Remembers where the controls that grow with the window sit at its smallest size.
    void RecordStretch();
    void StepPage(int step);
    void Form_Load();
    void StartGdiPlus();
    // What the settings file keeps: the options as the pages hold them, and the crop record.
    StoredSettings Settings();
    // Puts settings into the pages and the crop dialog. Defaults choose a filter entry and the
    // first preset instead of looking their texts up.
    void ShowSettings(const StoredSettings& settings, std::optional<std::size_t> filterEntry);
    // The defaults, with this entry of the filter list: "Default" takes the first, a first start
    // every picture.
    void ShowDefaults(std::size_t filterEntry);
    void LoadSettings();
    void SaveSettings();
    // Custom crop was chosen: a crop rectangle never set starts as the whole target size.
    void ReadyCustomCrop();
    // Gives the crop dialog the last previewed picture as the run will cut it: turned when
    // "Auto rotate" turns it for the current target size.
    void ShowCropPicture();
    // A picture clicked in a file list, shown below the pages and kept for the crop dialog.
    void PreviewPicture(const std::string& path, const QString& name, int index);
    // What the run writes of a source picture, shown below the pages.
    void PreviewResult(const std::string& name);
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
    FileLocations locations_;
    bool closePending_ = false;
    bool sessionEnding_ = false;
    // What the run last reported of a picture; nothing while none was reported.
    std::optional<PictureOutcome> reported_;
    QRect tabDesign_;
    QSize designSize_;
    // Handlers of this window now inside a call into the run; it pumps events, so a close can
    // arrive while the run object is still at work.
    int batchCalls_ = 0;

    OptionsModel* model_ = nullptr;
    OrvelTab* oTab = nullptr;
    IntroPage* intro_ = nullptr;
    FolderPages* folders_ = nullptr;
    OptionsPage* options_ = nullptr;
    LogPage* log_ = nullptr;
    // The pages in the order of their tabs.
    std::array<Page*, 5> fraTab{};
    PreviewArea* preview_ = nullptr;
};

} // namespace kalvimo
