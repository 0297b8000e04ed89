#pragma once

#include "owner_drawn_widget.h"
#include "property_store.h"
#include "system_colours.h"

#include <QFont>
#include <QPixmap>
#include <QTimer>

class QPainter;

namespace kalvimo {

// An owner-drawn push button with up, hot, down and disabled faces. Without pictures (or
// with only some of the four state pictures) it paints its face from colours, with a
// centred caption and an optional arrow; with OmniPic, or all four state pictures, it shows
// the picture beside, above or below the caption. It never resizes itself: sizeHint() is
// the caption with its margins, or the picture of a transparent picture button.
class XButton : public OwnerDrawnWidget {
    Q_OBJECT
    Q_PROPERTY(Colour BackColor READ BackColor WRITE SetBackColor)
    Q_PROPERTY(Background BackStyle READ BackStyle WRITE SetBackStyle)
    Q_PROPERTY(Colour BorderColor READ BorderColor WRITE SetBorderColor)
    Q_PROPERTY(Border BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(Colour FillColor READ FillColor WRITE SetFillColor)
    Q_PROPERTY(Colour FontColor READ FontColor WRITE SetFontColor)
    Q_PROPERTY(Colour HighlightColor READ HighlightColor WRITE SetHighlightColor)
    Q_PROPERTY(QPixmap ImageDisabled READ ImageDisabled WRITE SetImageDisabled)
    Q_PROPERTY(QPixmap ImageDown READ ImageDown WRITE SetImageDown)
    Q_PROPERTY(QPixmap ImageHot READ ImageHot WRITE SetImageHot)
    Q_PROPERTY(QPixmap ImageUp READ ImageUp WRITE SetImageUp)
    Q_PROPERTY(Colour MaskColor READ MaskColor WRITE SetMaskColor)
    Q_PROPERTY(Placement PicturePosition READ PicturePosition WRITE SetPicturePosition)
    Q_PROPERTY(double RoundAmount READ RoundAmount WRITE SetRoundAmount)
    Q_PROPERTY(bool RoundCorner READ RoundCorner WRITE SetRoundCorner)
    Q_PROPERTY(Colour ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(QFont TextFont READ TextFont WRITE SetTextFont)
    Q_PROPERTY(bool ShiftOnPress READ ShiftOnPress WRITE SetShiftOnPress)
    Q_PROPERTY(QPixmap OmniPic READ OmniPic WRITE SetOmniPic)
    Q_PROPERTY(bool ShiftPicture READ ShiftPicture WRITE SetShiftPicture)
    Q_PROPERTY(bool ShowFocus READ ShowFocus WRITE SetShowFocus)
    Q_PROPERTY(Arrow ArrowType READ ArrowType WRITE SetArrowType)

public:
    enum class ButtonState { Up, Hot, Down, Disabled };
    // The stored forms are the enumerators' values; a stored value outside them draws none.
    enum class Arrow { None, Left, Right, Up, Down, UpLeft, UpRight, DownLeft, DownRight };
    enum class Border { ThreeD, Single, None };
    enum class Background { Transparent, Opaque };
    // Where the picture lies against the caption.
    enum class Placement { Left, Right, Above, Below };
    Q_ENUM(ButtonState)
    Q_ENUM(Arrow)
    Q_ENUM(Border)
    Q_ENUM(Background)
    Q_ENUM(Placement)

    explicit XButton(QWidget* parent = nullptr);

    Colour BackColor() const { return backColor_; }
    void SetBackColor(Colour value);
    Background BackStyle() const { return backStyle_; }
    // Transparent is refused in drawn mode and takes the rounded corners away.
    void SetBackStyle(Background value);
    Colour BorderColor() const { return borderColor_; }
    void SetBorderColor(Colour value);
    Border BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(Border value);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& value);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool value);
    Colour FillColor() const { return fillColor_; }
    void SetFillColor(Colour value);
    Colour FontColor() const { return fontColor_; }
    void SetFontColor(Colour value);
    Colour HighlightColor() const { return highlightColor_; }
    void SetHighlightColor(Colour value);
    QPixmap ImageDisabled() const { return imageDisabled_; }
    void SetImageDisabled(const QPixmap& value);
    QPixmap ImageDown() const { return imageDown_; }
    void SetImageDown(const QPixmap& value);
    QPixmap ImageHot() const { return imageHot_; }
    void SetImageHot(const QPixmap& value);
    QPixmap ImageUp() const { return imageUp_; }
    void SetImageUp(const QPixmap& value);
    Colour MaskColor() const { return maskColor_; }
    void SetMaskColor(Colour value);
    Placement PicturePosition() const { return picturePosition_; }
    void SetPicturePosition(Placement value);
    double RoundAmount() const { return roundAmount_; }
    void SetRoundAmount(double value);
    bool RoundCorner() const { return roundCorner_; }
    // Refused on a transparent button.
    void SetRoundCorner(bool value);
    Colour ShadowColor() const { return shadowColor_; }
    void SetShadowColor(Colour value);
    QFont TextFont() const { return font(); }
    void SetTextFont(const QFont& value);
    bool ShiftOnPress() const { return shiftOnPress_; }
    void SetShiftOnPress(bool value);
    QPixmap OmniPic() const { return omniPic_; }
    void SetOmniPic(const QPixmap& value);
    bool ShiftPicture() const { return shiftPicture_; }
    void SetShiftPicture(bool value);
    bool ShowFocus() const { return showFocus_; }
    void SetShowFocus(bool value);
    Arrow ArrowType() const { return arrowType_; }
    void SetArrowType(Arrow value);

    ButtonState State() const { return state_; }
    bool PictureMode() const { return !drawnMode_; }
    // Where the caption's top-left corner lies, in twips.
    QPointF CaptionPosition() const { return {captionLeft_, captionTop_}; }

    void ReadProperties(const PropertyStore& store);
    void WriteProperties(PropertyStore& store) const;

    QSize sizeHint() const override;

signals:
    void Click();
    void DblClick();
    void KeyDown(int keyCode, int shift);
    void KeyUp(int keyCode, int shift);
    void KeyPress(int keyAscii);
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);
    void PropertyChanged(const QString& name);

protected:
    void Paint(QImage& surface) const override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Changed(const char* name);
    template <typename T> void Set(T& field, const T& value, const char* name) {
        if (Assign(field, value)) {
            Changed(name);
        }
    }
    void SetPicture(QPixmap& picture, const QPixmap& value, const char* name);

    // Layout (xbutton_layout.cpp).
    QSize LabelTwips() const;
    void DetectImageMode();
    void LayoutContent();
    void LayoutPicture(QSize label);
    void ShiftContent(bool pressed);

    // The default face and edges as painted, after Themed.
    Colour ShownBack() const;
    Colour ShownHighlight() const;
    Colour ShownShadow() const;

    // Painting (xbutton_painting.cpp).
    void PaintDrawn(QPainter& painter) const;
    void PaintPicture(QPainter& painter) const;
    void PaintOmni(QPainter& painter) const;
    void PaintRaisedOutline(QPainter& painter, bool sunken) const;
    void DrawButtonBox(QPainter& painter, int x1, int y1, int x2, int y2, Colour fill, Colour pen,
                       int penWidth, bool noFill) const;
    void DrawCaption(QPainter& painter) const;
    void DrawArrow(QPainter& painter) const;
    void DrawFocus(QImage& surface) const;
    QPixmap StatePicture() const;
    int TwipWidth() const { return width() * 15; }
    int TwipHeight() const { return height() * 15; }

    // Input (xbutton_input.cpp).
    void SetState(ButtonState state);
    void tmrRelease_Timer();

    int p_ = 15;
    Colour backColor_;
    Colour fillColor_;
    Colour shadowColor_;
    Colour highlightColor_;
    Colour borderColor_;
    Colour fontColor_;
    Colour maskColor_;
    Background backStyle_ = Background::Opaque;
    Border borderStyle_ = Border::ThreeD;
    QString caption_;
    QPixmap imageUp_;
    QPixmap imageHot_;
    QPixmap imageDown_;
    QPixmap imageDisabled_;
    QPixmap omniPic_;
    Placement picturePosition_ = Placement::Left;
    double roundAmount_ = 0;
    bool roundCorner_ = false;
    bool shiftOnPress_ = true;
    bool shiftPicture_ = true;
    bool showFocus_ = true;
    Arrow arrowType_ = Arrow::None;

    ButtonState state_ = ButtonState::Up;
    bool shifted_ = false;
    bool drawnMode_ = true;
    bool pressedHere_ = false;
    double captionLeft_ = 0;
    double captionTop_ = 0;
    double pictureX_ = 0;
    double pictureY_ = 0;
    QTimer tmrRelease_;
};

} // namespace kalvimo
