#pragma once

#include <QObject>
#include <QString>

class QLabel;

namespace kalvimo {

class Canvas;
class PicturePreview;

// A picture below the pages, fitted to the room the window leaves there, with its caption and
// size.
class PreviewArea : public QObject {
    Q_OBJECT

public:
    PreviewArea(int twipsPerPixel, QWidget& window);

    void Show(const Canvas& picture, const QString& caption);
    void Hide();
    // Fits the picture to the room left in the window.
    void Fit();
    // The lowest point of the picture at the window's smallest size.
    int Bottom() const;
    void RecordStretch();
    // Moves the picture down by the part of the window's extra height it takes.
    void Stretch(int taller);

private:
    const int twipsPerPixel_;
    QWidget& window_;
    PicturePreview* imgPreview = nullptr;
    QLabel* lblPreview = nullptr;
    int previewWidth = 0;
    int previewHeight = 0;
    int previewZoom = 100;
    QString previewInfo;
    int imageDesignTop_ = 0;
    int captionDesignTop_ = 0;
};

} // namespace kalvimo
