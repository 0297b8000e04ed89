#pragma once

#include <QImage>
#include <QWidget>

namespace kalvimo {

// Shows a picture stretched to the widget's own size.
class PicturePreview : public QWidget {
    Q_OBJECT

public:
    explicit PicturePreview(QWidget* parent = nullptr);

    // The widget takes the picture's natural size.
    void SetPicture(const QImage& picture);
    QSize NaturalSize() const { return picture_.deviceIndependentSize().toSize(); }
    const QImage& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    // The picture at the size last drawn: shrinking a photo smoothly is too slow for each paint.
    QImage scaled_;
};

} // namespace kalvimo
