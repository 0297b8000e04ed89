#include "preview_area.h"

#include "artwork.h"
#include "canvas.h"
#include "canvas_image.h"
#include "owner_drawn_widget.h"
#include "page.h"
#include "picture_preview.h"
#include "rounding.h"

#include <algorithm>

#include <QLabel>

namespace kalvimo {

PreviewArea::PreviewArea(int twipsPerPixel, QWidget& window)
    : QObject(&window), twipsPerPixel_(twipsPerPixel), window_(window) {
    imgPreview = new PicturePreview(&window);
    imgPreview->setObjectName(QStringLiteral("imgPreview"));
    imgPreview->ShowPlaceholder(PlaceholderPreview);
    PlaceInTwips(imgPreview, twipsPerPixel, 120, 4080, 2925, 2835);

    lblPreview = new QLabel(QStringLiteral("Preview Image"), &window);
    lblPreview->setObjectName(QStringLiteral("lblPreview"));
    lblPreview->setAutoFillBackground(true);
    lblPreview->adjustSize();
    lblPreview->move(TwipsToPixels(960, twipsPerPixel), TwipsToPixels(4080, twipsPerPixel));
    lblPreview->raise();
}

void PreviewArea::Show(const Canvas& picture, const QString& caption) {
    imgPreview->SetPicture(ToQImage(picture));
    previewWidth = picture.Width() * twipsPerPixel_;
    previewHeight = picture.Height() * twipsPerPixel_;
    previewInfo = caption + QLatin1Char(' ') + QString::number(picture.Width()) + QLatin1Char('x') +
                  QString::number(picture.Height());
    Fit();
    imgPreview->show();
}

void PreviewArea::Hide() {
    imgPreview->hide();
}

int PreviewArea::Bottom() const {
    return imgPreview->y() + imgPreview->height();
}

void PreviewArea::RecordStretch() {
    imageDesignTop_ = imgPreview->y();
    captionDesignTop_ = lblPreview->y();
}

void PreviewArea::Stretch(int taller) {
    imgPreview->move(imgPreview->x(), imageDesignTop_ + taller);
    lblPreview->move(lblPreview->x(), captionDesignTop_ + taller);
}

void PreviewArea::Fit() {
    if (previewWidth < 1 || previewHeight < 1) {
        return;
    }
    const int availableWidth = (window_.width() - imgPreview->x()) * twipsPerPixel_;
    const int availableHeight = (window_.height() - imgPreview->y()) * twipsPerPixel_;
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
