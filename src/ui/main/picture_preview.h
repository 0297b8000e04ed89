#pragma once

#include <functional>

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
    // Shows the picture that make draws from the palette, drawn again when the palette
    // changes, until SetPicture.
    void ShowPlaceholder(std::function<QImage(const QPalette&, qreal)> make);
    QSize NaturalSize() const { return picture_.deviceIndependentSize().toSize(); }
    const QImage& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::function<QImage(const QPalette&, qreal)> placeholder_;
    QImage picture_;
    // The picture at the size last drawn: shrinking a photo smoothly is too slow for each paint.
    QImage scaled_;
};

} // namespace kalvimo
