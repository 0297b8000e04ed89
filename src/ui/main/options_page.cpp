#include "options_page.h"

#include "anchor_grid.h"
#include "artwork.h"
#include "compact_scroller.h"
#include "orvel_progress.h"
#include "orvel_simple_button.h"
#include "presets.h"
#include "settings_values.h"
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

OptionsPage::OptionsPage(OptionsModel& model, int twipsPerPixel, QWidget* parent)
    : Page(3, twipsPerPixel, parent), model_(model) {
    // Three columns: the size and the fitting; the anchor or custom crop and the colour;
    // naming and the files. The buttons share the foot row.
    constexpr int kColumn1 = 120;
    constexpr int kColumn2 = 4080;
    constexpr int kColumn3 = 6465;
    constexpr int kPrefixBoxLeft = 8040;
    // A check box starts at its field's default and holds that field from then on.
    const JobOptions& defaults = model_.Values();
    const auto box = [&](const QString& name, const QString& caption, const QString& tip, int left,
                         int top, int width, int height = kRow) {
        auto* control = new QCheckBox(caption, this);
        control->setObjectName(name);
        control->setToolTip(tip);
        Place(control, left, top, width, height);
        return control;
    };
    const auto check = [&](const QString& name, const QString& caption, const QString& tip,
                           int left, int top, int width, bool JobOptions::*field) {
        QCheckBox* control = box(name, caption, tip, left, top, width);
        control->setChecked(defaults.*field);
        checkFields_.emplace_back(field, control);
        connect(control, &QCheckBox::toggled, this,
                [this, field](bool checked) { model_.Set(field, checked); });
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
        connect(control, &QCheckBox::toggled, this, [this, choice](bool checked) {
            if (checked) {
                model_.Set(&JobOptions::fitting, choice);
            }
        });
        return control;
    };
    const auto button = [&](const QString& name, const QString& caption, const QString& tip,
                            int left, int top, int width, int height) {
        auto* control = new OrvelSimpleButton(this);
        control->setObjectName(name);
        control->SetCaption(caption);
        control->setToolTip(tip);
        Place(control, left, top, width, height);
        return control;
    };
    // A text box starts empty and holds its field from then on.
    const auto text = [&](const QString& name, const QString& tip, int top,
                          std::string JobOptions::*field) {
        auto* control = new QLineEdit(this);
        control->setObjectName(name);
        control->setToolTip(tip);
        Place(control, kPrefixBoxLeft, top, 9255 - kPrefixBoxLeft, 315);
        textFields_.emplace_back(field, control);
        model_.Set(field, std::string());
        connect(control, &QLineEdit::textChanged, this,
                [this, field](const QString& typed) { model_.Set(field, typed.toStdString()); });
        return control;
    };
    const auto label = [&](const QString& name, const QString& caption, int left, int top,
                           int width) {
        auto* control = new QLabel(caption, this);
        control->setObjectName(name);
        Place(control, left, top, width, kRow);
        return control;
    };

    label(QStringLiteral("lblGen(0)"), QStringLiteral("Presets:"), kColumn1, 60, 1500);
    cboPresets = new QComboBox(this);
    cboPresets->setObjectName(QStringLiteral("cboPresets"));
    Place(cboPresets, kColumn1, 300, 3750, 330);

    cs_NewWidth = MakeScroller(this, QStringLiteral("cs_NewWidth"), QStringLiteral("New Width"),
                               kWidthLimits, kInitialWidth);
    Place(cs_NewWidth, kColumn1, 720, 3150, 300);
    cs_NewHeight = MakeScroller(this, QStringLiteral("cs_NewHeight"), QStringLiteral("New Height"),
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
    cmdSwap = new XButton(this);
    cmdSwap->setObjectName(QStringLiteral("cmdSwap"));
    cmdSwap->SetCaption(QString());
    PaintFromPalette(*cmdSwap, [this] {
        cmdSwap->SetOmniPic(SwapPicture(cmdSwap->palette(), cmdSwap->devicePixelRatioF()));
    });
    cmdSwap->setToolTip(QStringLiteral("Swap the new width and height"));
    Place(cmdSwap, 3390, 840, 420, 420);

    chkStretch =
        fitting(QStringLiteral("chkStretch"), QStringLiteral("&Stretch to fit new dimensions"),
                QStringLiteral("If selected, the new image will be stretched to fit the "
                               "new dimensions."),
                0, Fitting::Stretch);
    chkLetterbox = fitting(
        QStringLiteral("chkLetterbox"), QStringLiteral("&Letterbox (retain proportions)"),
        QStringLiteral("Use blank bars on the top & bottom or sides"), 1, Fitting::Letterbox);
    chkAutoCrop = fitting(QStringLiteral("chkAutoCrop"), QStringLiteral("&Auto crop"),
                          QStringLiteral("Automatically crop the image based on the grid settings"),
                          2, Fitting::AutoCrop);
    chkCustomCrop = fitting(QStringLiteral("chkCustomCrop"), QStringLiteral("Custo&m crop"),
                            QStringLiteral("Automatically crop the image based on custom settings"),
                            3, Fitting::CustomCrop);
    chkFill = fitting(QStringLiteral("chkFill"), QStringLiteral("&Fill frame"),
                      QStringLiteral("Scale the picture to cover the whole frame and cut off what "
                                     "sticks out"),
                      4, Fitting::Fill);

    auto* shape1 = new QFrame(this);
    shape1->setObjectName(QStringLiteral("Shape1"));
    shape1->setFrameShape(QFrame::VLine);
    shape1->setFrameShadow(QFrame::Sunken);
    Place(shape1, 3945, 60, 30, 2460);
    auto* shape2 = new QFrame(this);
    shape2->setObjectName(QStringLiteral("Shape2"));
    shape2->setFrameShape(QFrame::VLine);
    shape2->setFrameShadow(QFrame::Sunken);
    // Wide enough for "Keep photo information" with room to spare before the line.
    Place(shape2, 6330, 60, 30, 2460);

    lblCrop = label(QStringLiteral("lblCrop"), QStringLiteral("Crop position"), kColumn2, 60, 2100);
    lblCrop->setFont(QFont(QStringLiteral("Liberation Sans Narrow"), font().pointSize()));
    const char* const anchorTips[] = {
        "Keep top left",    "Keep top centre",    "Keep top right",
        "Keep middle left", "Keep middle centre", "Keep middle right",
        "Keep bottom left", "Keep bottom centre", "Keep bottom right"};
    for (int i = 0; i < 9; ++i) {
        auto* cell = new XButton(this);
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
    auto* byContent = new XButton(this);
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
    chkPromptCustom = check(QStringLiteral("chkPromptCustom"), QStringLiteral("As&k on each image"),
                            QStringLiteral("Confirm custom cropping on each image"), kColumn2, 780,
                            2100, &JobOptions::promptCustomCrop);
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
    shpBack = new QFrame(this);
    shpBack->setObjectName(QStringLiteral("shpBack"));
    shpBack->setFrameShape(QFrame::Box);
    shpBack->setAutoFillBackground(true);
    // The page paints with its button colour; the swatch shows the chosen colour instead.
    shpBack->setBackgroundRole(QPalette::Window);
    Place(shpBack, 5790, 1560, 360, 360);
    chkAutoRotate = check(QStringLiteral("chkAutoRotate"), QStringLiteral("Auto ro&tate"),
                          QStringLiteral("Rotate tall images for a better fit"), kColumn2,
                          1500 + 2 * kRow, 2100, &JobOptions::autoRotate);
    chkKeepInfo = check(QStringLiteral("chkKeepInfo"), QStringLiteral("Keep photo &information"),
                        QStringLiteral("Written JPEG files keep the date, camera and other "
                                       "details of the photo, but not its GPS position: a "
                                       "frame does not need where the picture was taken"),
                        kColumn2, 1500 + 3 * kRow, 2235, &JobOptions::keepInformation);

    chkRename = check(QStringLiteral("chkRename"), QStringLiteral("Re&name with date stamp"),
                      QString(), kColumn3, 60, 2790, &JobOptions::renameWithDate);
    label(QStringLiteral("lblGen(1)"), QStringLiteral("Prefix:"), kColumn3 + 240, 360, 1335);
    txtPrefix = text(QStringLiteral("txtPrefix"), QStringLiteral("Filename prefix"), 330,
                     &JobOptions::prefix);
    txtPrefix->setAccessibleName(QStringLiteral("Prefix"));
    label(QStringLiteral("lblGen(4)"), QStringLiteral("No Date Prefix:"), kColumn3 + 240, 735,
          1335);
    txtNoExifPrefix = text(QStringLiteral("txtNoExifPrefix"),
                           QStringLiteral("If no date information is found, use this prefix"), 705,
                           &JobOptions::noDatePrefix);
    txtNoExifPrefix->setAccessibleName(QStringLiteral("No date prefix"));
    chkSuffixExisting =
        check(QStringLiteral("chkSuffixExisting"), QStringLiteral("Suffi&x existing name"),
              QStringLiteral("Puts the existing file name at the end of the new "
                             "file name"),
              kColumn3 + 240, 1095, 2550, &JobOptions::suffixExisting);
    chkOverwrite =
        check(QStringLiteral("chkOverwrite"), QStringLiteral("&Overwrite existing files"),
              QStringLiteral("If a file already exists with the same name, overwrite"), kColumn3,
              1500, 2790, &JobOptions::overwrite);
    chkAutoRename =
        check(QStringLiteral("chkAutoRename"), QStringLiteral("Auto r&ename on name clash"),
              QStringLiteral("Auto rename files if a name clashes"), kColumn3, 1500 + kRow, 2790,
              &JobOptions::autoRename);
    chkSelected = check(QStringLiteral("chkSelected"), QStringLiteral("Process selected onl&y"),
                        QString(), kColumn3, 1500 + 2 * kRow, 2790, &JobOptions::selectedOnly);
    chkPreview = check(QStringLiteral("chkPreview"), QStringLiteral("Previe&w images on click"),
                       QString(), kColumn3, 1500 + 3 * kRow, 2790, &JobOptions::previewOnClick);

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
    op_Main = new OrvelProgress(this);
    op_Main->setObjectName(QStringLiteral("op_Main"));
    Place(op_Main, kColumn1, kFootRow, 3750, 195);
    op_Main->hide();
    lblInfo = new QLabel(QStringLiteral("Status:"), this);
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

    model_.Set(&JobOptions::newWidth, cs_NewWidth->ScrValue());
    model_.Set(&JobOptions::newHeight, cs_NewHeight->ScrValue());
    // Stored before the entry's size is applied, so that the size's handlers read it.
    connect(cboPresets, &QComboBox::currentIndexChanged, this, &OptionsPage::StorePreset);
    connect(cboPresets, &QComboBox::currentIndexChanged, this, &OptionsPage::cboPresets_Click);
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
    connect(cmdSwap, &XButton::Click, this, &OptionsPage::cmdSwap_Click);
    connect(cs_NewWidth, &CompactScroller::ScrollChange, this,
            &OptionsPage::cs_NewWidth_ScrollChange);
    connect(cs_NewHeight, &CompactScroller::ScrollChange, this,
            &OptionsPage::cs_NewHeight_ScrollChange);
    for (CompactScroller* scroller : {cs_NewWidth, cs_NewHeight}) {
        connect(scroller, &CompactScroller::ValueTyped, this,
                [this, scroller](int value) { TypedSize(scroller, value); });
    }
    for (const auto& entry : fittingBoxes_) {
        QCheckBox* box = entry.second;
        connect(box, &QCheckBox::toggled, this, [this, box] { ApplyFittingOption(box); });
    }
    connect(chkRename, &QCheckBox::toggled, this, &OptionsPage::chkRename_Click);
    connect(chkOverwrite, &QCheckBox::toggled, this, &OptionsPage::chkOverwrite_Click);
    // The naming boxes start as the rules would leave them with nothing ticked.
    chkRename_Click();
    butAnchor_Click(model_.Values().anchor);
    SetBackColour(0);
    statusText_ = lblInfo->text();
    connect(&model_, &OptionsModel::Changed, this, &OptionsPage::ShowChecks);
}

void OptionsPage::FillPresets(const QString& presetsPath) {
    // Nothing is chosen here: the settings, or their defaults, choose.
    const QSignalBlocker blocker(cboPresets);
    for (const std::string& entry : LoadPresetList(presetsPath.toStdString())) {
        cboPresets->addItem(QString::fromStdString(entry));
    }
    cboPresets->setCurrentIndex(-1);
    StorePreset();
}

std::vector<std::string> OptionsPage::Presets() const {
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(cboPresets->count()));
    for (int i = 0; i < cboPresets->count(); ++i) {
        entries.push_back(cboPresets->itemText(i).toStdString());
    }
    return entries;
}

void OptionsPage::StorePreset() {
    model_.Set(&JobOptions::presetText, cboPresets->currentText().toStdString());
}

void OptionsPage::cboPresets_Click() {
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
                emit Notify(
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

void OptionsPage::ShowPresetOfSize() {
    const TargetSize size{cs_NewWidth->ScrValue(), cs_NewHeight->ScrValue()};
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
        QSignalBlocker blocker(cboPresets);
        cboPresets->setCurrentIndex(match);
        blocker.unblock();
        StorePreset();
    }
}

void OptionsPage::cmdSwap_Click() {
    const SwapOutcome outcome = SwapDimensions({cs_NewWidth->ScrValue(), cs_NewHeight->ScrValue()},
                                               {cs_NewWidth->ScrMin(), cs_NewWidth->ScrMax()},
                                               {cs_NewHeight->ScrMin(), cs_NewHeight->ScrMax()});
    cs_NewHeight->SetScrValue(outcome.size.height);
    cs_NewWidth->SetScrValue(outcome.size.width);
    if (outcome.adjusted) {
        emit Notify(QString::fromUtf8(kSwapAdjustedNote.data(),
                                      static_cast<qsizetype>(kSwapAdjustedNote.size())),
                    BoxIcon::Information);
    }
}

void OptionsPage::cs_NewWidth_ScrollChange() {
    model_.Set(&JobOptions::newWidth, cs_NewWidth->ScrValue());
    ShowPresetOfSize();
}

void OptionsPage::cs_NewHeight_ScrollChange() {
    model_.Set(&JobOptions::newHeight, cs_NewHeight->ScrValue());
    ShowPresetOfSize();
}

void OptionsPage::TypedSize(CompactScroller* scroller, int value) {
    const int kept = std::clamp(value, scroller->ScrMin(), scroller->ScrMax());
    if (kept == value) {
        return;
    }
    scroller->SetScrValue(kept);
    emit Notify(QString::fromUtf8(kSwapAdjustedNote.data(),
                                  static_cast<qsizetype>(kSwapAdjustedNote.size())),
                BoxIcon::Information);
}

void OptionsPage::ApplyFittingOption(QCheckBox* box) {
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
    emit CustomCropChosen();
    cmdCustomCrop->show();
    chkPromptCustom->show();
    optionsBusy = false;
}

void OptionsPage::chkRename_Click() {
    const bool rename = chkRename->isChecked();
    txtPrefix->setEnabled(rename);
    chkSuffixExisting->setEnabled(rename);
    txtNoExifPrefix->setEnabled(rename);
}

void OptionsPage::chkOverwrite_Click() {
    chkAutoRename->setEnabled(!chkOverwrite->isChecked());
}

void OptionsPage::butAnchor_Click(int index) {
    model_.Set(&JobOptions::anchor, static_cast<std::int16_t>(index));
    const std::array<XButton::Arrow, 9> arrows = AnchorArrows(index);
    for (std::size_t i = 0; i < butAnchor.size(); ++i) {
        butAnchor[i]->SetFillColor(static_cast<int>(i) == index ? kWindowBackground : kButtonFace);
        butAnchor[i]->SetArrowType(i < arrows.size() ? arrows[i] : XButton::Arrow::None);
    }
}

void OptionsPage::SetBackColour(Colour colour) {
    model_.Set(&JobOptions::backColour, colour);
    QPalette palette = shpBack->palette();
    palette.setColor(QPalette::Window, ToQColor(colour));
    shpBack->setPalette(palette);
}

void OptionsPage::ShowChecks() {
    for (const auto& [field, box] : checkFields_) {
        box->setChecked(model_.Values().*field);
    }
}

void OptionsPage::Show(const StoredSettings& s, bool chooseFirstPreset) {
    if (!chooseFirstPreset) {
        if (const auto found = FindTextIgnoringCase(Presets(), s.presetText)) {
            cboPresets->setCurrentIndex(static_cast<int>(*found));
        }
    } else if (cboPresets->count() > 0) {
        // "Default" undoes a scrolled size too.
        ChooseEntry(cboPresets, 0, [this] { cboPresets_Click(); });
    }
    cs_NewWidth->SetScrValue(s.newWidth);
    cs_NewHeight->SetScrValue(s.newHeight);

    for (const SettingsKey& key : kSettingsKeys) {
        if (const auto* field = std::get_if<bool StoredSettings::*>(&key.field)) {
            for (const auto& [bound, box] : checkFields_) {
                if (bound == *field) {
                    box->setChecked(s.**field);
                }
            }
        } else if (key.kind == ValueKind::Fitting && s.fitting == key.choice) {
            // Ticking one box clears the others.
            for (const auto& [choice, box] : fittingBoxes_) {
                if (choice == key.choice) {
                    box->setChecked(true);
                }
            }
        } else if (const auto* text = std::get_if<std::string StoredSettings::*>(&key.field)) {
            for (const auto& [bound, box] : textFields_) {
                if (bound == *text) {
                    box->setText(QString::fromStdString(s.**text));
                }
            }
        }
    }
    butAnchor_Click(s.anchor);
    SetBackColour(s.backColour);
}

void OptionsPage::SetStatus(const QString& caption) {
    statusText_ = caption;
    ElideStatus();
}

void OptionsPage::ElideStatus() {
    // A long name keeps its start and its end, where the file name and its extension are.
    const QString shown = lblInfo->fontMetrics().elidedText(statusText_, Qt::ElideMiddle,
                                                            lblInfo->contentsRect().width());
    lblInfo->setText(shown);
    lblInfo->setToolTip(shown == statusText_ ? QString() : statusText_);
}

void OptionsPage::RecordStretch() {
    Page::RecordStretch();
    designPlaces_.clear();
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        designPlaces_.emplace_back(control, control->geometry());
    }
}

void OptionsPage::Stretch(int wider, int taller) {
    Page::Stretch(wider, taller);
    // In a larger window the page's design stays whole, in the middle, not in a corner; the
    // status line keeps its start and takes the room that opens on its left.
    for (const auto& [control, place] : designPlaces_) {
        if (control == lblInfo) {
            control->resize(place.width() + wider / 2, place.height());
        } else {
            control->move(place.topLeft() + QPoint(wider / 2, 0));
        }
    }
    ElideStatus();
}

void OptionsPage::SetProcessCaption(const QString& caption) {
    cmdProcess->SetCaption(caption);
}

void OptionsPage::SetProgressVisible(bool visible) {
    op_Main->setVisible(visible);
}

void OptionsPage::SetProgress(int value) {
    op_Main->SetValue(value);
}

} // namespace kalvimo
