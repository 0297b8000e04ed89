#include "folder_pages.h"
#include "frm_main.h"
#include "options_page.h"
#include "settings_keys.h"
#include "settings_values.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>

namespace kalvimo {

StoredSettings frmMain::Settings() {
    StoredSettings s;
    static_cast<JobOptions&>(s) = model_->Values();
    static_cast<CropBox&>(s) = crop_->Edges();
    s.restrainDimensions = crop_->chkRestrainDim->isChecked();
    s.keepProportions = crop_->chkKeepProps->isChecked();
    return s;
}

// Each control is set as the user would set it, so its handlers run, in the order of the keys.
void frmMain::ShowSettings(const StoredSettings& s, std::optional<std::size_t> filterEntry) {
    folders_->Show(s, filterEntry);
    options_->Show(s, filterEntry.has_value());
    crop_->chkRestrainDim->setChecked(s.restrainDimensions);
    crop_->chkKeepProps->setChecked(s.keepProportions);
    crop_->SetEdges(s);
    crop_->LoadCrop();
}

void frmMain::LoadSettings() {
    if (!QFileInfo::exists(QString::fromStdString(locations_.settingsPath))) {
        ShowDefaults(kFirstStartFilter);
        return;
    }
    const std::filesystem::path file = locations_.settingsPath;
    // The controls show their own messages as they take the values.
    std::vector<std::string> notes;
    ShowSettings(ReadSettings([&file](const SettingsKey& key) { return ReadSetting(key, file); },
                              Settings(), options_->Presets(), notes),
                 std::nullopt);
}

void frmMain::SaveSettings() {
    const std::filesystem::path file = locations_.settingsPath;
    // The user's configuration folder may not have a folder for us yet.
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    StoredSettings settings = Settings();
    settings.filterPattern = folders_->KeptFilter();
    WriteSettings(settings, file);
}

void frmMain::ShowDefaults(std::size_t filterEntry) {
    const std::vector<std::string> presets = options_->Presets();
    ShowSettings(
        DefaultSettings({locations_.defaultSource, locations_.defaultDestination,
                         presets.empty() ? std::string() : presets.front(),
                         model_->Values().newWidth, model_->Values().newHeight, twipsPerPixel}),
        filterEntry);
}

void frmMain::cmdDefault_Click() {
    ShowDefaults(0);
}

void frmMain::cmdReload_Click() {
    LoadSettings();
}

} // namespace kalvimo
