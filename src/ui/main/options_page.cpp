#include "artwork.h"
#include "compact_scroller.h"
#include "frm_main.h"
#include "orvel_progress.h"
#include "orvel_simple_button.h"
#include "presets.h"
#include "settings_keys.h"
#include "xbutton.h"

#include <algorithm>

#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QSignalBlocker>

namespace kalvimo {

namespace {

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
    auto* presetsLabel = new QLabel(QStringLiteral("Presets:"), page);
    presetsLabel->setObjectName(QStringLiteral("lblGen(0)"));
    Place(presetsLabel, 120, 120, 1500, 255);
    cboPresets = new QComboBox(page);
    cboPresets->setObjectName(QStringLiteral("cboPresets"));
    Place(cboPresets, 120, 390, 4200, 330);

    cs_NewWidth = MakeScroller(page, QStringLiteral("cs_NewWidth"), QStringLiteral("New Width"),
                               kWidthLimits, kInitialWidth);
    Place(cs_NewWidth, 120, 870, 3750, 300);
    cs_NewHeight = MakeScroller(page, QStringLiteral("cs_NewHeight"), QStringLiteral("New Height"),
                                kHeightLimits, kInitialHeight);
    Place(cs_NewHeight, 120, 1260, 3750, 300);
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
    cmdSwap->SetOmniPic(SwapPicture(devicePixelRatioF()));
    cmdSwap->setToolTip(QStringLiteral("Swap the new width and height"));
    Place(cmdSwap, 3975, 975, 420, 420);

    cmdProcess = new OrvelSimpleButton(page);
    cmdProcess->setObjectName(QStringLiteral("cmdProcess"));
    cmdProcess->SetCaption(QStringLiteral("&Process"));
    cmdProcess->setToolTip(QStringLiteral("Process image(s)"));
    Place(cmdProcess, 7815, 2580, 1440, 495);
    op_Main = new OrvelProgress(page);
    op_Main->setObjectName(QStringLiteral("op_Main"));
    Place(op_Main, 120, 2640, 7560, 255);
    op_Main->hide();
    lblInfo = new QLabel(QStringLiteral("Status:"), page);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    Place(lblInfo, 120, 2940, 7560, 255);

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
    connect(cmdProcess, &OrvelSimpleButton::Click, this, &frmMain::cmdProcess_Click);
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
    cs_NewWidth->SetScrValue(outcome.size.width);
    showMessages(kPresetWidthAboveMaximum, kPresetWidthBelowMinimum);
    cs_NewHeight->SetScrValue(outcome.size.height);
    showMessages(kPresetHeightAboveMaximum, kPresetHeightBelowMinimum);
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
}

void frmMain::cs_NewHeight_ScrollChange() {
    ImageScale = kalvimo::ImageScale(cs_NewWidth->ScrValue(), cs_NewHeight->ScrValue());
}

void frmMain::cmdProcess_Click() {
    CallBatch([this] { batch_->PressProcess(); });
}

} // namespace kalvimo
