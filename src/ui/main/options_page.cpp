#include "anchor_grid.h"
#include "artwork.h"
#include "canvas_image.h"
#include "compact_scroller.h"
#include "file_list.h"
#include "folder_list.h"
#include "frm_main.h"
#include "geometry.h"
#include "orvel_progress.h"
#include "orvel_simple_button.h"
#include "presets.h"
#include "rotation.h"
#include "rounding.h"
#include "settings_keys.h"
#include "text_helpers.h"
#include "xbutton.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace kalvimo {

namespace {

// A check box's or a label's height, in twips.
constexpr int kRow = 255;

CompactScroller* MakeScroller(QWidget* page, const QString& name, const QString& description,
                              DimensionLimits limits, int value) {
    auto* scroller = new CompactScroller(page);
    scroller->setObjectName(name);
    scroller->SetDescription(description);
    scroller->SetScrMin(limits.minimum);
    scroller->SetScrMax(limits.maximum);
    scroller->SetScrSmallChange(1);
    scroller->SetScrLargeChange(500);
    scroller->SetScrValue(value);
    return scroller;
}

} // namespace

void frmMain::BuildOptionsPage(QFrame* page) {
    // Three columns: the size and the fitting; the anchor or custom crop and the colour;
    // naming and the files. The buttons share the foot row.
    constexpr int kColumn1 = 120;
    constexpr int kColumn2 = 4080;
    constexpr int kColumn3 = 6390;
    // A check box starts at its field's default and holds that field from then on.
    const StoredSettings defaults;
    const auto box = [&](const QString& name, const QString& caption, const QString& tip, int left,
                         int top, int width, int height = kRow) {
        auto* control = new QCheckBox(caption, page);
        control->setObjectName(name);
        control->setToolTip(tip);
        Place(control, left, top, width, height);
        return control;
    };
    const auto check = [&](const QString& name, const QString& caption, const QString& tip,
                           int left, int top, int width, bool StoredSettings::*field) {
        QCheckBox* control = box(name, caption, tip, left, top, width);
        control->setChecked(defaults.*field);
        checkFields_.emplace_back(field, control);
        return control;
    };
    // A fitting's box is ticked while its fitting is the one chosen. Five rows fit between the
    // sizes and the foot row only a little closer than the other boxes.
    constexpr int kFittingRow = 240;
    const auto fitting = [&](const QString& name, const QString& caption, const QString& tip,
                             int row, Fitting choice) {
        QCheckBox* control =
            box(name, caption, tip, kColumn1, 1410 + row * kFittingRow, 3750, kFittingRow);
        control->setChecked(defaults.fitting == choice);
        fittingBoxes_.emplace_back(choice, control);
        return control;
    };
    const auto button = [&](const QString& name, const QString& caption, const QString& tip,
                            int left, int top, int width, int height) {
        auto* control = new OrvelSimpleButton(page);
        control->setObjectName(name);
        control->SetCaption(caption);
        control->setToolTip(tip);
        Place(control, left, top, width, height);
        return control;
    };
    const auto label = [&](const QString& name, const QString& caption, int left, int top,
                           int width) {
        auto* control = new QLabel(caption, page);
        control->setObjectName(name);
        Place(control, left, top, width, kRow);
        return control;
    };

    label(QStringLiteral("lblGen(0)"), QStringLiteral("Presets:"), kColumn1, 60, 1500);
    cboPresets = new QComboBox(page);
    cboPresets->setObjectName(QStringLiteral("cboPresets"));
    Place(cboPresets, kColumn1, 300, 3750, 330);

    cs_NewWidth = MakeScroller(page, QStringLiteral("cs_NewWidth"), QStringLiteral("New Width"),
                               kWidthLimits, kInitialWidth);
    Place(cs_NewWidth, kColumn1, 720, 3150, 300);
    cs_NewHeight = MakeScroller(page, QStringLiteral("cs_NewHeight"), QStringLiteral("New Height"),
                                kHeightLimits, kInitialHeight);
    Place(cs_NewHeight, kColumn1, 1080, 3150, 300);
    // The two bars start level, whatever the captions' widths.
    const QFontMetrics metrics(cs_NewWidth->font());
    constexpr int kCaptionGap = 90;
    const int widthCaption = metrics.horizontalAdvance(cs_NewWidth->Description());
    const int heightCaption = metrics.horizontalAdvance(cs_NewHeight->Description());
    cs_NewWidth->SetSpacing(kCaptionGap +
                            std::max(0, heightCaption - widthCaption) * twipsPerPixel);
    cs_NewHeight->SetSpacing(kCaptionGap +
                             std::max(0, widthCaption - heightCaption) * twipsPerPixel);
    cmdSwap = new XButton(page);
    cmdSwap->setObjectName(QStringLiteral("cmdSwap"));
    cmdSwap->SetCaption(QString());
    PaintFromPalette(*cmdSwap, [this] {
        cmdSwap->SetOmniPic(SwapPicture(cmdSwap->palette(), cmdSwap->devicePixelRatioF()));
    });
    cmdSwap->setToolTip(QStringLiteral("Swap the new width and height"));
    Place(cmdSwap, 3390, 840, 420, 420);

    chkStretch =
        fitting(QStringLiteral("chkStretch"), QStringLiteral("Stretch to fit new dimensions"),
                QStringLiteral("If selected, the new image will be stretched to fit the "
                               "new dimensions."),
                0, Fitting::Stretch);
    chkLetterbox = fitting(
        QStringLiteral("chkLetterbox"), QStringLiteral("Letterbox (retain proportions)"),
        QStringLiteral("Use blank bars on the top & bottom or sides"), 1, Fitting::Letterbox);
    chkAutoCrop = fitting(QStringLiteral("chkAutoCrop"), QStringLiteral("Auto crop"),
                          QStringLiteral("Automatically crop the image based on the grid settings"),
                          2, Fitting::AutoCrop);
    chkCustomCrop = fitting(QStringLiteral("chkCustomCrop"), QStringLiteral("Custom crop"),
                            QStringLiteral("Automatically crop the image based on custom settings"),
                            3, Fitting::CustomCrop);
    chkFill = fitting(QStringLiteral("chkFill"), QStringLiteral("Fill frame"),
                      QStringLiteral("Scale the picture to cover the whole frame and cut off what "
                                     "sticks out"),
                      4, Fitting::Fill);

    auto* shape1 = new QFrame(page);
    shape1->setObjectName(QStringLiteral("Shape1"));
    shape1->setFrameShape(QFrame::VLine);
    shape1->setFrameShadow(QFrame::Sunken);
    Place(shape1, 3945, 60, 30, 2460);
    auto* shape2 = new QFrame(page);
    shape2->setObjectName(QStringLiteral("Shape2"));
    shape2->setFrameShape(QFrame::VLine);
    shape2->setFrameShadow(QFrame::Sunken);
    Place(shape2, 6255, 60, 30, 2460);

    lblCrop = label(QStringLiteral("lblCrop"), QStringLiteral("Crop position"), kColumn2, 60, 2100);
    lblCrop->setFont(QFont(QStringLiteral("Liberation Sans Narrow"), font().pointSize()));
    const char* const anchorTips[] = {
        "Keep top left",    "Keep top centre",    "Keep top right",
        "Keep middle left", "Keep middle centre", "Keep middle right",
        "Keep bottom left", "Keep bottom centre", "Keep bottom right"};
    for (int i = 0; i < 9; ++i) {
        auto* cell = new XButton(page);
        cell->setObjectName(QStringLiteral("butAnchor(%1)").arg(i));
        cell->SetCaption(QString());
        // Arrows in the theme's text colour, on the button face and on the kept cell alike.
        cell->SetFontColor(kWindowText);
        cell->setToolTip(QString::fromLatin1(anchorTips[i]));
        Place(cell, kColumn2 + (i % 3) * 390, 300 + (i / 3) * 375, 390, 375);
        connect(cell, &XButton::Click, this, [this, i] { butAnchor_Click(i); });
        butAnchor[static_cast<std::size_t>(i)] = cell;
    }
    // Beside the middle row: the tenth choice keeps whatever the picture is about.
    auto* byContent = new XButton(page);
    byContent->setObjectName(QStringLiteral("butAnchor(%1)").arg(kAnchorByContent));
    byContent->SetCaption(QStringLiteral("\u2605"));
    byContent->SetFontColor(kWindowText);
    byContent->setToolTip(QStringLiteral("Keep the subject, found in the picture itself"));
    Place(byContent, kColumn2 + 3 * 390 + 120, 300 + 375, 390, 375);
    connect(byContent, &XButton::Click, this, [this] { butAnchor_Click(kAnchorByContent); });
    butAnchor[kAnchorByContent] = byContent;
    cmdCustomCrop =
        button(QStringLiteral("cmdCustomCrop"), QStringLiteral("&Custom Crop settings"),
               QStringLiteral("Display custom crop settings"), kColumn2, 300, 2100, 420);
    chkPromptCustom = check(QStringLiteral("chkPromptCustom"), QStringLiteral("Ask on each image"),
                            QStringLiteral("Confirm custom cropping on each image"), kColumn2, 780,
                            2100, &StoredSettings::promptCustomCrop);
    for (QWidget* hidden :
         std::initializer_list<QWidget*>{lblCrop, cmdCustomCrop, chkPromptCustom}) {
        hidden->hide();
    }
    for (XButton* cell : butAnchor) {
        cell->hide();
    }

    cmdChangeBack =
        button(QStringLiteral("cmdChangeBack"), QStringLiteral("Change &background colour"),
               QStringLiteral("Change background colour"), kColumn2, 1500, 1620, 480);
    shpBack = new QFrame(page);
    shpBack->setObjectName(QStringLiteral("shpBack"));
    shpBack->setFrameShape(QFrame::Box);
    shpBack->setAutoFillBackground(true);
    // The page paints with its button colour; the swatch shows the chosen colour instead.
    shpBack->setBackgroundRole(QPalette::Window);
    Place(shpBack, 5790, 1560, 360, 360);
    chkAutoRotate = check(QStringLiteral("chkAutoRotate"), QStringLiteral("Auto rotate"),
                          QStringLiteral("Rotate tall images for a better fit"), kColumn2,
                          1500 + 2 * kRow, 2100, &StoredSettings::autoRotate);
    connect(chkAutoRotate, &QCheckBox::toggled, this, &frmMain::ShowCropPicture);
    chkKeepInfo = check(QStringLiteral("chkKeepInfo"), QStringLiteral("Keep photo information"),
                        QStringLiteral("Written JPEG files keep the date, camera and other "
                                       "details of the photo, but not its GPS position: a "
                                       "frame does not need where the picture was taken"),
                        kColumn2, 1500 + 3 * kRow, 2280, &StoredSettings::keepInformation);

    chkRename = check(QStringLiteral("chkRename"), QStringLiteral("Rename with date stamp"),
                      QString(), kColumn3, 60, 2865, &StoredSettings::renameWithDate);
    constexpr int kPrefixBoxLeft = 8040;
    label(QStringLiteral("lblGen(1)"), QStringLiteral("Prefix:"), kColumn3 + 240, 360, 1380);
    txtPrefix = new QLineEdit(page);
    txtPrefix->setObjectName(QStringLiteral("txtPrefix"));
    txtPrefix->setToolTip(QStringLiteral("Filename prefix"));
    txtPrefix->setAccessibleName(QStringLiteral("Prefix"));
    Place(txtPrefix, kPrefixBoxLeft, 330, 9255 - kPrefixBoxLeft, 315);
    textFields_.emplace_back(&StoredSettings::prefix, txtPrefix);
    label(QStringLiteral("lblGen(4)"), QStringLiteral("No Date Prefix:"), kColumn3 + 240, 735,
          1380);
    txtNoExifPrefix = new QLineEdit(page);
    txtNoExifPrefix->setObjectName(QStringLiteral("txtNoExifPrefix"));
    txtNoExifPrefix->setToolTip(QStringLiteral("If no date information is found, use this prefix"));
    txtNoExifPrefix->setAccessibleName(QStringLiteral("No date prefix"));
    Place(txtNoExifPrefix, kPrefixBoxLeft, 705, 9255 - kPrefixBoxLeft, 315);
    textFields_.emplace_back(&StoredSettings::noDatePrefix, txtNoExifPrefix);
    chkSuffixExisting =
        check(QStringLiteral("chkSuffixExisting"), QStringLiteral("Suffix existing name"),
              QStringLiteral("Puts the existing file name at the end of the new "
                             "file name"),
              kColumn3 + 240, 1095, 2625, &StoredSettings::suffixExisting);
    chkOverwrite = check(QStringLiteral("chkOverwrite"), QStringLiteral("Overwrite existing files"),
                         QStringLiteral("If a file already exists with the same name, overwrite"),
                         kColumn3, 1500, 2865, &StoredSettings::overwrite);
    chkAutoRename =
        check(QStringLiteral("chkAutoRename"), QStringLiteral("Auto rename on name clash"),
              QStringLiteral("Auto rename files if a name clashes"), kColumn3, 1500 + kRow, 2865,
              &StoredSettings::autoRename);
    chkSelected = check(QStringLiteral("chkSelected"), QStringLiteral("Process selected only"),
                        QString(), kColumn3, 1500 + 2 * kRow, 2865, &StoredSettings::selectedOnly);
    chkPreview = check(QStringLiteral("chkPreview"), QStringLiteral("Preview images on click"),
                       QString(), kColumn3, 1500 + 3 * kRow, 2865, &StoredSettings::previewOnClick);

    constexpr int kFootRow = 2640;
    constexpr int kFootHeight = 495;
    cmdDefault =
        button(QStringLiteral("cmdDefault"), QStringLiteral("&Default"),
               QStringLiteral("Reset to default settings"), kColumn2, kFootRow, 840, kFootHeight);
    cmdReload = button(QStringLiteral("cmdReload"), QStringLiteral("&Reload saved settings"),
                       QStringLiteral("Reload the previously saved settings"), kColumn2 + 900,
                       kFootRow, 1200, kFootHeight);
    cmdProcess = button(QStringLiteral("cmdProcess"), QStringLiteral("&Process"),
                        QStringLiteral("Process image(s)"), 7935, kFootRow, 1320, kFootHeight);
    op_Main = new OrvelProgress(page);
    op_Main->setObjectName(QStringLiteral("op_Main"));
    Place(op_Main, kColumn1, kFootRow, 3750, 195);
    op_Main->hide();
    lblInfo = new QLabel(QStringLiteral("Status:"), page);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    Place(lblInfo, kColumn1, kFootRow + 240, 3750, kRow);

    QWidget* const tabOrder[] = {
        cboPresets,      cs_NewWidth,       cs_NewHeight,  cmdSwap,       chkStretch,
        chkLetterbox,    chkAutoCrop,       chkCustomCrop, chkFill,       butAnchor[0],
        butAnchor[1],    butAnchor[2],      butAnchor[3],  butAnchor[4],  butAnchor[5],
        butAnchor[6],    butAnchor[7],      butAnchor[8],  cmdCustomCrop, chkPromptCustom,
        cmdChangeBack,   chkAutoRotate,     chkKeepInfo,   chkRename,     txtPrefix,
        txtNoExifPrefix, chkSuffixExisting, chkOverwrite,  chkAutoRename, chkSelected,
        chkPreview,      cmdDefault,        cmdReload,     cmdProcess};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }

    ImageScale = kalvimo::ImageScale(cs_NewWidth->ScrValue(), cs_NewHeight->ScrValue());
    connect(cboPresets, &QComboBox::currentIndexChanged, this, &frmMain::cboPresets_Click);
    // Picking the entry already shown brings its size back after scrolling; the entry is
    // otherwise applied once, by the change of selection.
    connect(cboPresets, &QComboBox::activated, this, [this] {
        const PresetOutcome outcome =
            ApplyPreset(ParsePresetSize(cboPresets->currentText().toStdString()),
                        {cs_NewWidth->ScrMin(), cs_NewWidth->ScrMax()},
                        {cs_NewHeight->ScrMin(), cs_NewHeight->ScrMax()});
        if (outcome.size != TargetSize{cs_NewWidth->ScrValue(), cs_NewHeight->ScrValue()}) {
            cboPresets_Click();
        }
    });
    connect(cmdSwap, &XButton::Click, this, &frmMain::cmdSwap_Click);
    connect(cs_NewWidth, &CompactScroller::ScrollChange, this, &frmMain::cs_NewWidth_ScrollChange);
    connect(cs_NewHeight, &CompactScroller::ScrollChange, this,
            &frmMain::cs_NewHeight_ScrollChange);
    for (CompactScroller* scroller : {cs_NewWidth, cs_NewHeight}) {
        connect(scroller, &CompactScroller::ValueTyped, this,
                [this, scroller](int value) { TypedSize(scroller, value); });
    }
    for (const auto& entry : fittingBoxes_) {
        QCheckBox* box = entry.second;
        connect(box, &QCheckBox::toggled, this, [this, box] { ApplyFittingOption(box); });
    }
    connect(chkRename, &QCheckBox::toggled, this, &frmMain::chkRename_Click);
    connect(chkOverwrite, &QCheckBox::toggled, this, &frmMain::chkOverwrite_Click);
    connect(cmdCustomCrop, &OrvelSimpleButton::Click, this, &frmMain::cmdCustomCrop_Click);
    connect(cmdChangeBack, &OrvelSimpleButton::Click, this, &frmMain::cmdChangeBack_Click);
    connect(cmdDefault, &OrvelSimpleButton::Click, this, &frmMain::cmdDefault_Click);
    connect(cmdReload, &OrvelSimpleButton::Click, this, &frmMain::cmdReload_Click);
    connect(cmdProcess, &OrvelSimpleButton::Click, this, &frmMain::cmdProcess_Click);
    // The naming boxes start as the rules would leave them with nothing ticked.
    chkRename_Click();
    butAnchor_Click(anchor);
    SetBackColour(0);
}

void frmMain::FillLists() {
    // Nothing is chosen here: the settings, or their defaults, choose.
    const QSignalBlocker presetsBlocker(cboPresets);
    const QSignalBlocker filterBlocker(cboFilter);
    for (const std::string& entry : LoadPresetList(PresetsPath.toStdString())) {
        cboPresets->addItem(QString::fromStdString(entry));
    }
    for (const std::string_view pattern : kFilterPatterns) {
        cboFilter->addItem(
            QString::fromUtf8(pattern.data(), static_cast<qsizetype>(pattern.size())));
    }
    cboPresets->setCurrentIndex(-1);
    cboFilter->setCurrentIndex(-1);
}

void frmMain::cboPresets_Click() {
    if (cboPresets->currentIndex() < 0) {
        return;
    }
    const PresetOutcome outcome =
        ApplyPreset(ParsePresetSize(cboPresets->currentText().toStdString()),
                    {cs_NewWidth->ScrMin(), cs_NewWidth->ScrMax()},
                    {cs_NewHeight->ScrMin(), cs_NewHeight->ScrMax()});
    const auto showMessages = [&](std::string_view above, std::string_view below) {
        for (const std::string_view message : outcome.messages) {
            if (message == above || message == below) {
                ShowMessageBox(
                    QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())),
                    BoxIcon::None);
            }
        }
    };
    // Each size is set before its message is shown, the width's first.
    presetBusy = true;
    cs_NewWidth->SetScrValue(outcome.size.width);
    showMessages(kPresetWidthAboveMaximum, kPresetWidthBelowMinimum);
    cs_NewHeight->SetScrValue(outcome.size.height);
    showMessages(kPresetHeightAboveMaximum, kPresetHeightBelowMinimum);
    presetBusy = false;
}

void frmMain::ShowPresetOfSize() {
    const TargetSize size = NewSize();
    const auto sizeOf = [this](int index) {
        return ParsePresetSize(cboPresets->itemText(index).toStdString());
    };
    if (presetBusy ||
        (cboPresets->currentIndex() >= 0 && sizeOf(cboPresets->currentIndex()) == size)) {
        return;
    }
    int match = -1;
    for (int i = 0; i < cboPresets->count() && match < 0; ++i) {
        if (sizeOf(i) == size) {
            match = i;
        }
    }
    // Without a match the entry stays, so that picking it again brings its size back. Shown
    // only: choosing it would set the size that is already there.
    if (match >= 0) {
        const QSignalBlocker blocker(cboPresets);
        cboPresets->setCurrentIndex(match);
    }
}

void frmMain::cmdSwap_Click() {
    const SwapOutcome outcome = SwapDimensions({cs_NewWidth->ScrValue(), cs_NewHeight->ScrValue()},
                                               {cs_NewWidth->ScrMin(), cs_NewWidth->ScrMax()},
                                               {cs_NewHeight->ScrMin(), cs_NewHeight->ScrMax()});
    cs_NewHeight->SetScrValue(outcome.size.height);
    cs_NewWidth->SetScrValue(outcome.size.width);
    if (outcome.adjusted) {
        ShowMessageBox(QString::fromUtf8(kSwapAdjustedNote.data(),
                                         static_cast<qsizetype>(kSwapAdjustedNote.size())),
                       BoxIcon::Information);
    }
}

void frmMain::cs_NewWidth_ScrollChange() {
    ImageScale = kalvimo::ImageScale(cs_NewWidth->ScrValue(), cs_NewHeight->ScrValue());
    ShowCropPicture();
    ShowPresetOfSize();
}

void frmMain::cs_NewHeight_ScrollChange() {
    ImageScale = kalvimo::ImageScale(cs_NewWidth->ScrValue(), cs_NewHeight->ScrValue());
    ShowCropPicture();
    ShowPresetOfSize();
}

void frmMain::TypedSize(CompactScroller* scroller, int value) {
    const int kept = std::clamp(value, scroller->ScrMin(), scroller->ScrMax());
    if (kept == value) {
        return;
    }
    scroller->SetScrValue(kept);
    ShowMessageBox(QString::fromUtf8(kSwapAdjustedNote.data(),
                                     static_cast<qsizetype>(kSwapAdjustedNote.size())),
                   BoxIcon::Information);
}

TargetSize frmMain::NewSize() {
    return {cs_NewWidth->ScrValue(), cs_NewHeight->ScrValue()};
}

void frmMain::cmdProcess_Click() {
    if (batch_ && !batch_->running()) {
        // The lists show the folder above one that vanished; the run must not take it instead.
        for (const auto& [role, folders] :
             {std::pair{"source", uDir[0]}, {"destination", uDir[1]}}) {
            const QString lost = folders->LostFolder();
            if (!lost.isEmpty()) {
                ShowMessageBox(QString::fromStdString(FolderGoneMessage(role, lost.toStdString())),
                               BoxIcon::Exclamation);
                return;
            }
        }
    }
    CallBatch([this] { batch_->PressProcess(); });
}

void frmMain::ApplyFittingOption(QCheckBox* box) {
    if (optionsBusy) {
        return;
    }
    optionsBusy = true;
    if (box->isChecked()) {
        for (const auto& [choice, fitting] : fittingBoxes_) {
            fitting->setChecked(false);
        }
    }
    box->setChecked(true);
    const bool grid = chkAutoCrop->isChecked() || chkFill->isChecked();
    lblCrop->setVisible(grid);
    for (XButton* cell : butAnchor) {
        cell->setVisible(grid);
    }
    if (!chkCustomCrop->isChecked()) {
        cmdCustomCrop->hide();
        chkPromptCustom->hide();
        optionsBusy = false;
        return;
    }
    frmCrop& crop = *crop_;
    if (crop.BoxRight == 0 && crop.BoxBottom == 0) {
        crop.BoxRight = cs_NewWidth->ScrValue() * twipsPerPixel;
        crop.BoxBottom = cs_NewHeight->ScrValue() * twipsPerPixel;
        crop.LoadCrop();
    }
    cmdCustomCrop->show();
    chkPromptCustom->show();
    optionsBusy = false;
}

void frmMain::chkRename_Click() {
    const bool rename = chkRename->isChecked();
    txtPrefix->setEnabled(rename);
    chkSuffixExisting->setEnabled(rename);
    txtNoExifPrefix->setEnabled(rename);
}

void frmMain::chkOverwrite_Click() {
    chkAutoRename->setEnabled(!chkOverwrite->isChecked());
}

void frmMain::butAnchor_Click(int index) {
    anchor = static_cast<std::int16_t>(index);
    const std::array<XButton::Arrow, 9> arrows = AnchorArrows(index);
    for (std::size_t i = 0; i < butAnchor.size(); ++i) {
        butAnchor[i]->SetFillColor(static_cast<int>(i) == index ? kWindowBackground : kButtonFace);
        butAnchor[i]->SetArrowType(i < arrows.size() ? arrows[i] : XButton::Arrow::None);
    }
}

void frmMain::SetBackColour(Colour colour) {
    shpBackFillColour = colour;
    QPalette palette = shpBack->palette();
    palette.setColor(QPalette::Window, ToQColor(shpBackFillColour));
    shpBack->setPalette(palette);
    picDestBackColour = shpBackFillColour;
}

void frmMain::AcceptColourChange() {
    SetBackColour(colourPicker_->SelectedColour());
}

void frmMain::cmdChangeBack_Click() {
    colourPicker_->SetColour(shpBackFillColour);
    colourPicker_->ShowModal([this] { AcceptColourChange(); });
}

void frmMain::cmdCustomCrop_Click() {
    // The rectangle is drawn on the picture it is for: the one chosen, else the first listed.
    FileList* files = uFile[0];
    const std::string name = files->Name(std::max(files->currentRow(), 0));
    if (!name.empty()) {
        const std::string path = AddBackslash(files->Path().toStdString()) + name;
        if (path != cropPicturePath_) {
            LoadCropPicture(path, QString::fromStdString(ShownName(name)));
        }
    }
    crop_->StoreCrop();
    crop_->cmdPreview->SetEnabled(true);
    crop_->ShowModeless();
}

bool frmMain::CropDialogVisible() {
    return crop_->isVisible();
}

bool frmMain::PromptCustomCrop(const Canvas& picture, const std::string& fileName) {
    if (sessionEnding_) {
        return true;
    }
    crop_->SetPicture(ToQImage(picture), QString::fromStdString(ShownName(fileName)));
    crop_->cmdPreview->SetEnabled(false);
    crop_->StoreCrop();
    crop_->ShowModal();
    // Back to the picture the person last chose, for the next opening from this page.
    cropPictureTurned_.reset();
    ShowCropPicture();
    return crop_->blnCancelled;
}

void frmMain::ShowCropPicture() {
    if (cropPicture_.Width() < 1 || cropPicture_.Height() < 1) {
        return;
    }
    const bool turned = FrameOrderOf(Settings(), {}, twipsPerPixel)
                            .Turns(cropPicture_.Width(), cropPicture_.Height());
    if (cropPictureTurned_ == turned) {
        return;
    }
    cropPictureTurned_ = turned;
    Canvas shown;
    if (turned && RotatePicture(shown, cropPicture_)) {
        crop_->SetPicture(ToQImage(shown), cropPictureName_);
    } else {
        crop_->SetPicture(ToQImage(cropPicture_), cropPictureName_);
    }
}

void frmMain::PreviewCustomCrop() {
    const std::string name = uFile[0]->Name(uFile[0]->currentRow());
    if (name.empty()) {
        return;
    }
    CallBatch([this, &name] { batch_->ProcessFile(uFile[0]->Path().toStdString(), name, false); });
    if (!batch_ || batch_->picDest().Width() < 1 || batch_->picDest().Height() < 1) {
        return;
    }
    crop_->SetPreview(ToQImage(batch_->picDest()));
}

} // namespace kalvimo
