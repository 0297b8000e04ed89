#include "compact_scroller.h"
#include "folder_list.h"
#include "frm_main.h"
#include "settings_keys.h"
#include "settings_values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

namespace kalvimo {

namespace {

std::string CheckText(const QCheckBox* box) {
    return box->isChecked() ? "1" : "0";
}

} // namespace

void frmMain::LoadSettings() {
    if (!QFileInfo::exists(SettingsPath)) {
        cmdDefault_Click();
        return;
    }
    const std::filesystem::path file = SettingsPath.toStdString();
    const auto text = [&file](const SettingsKey& key) { return ReadSetting(key, file); };
    const auto qtext = [&text](const SettingsKey& key) {
        return QString::fromStdString(text(key));
    };
    SetFolderLists(qtext(keys::kLastSource), 0);
    SetFolderLists(qtext(keys::kLastDestination), 1);
    // Applied at once, as a choice in the box would be: a window whose box names one filter
    // while its lists follow another would run on pictures other than those the box names. An
    // empty filter would list nothing, so the first filter stands in for it.
    const QString filter = qtext(keys::kFilter);
    cboFilter->setEditText(filter.isEmpty() ? cboFilter->itemText(0) : filter);
    ApplyFilter();
    SelectListText(cboPresets, qtext(keys::kPreset));
    cs_NewWidth->SetScrValue(ReadWholeValue(text(keys::kNewWidth)));
    cs_NewHeight->SetScrValue(ReadWholeValue(text(keys::kNewHeight)));

    const auto check = [&text](QCheckBox* box, const SettingsKey& key) {
        box->setChecked(ReadCheckValue(text(key)));
    };
    check(chkRename, keys::kRename);
    check(chkSuffixExisting, keys::kSuffix);
    txtPrefix->setText(qtext(keys::kPrefix));
    txtNoExifPrefix->setText(qtext(keys::kNoDatePrefix));
    check(chkStretch, keys::kStretch);
    check(chkLetterbox, keys::kLetterBox);
    check(chkAutoCrop, keys::kAutoCrop);
    check(chkCustomCrop, keys::kCustomCrop);
    check(chkPromptCustom, keys::kCustomCropPrompt);
    check(chkPreview, keys::kPreview);
    check(chkSelected, keys::kSelected);
    check(chkAutoRotate, keys::kRotate);
    check(chkOverwrite, keys::kOverwrite);
    check(chkAutoRename, keys::kAutoRename);
    // Files written before the box existed lack the key, which reads as clear.
    check(chkKeepInfo, keys::kKeepInformation);

    anchor = ReadAnchorValue(text(keys::kAnchor));
    butAnchor_Click(anchor);
    SetBackColour(ReadColourValue(text(keys::kBackColour)));

    crop_->BoxLeft = ReadWholeValue(text(keys::kCropLeft));
    crop_->BoxTop = ReadWholeValue(text(keys::kCropTop));
    crop_->BoxRight = ReadWholeValue(text(keys::kCropRight));
    crop_->BoxBottom = ReadWholeValue(text(keys::kCropBottom));
    check(crop_->chkRestrainDim, keys::kRestrain);
    check(crop_->chkKeepProps, keys::kKeepProportion);
    crop_->LoadCrop();
}

void frmMain::SaveSettings() {
    const std::filesystem::path file = SettingsPath.toStdString();
    // The user's configuration folder may not have a folder for us yet.
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    // In the order of the key table, every key on every close.
    const std::array<std::string, kSettingsKeys.size()> values{
        uDir[0]->Path().toStdString(),
        uDir[1]->Path().toStdString(),
        cboPresets->currentText().toStdString(),
        std::to_string(cs_NewWidth->ScrValue()),
        std::to_string(cs_NewHeight->ScrValue()),
        cboFilter->currentText().toStdString(),
        CheckText(chkRename),
        CheckText(chkSuffixExisting),
        txtPrefix->text().toStdString(),
        txtNoExifPrefix->text().toStdString(),
        CheckText(chkStretch),
        CheckText(chkLetterbox),
        CheckText(chkAutoCrop),
        CheckText(chkCustomCrop),
        CheckText(chkPromptCustom),
        CheckText(chkPreview),
        CheckText(chkSelected),
        CheckText(chkAutoRotate),
        CheckText(chkOverwrite),
        CheckText(chkAutoRename),
        CheckText(chkKeepInfo),
        std::to_string(anchor),
        ColourText(shpBackFillColour),
        std::to_string(crop_->BoxLeft),
        std::to_string(crop_->BoxTop),
        std::to_string(crop_->BoxRight),
        std::to_string(crop_->BoxBottom),
        CheckText(crop_->chkRestrainDim),
        CheckText(crop_->chkKeepProps),
    };
    for (std::size_t i = 0; i < values.size(); ++i) {
        WriteSetting(kSettingsKeys[i], values[i], file);
    }
}

void frmMain::cmdDefault_Click() {
    // The destination list shows only folders that exist, so the default one is made when it is
    // chosen.
    const QString destination = QString::fromStdString(locations_.defaultDestination);
    QDir().mkpath(destination);
    SetFolderLists(QString::fromStdString(locations_.defaultSource), 0);
    SetFolderLists(destination, 1);
    // Choosing the entry already chosen applies it again: "Default" undoes a typed filter and a
    // scrolled size too.
    if (cboFilter->currentIndex() == 0) {
        cboFilter_Click();
    } else {
        cboFilter->setCurrentIndex(0);
    }
    if (cboPresets->count() > 0) {
        if (cboPresets->currentIndex() == 0) {
            cboPresets_Click();
        } else {
            cboPresets->setCurrentIndex(0);
        }
    }
    chkRename->setChecked(false);
    chkSuffixExisting->setChecked(false);
    txtPrefix->clear();
    txtNoExifPrefix->setText(QStringLiteral("x_"));
    chkStretch->setChecked(true);
    chkLetterbox->setChecked(false);
    chkAutoCrop->setChecked(false);
    chkCustomCrop->setChecked(false);
    chkPromptCustom->setChecked(false);
    chkPreview->setChecked(false);
    chkSelected->setChecked(true);
    chkAutoRotate->setChecked(true);
    chkOverwrite->setChecked(false);
    chkAutoRename->setChecked(true);
    chkKeepInfo->setChecked(false);
    anchor = kDefaultAnchor;
    butAnchor_Click(anchor);
    SetBackColour(0);
    crop_->BoxLeft = 0;
    crop_->BoxTop = 0;
    crop_->BoxRight = cs_NewWidth->ScrValue() * twipsPerPixel;
    crop_->BoxBottom = cs_NewHeight->ScrValue() * twipsPerPixel;
    crop_->chkRestrainDim->setChecked(true);
    crop_->chkKeepProps->setChecked(false);
    crop_->LoadCrop();
}

void frmMain::cmdReload_Click() {
    LoadSettings();
}

void frmMain::SelectListText(QComboBox* list, const QString& text) {
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i) {
        entries.push_back(list->itemText(i).toStdString());
    }
    if (const auto found = FindTextIgnoringCase(entries, text.toStdString())) {
        list->setCurrentIndex(static_cast<int>(*found));
    }
}

} // namespace kalvimo
