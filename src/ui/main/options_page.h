#pragma once

#include "options_model.h"
#include "page.h"
#include "settings_keys.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace kalvimo {

class CompactScroller;
class OrvelProgress;
class OrvelSimpleButton;
class XButton;

// The Options page: the target size and its presets, the fitting and its anchor, the colour,
// naming and the files, and the buttons and the status of the run. Its controls write the
// options model as they change; its check boxes follow the model, which other pages write too.
class OptionsPage : public Page {
    Q_OBJECT

public:
    OptionsPage(OptionsModel& model, int twipsPerPixel, QWidget* parent);

    // Fills the presets box from the presets file; no entry is chosen.
    void FillPresets(const QString& presetsPath);
    std::vector<std::string> Presets() const;
    // Puts settings into the controls, each set as the user would set it so that its handlers
    // run, in the order of the keys. "Default" chooses the first preset instead of looking its
    // text up.
    void Show(const StoredSettings& settings, bool chooseFirstPreset);
    void SetBackColour(Colour colour);

    void SetStatus(const QString& caption);
    void SetProcessCaption(const QString& caption);
    void SetProgressVisible(bool visible);
    void SetProgress(int value);
    void RecordStretch() override;
    void Stretch(int wider, int taller) override;

    // The buttons whose work is the window's: the crop dialog, the colour picker, the settings
    // file and the run.
    OrvelSimpleButton* cmdCustomCrop = nullptr;
    OrvelSimpleButton* cmdChangeBack = nullptr;
    OrvelSimpleButton* cmdDefault = nullptr;
    OrvelSimpleButton* cmdReload = nullptr;
    OrvelSimpleButton* cmdProcess = nullptr;

signals:
    // Custom crop was chosen: the crop rectangle must be ready for it.
    void CustomCropChosen();

private slots:
    void cboPresets_Click();
    void cmdSwap_Click();
    void cs_NewWidth_ScrollChange();
    void cs_NewHeight_ScrollChange();
    void chkRename_Click();
    void chkOverwrite_Click();
    void butAnchor_Click(int index);

private:
    void ApplyFittingOption(QCheckBox* box);
    // A size typed into a size box: kept within the box's limits, with a note when it was not.
    void TypedSize(CompactScroller* scroller, int value);
    // The presets box shows the entry of the size set, if the list has one.
    void ShowPresetOfSize();
    void StorePreset();
    void ShowChecks();
    void ElideStatus();

    OptionsModel& model_;
    // A preset is being applied: its width is set before its height.
    bool presetBusy = false;
    bool optionsBusy = false;
    // The status line's whole text; the label shows it shortened to its width.
    QString statusText_;

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
    QCheckBox* chkPromptCustom = nullptr;
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
    OrvelProgress* op_Main = nullptr;
    QLabel* lblInfo = nullptr;

    // The check boxes and text boxes that hold an option's field as it stands, bound where
    // they are made.
    std::vector<std::pair<bool JobOptions::*, QCheckBox*>> checkFields_;
    std::vector<std::pair<std::string JobOptions::*, QLineEdit*>> textFields_;
    // The fitting boxes: one is ticked, the chosen fitting's.
    std::vector<std::pair<Fitting, QCheckBox*>> fittingBoxes_;
    // Where each control sits in the design; a wider window moves them all alike.
    std::vector<std::pair<QWidget*, QRect>> designPlaces_;
};

} // namespace kalvimo
