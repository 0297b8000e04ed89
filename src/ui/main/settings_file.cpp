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

std::vector<std::string> Entries(const QComboBox* list) {
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i) {
        entries.push_back(list->itemText(i).toStdString());
    }
    return entries;
}

// Choosing the entry already chosen applies it again.
void Choose(QComboBox* list, int index, const std::function<void()>& apply) {
    if (list->currentIndex() == index) {
        apply();
    } else {
        list->setCurrentIndex(index);
    }
}

} // namespace

StoredSettings frmMain::Settings() {
    StoredSettings s;
    s.sourceFolder = uDir[0]->Path().toStdString();
    s.destinationFolder = uDir[1]->Path().toStdString();
    s.presetText = cboPresets->currentText().toStdString();
    s.newWidth = cs_NewWidth->ScrValue();
    s.newHeight = cs_NewHeight->ScrValue();
    s.filterPattern = cboFilter->currentText().toStdString();
    for (const auto& [field, box] : checkFields_) {
        s.*field = box->isChecked();
    }
    for (const auto& [choice, box] : fittingBoxes_) {
        if (box->isChecked()) {
            s.fitting = choice;
        }
    }
    for (const auto& [field, box] : textFields_) {
        s.*field = box->text().toStdString();
    }
    s.anchor = anchor;
    s.backColour = shpBackFillColour;
    static_cast<CropBox&>(s) = crop_->Edges();
    return s;
}

// Each control is set as the user would set it, so its handlers run, in the order of the keys.
void frmMain::ShowSettings(const StoredSettings& s, bool chooseFirstEntries) {
    const StoredSettings shown = Settings();
    if (s.sourceFolder != shown.sourceFolder) {
        SetFolderLists(QString::fromStdString(s.sourceFolder), 0);
    }
    if (s.destinationFolder != shown.destinationFolder) {
        SetFolderLists(QString::fromStdString(s.destinationFolder), 1);
    }
    if (chooseFirstEntries) {
        // "Default" undoes a typed filter and a scrolled size too.
        Choose(cboFilter, 0, [this] { cboFilter_Click(); });
        if (cboPresets->count() > 0) {
            Choose(cboPresets, 0, [this] { cboPresets_Click(); });
        }
    } else {
        // Applied at once, as a choice in the box would be: a window whose box names one filter
        // while its lists follow another would run on pictures other than those the box names.
        cboFilter->setEditText(QString::fromStdString(s.filterPattern));
        ApplyFilter();
        SelectListText(cboPresets, QString::fromStdString(s.presetText));
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
    anchor = s.anchor;
    butAnchor_Click(anchor);
    SetBackColour(s.backColour);
    crop_->SetEdges(s);
    crop_->LoadCrop();
}

void frmMain::LoadSettings() {
    if (!QFileInfo::exists(SettingsPath)) {
        cmdDefault_Click();
        return;
    }
    const std::filesystem::path file = SettingsPath.toStdString();
    // The controls show their own messages as they take the values.
    std::vector<std::string> notes;
    ShowSettings(ReadSettings([&file](const SettingsKey& key) { return ReadSetting(key, file); },
                              Settings(), Entries(cboPresets), notes),
                 false);
}

void frmMain::SaveSettings() {
    const std::filesystem::path file = SettingsPath.toStdString();
    // The user's configuration folder may not have a folder for us yet.
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    StoredSettings settings = Settings();
    if (keptFilter_) {
        settings.filterPattern = keptFilter_->toStdString();
    }
    WriteSettings(settings, file);
}

void frmMain::cmdDefault_Click() {
    ShowSettings(
        DefaultSettings(
            {locations_.defaultSource, locations_.defaultDestination,
             cboPresets->count() > 0 ? cboPresets->itemText(0).toStdString() : std::string(),
             cs_NewWidth->ScrValue(), cs_NewHeight->ScrValue(), twipsPerPixel}),
        true);
}

void frmMain::cmdReload_Click() {
    LoadSettings();
}

void frmMain::SelectListText(QComboBox* list, const QString& text) {
    if (const auto found = FindTextIgnoringCase(Entries(list), text.toStdString())) {
        list->setCurrentIndex(static_cast<int>(*found));
    }
}

} // namespace kalvimo
