#include "artwork.h"
#include "canvas_image.h"
#include "colour_profile.h"
#include "file_list.h"
#include "frm_main.h"
#include "picture_preview.h"
#include "rounding.h"
#include "text_helpers.h"
#include "upright_loader.h"

#include <algorithm>

#include <QLabel>

namespace kalvimo {

void frmMain::BuildPreview() {
    imgPreview = new PicturePreview(this);
    imgPreview->setObjectName(QStringLiteral("imgPreview"));
    imgPreview->ShowPlaceholder(PlaceholderPreview);
    Place(imgPreview, 120, 4080, 2925, 2835);

    lblPreview = new QLabel(QStringLiteral("Preview Image"), this);
    lblPreview->setObjectName(QStringLiteral("lblPreview"));
    lblPreview->setAutoFillBackground(true);
    lblPreview->adjustSize();
    lblPreview->move(Pixels(960), Pixels(4080));
    lblPreview->raise();
}

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

void frmMain::uFile_Click(int index) {
    if (!Options().previewOnClick) {
        return;
    }
    const FileList* list = uFile[static_cast<std::size_t>(index)];
    const QListWidgetItem* current = list->currentItem();
    if (current == nullptr) {
        return;
    }
    imgPreview->hide();
    const QString name = current->text();
    const std::string path =
        AddBackslash(list->Path().toStdString()) + list->Name(list->row(current));
    if (!LoadCropPicture(path, name)) {
        return;
    }
    ShowPreview(cropPicture_,
                (index == 0 ? QStringLiteral("Source: ") : QStringLiteral("Destination: ")) + name);
}

void frmMain::ShowPreview(const Canvas& picture, const QString& caption) {
    imgPreview->SetPicture(ToQImage(picture));
    previewWidth = picture.Width() * twipsPerPixel;
    previewHeight = picture.Height() * twipsPerPixel;
    previewInfo = caption + QLatin1Char(' ') + QString::number(picture.Width()) + QLatin1Char('x') +
                  QString::number(picture.Height());
    FitPreview();
    imgPreview->show();
}

void frmMain::FitPreview() {
    if (previewWidth < 1 || previewHeight < 1) {
        return;
    }
    const int availableWidth = (width() - imgPreview->x()) * twipsPerPixel;
    const int availableHeight = (height() - imgPreview->y()) * twipsPerPixel;
    previewZoom = 100;
    const float sx = static_cast<float>(availableWidth) / static_cast<float>(previewWidth);
    const float sy = static_cast<float>(availableHeight) / static_cast<float>(previewHeight);
    const QSize natural = imgPreview->NaturalSize();
    const float scale = sx < sy ? sx : sy;
    if (scale < 1) {
        imgPreview->resize(static_cast<int>(RoundHalfEven(scale * natural.width())),
                           static_cast<int>(RoundHalfEven(scale * natural.height())));
        previewZoom = static_cast<int>(RoundHalfEven(scale * 100));
    } else {
        // A window grown again after a shrink shows the picture whole once more.
        imgPreview->resize(natural);
    }
    lblPreview->setText(QLatin1Char(' ') + previewInfo + QStringLiteral(" at ") +
                        QString::number(previewZoom) + QStringLiteral("% "));
    lblPreview->adjustSize();
    // Centred over the preview, and never pushed out of the window by a long caption.
    lblPreview->move(imgPreview->x() + std::max(0, (imgPreview->width() - lblPreview->width()) / 2),
                     lblPreview->y());
}

} // namespace kalvimo
