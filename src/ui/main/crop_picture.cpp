#include "canvas_image.h"
#include "colour_profile.h"
#include "file_list.h"
#include "folder_pages.h"
#include "frm_main.h"
#include "geometry.h"
#include "orvel_simple_button.h"
#include "preview_area.h"
#include "rotation.h"
#include "text_helpers.h"
#include "upright_loader.h"

#include <algorithm>

#include <QApplication>
#include <QPointer>

// The window's side of the crop dialog and of the preview: the last previewed picture, which
// the dialog shows, and the one-picture runs.

namespace kalvimo {

bool frmMain::LoadCropPicture(const std::string& path, const QString& name) {
    Canvas picture;
    Canvas scratch;
    std::string error;
    if (!LoadUprightPicture(path, picture, scratch, Options().backColour, error)) {
        return false;
    }
    // Shown as the run will write it.
    ConvertToSrgb(picture, {0, 0, picture.Width(), picture.Height()});
    cropPicture_ = std::move(picture);
    cropPicturePath_ = path;
    cropPictureName_ = name;
    cropPictureTurned_.reset();
    ShowCropPicture();
    return true;
}

void frmMain::PreviewPicture(const std::string& path, const QString& name, int index) {
    preview_->Hide();
    if (!LoadCropPicture(path, name)) {
        return;
    }
    preview_->Show(cropPicture_,
                   (index == 0 ? QStringLiteral("Source: ") : QStringLiteral("Destination: ")) +
                       name);
}

void frmMain::PreviewResult(const std::string& name) {
    FileList& files = folders_->Files(0);
    // Disabling the list passes the focus on; the keys must come back to the list after.
    const QPointer<QWidget> focused = QApplication::focusWidget();
    files.setEnabled(false);
    reported_.reset();
    CallBatch(
        [this, &files, &name] { batch_->ProcessFile(files.Path().toStdString(), name, false); });
    files.setEnabled(true);
    if (focused != nullptr) {
        focused->setFocus();
    }
    // What the run would write, where the picture is previewed; a failed or skipped picture
    // reports itself and leaves the preview as it was.
    if (batch_ && !reported_ && batch_->picDest().Width() > 0) {
        preview_->Show(batch_->picDest(),
                       QStringLiteral("Result: ") + QString::fromStdString(ShownName(name)));
    }
}

void frmMain::ReadyCustomCrop() {
    frmCrop& crop = *crop_;
    if (crop.BoxRight == 0 && crop.BoxBottom == 0) {
        crop.BoxRight = model_->Values().newWidth * twipsPerPixel;
        crop.BoxBottom = model_->Values().newHeight * twipsPerPixel;
        crop.LoadCrop();
    }
}

void frmMain::cmdCustomCrop_Click() {
    // The rectangle is drawn on the picture it is for: the one chosen, else the first listed.
    const FileList& files = folders_->Files(0);
    const std::string name = files.Name(std::max(files.currentRow(), 0));
    if (!name.empty()) {
        const std::string path = AddBackslash(files.Path().toStdString()) + name;
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
    const bool turned = FrameOrderOf(model_->Values(), {}, twipsPerPixel)
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
    const FileList& files = folders_->Files(0);
    const std::string name = files.Name(files.currentRow());
    if (name.empty()) {
        return;
    }
    CallBatch(
        [this, &files, &name] { batch_->ProcessFile(files.Path().toStdString(), name, false); });
    if (!batch_ || batch_->picDest().Width() < 1 || batch_->picDest().Height() < 1) {
        return;
    }
    crop_->SetPreview(ToQImage(batch_->picDest()));
}

} // namespace kalvimo
