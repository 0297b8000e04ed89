#pragma once

#include "owner_drawn_widget.h"
#include "property_store.h"
#include "system_colours.h"

#include <QFont>
#include <QPixmap>
#include <QTimer>

namespace kalvimo {

// An owner-drawn push button with up, hot, down and disabled faces. Without pictures (or
// with only some of the four state pictures) it paints its face from colours, with a
// centred caption and an optional arrow; with OmniPic, or all four state pictures, it shows
// the picture beside, above or below the caption.
class XButton : public OwnerDrawnWidget {
    Q_OBJECT

public:
    enum ButtonState { Up = 0, Hot = 1, Down = 2, Disabled = 3 };

    explicit XButton(QWidget* parent = nullptr);

    Colour BackColor() const { return backColor_; }
    void SetBackColor(Colour value);
    int BackStyle() const { return backStyle_; }
    void SetBackStyle(int value);
    Colour BorderColor() const { return borderColor_; }
    void SetBorderColor(Colour value);
    int BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(int value);
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
    int PicturePosition() const { return picturePosition_; }
    void SetPicturePosition(int value);
    double RoundAmount() const { return roundAmount_; }
    void SetRoundAmount(double value);
    bool RoundCorner() const { return roundCorner_; }
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
    int ArrowType() const { return arrowType_; }
    void SetArrowType(int value);

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
    void RenderSurface() override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
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
    void Changed(const char* name, bool dirty = true);
    void DetectImageMode();
    void LayoutContent();
    void RefreshState();
    void SetState(ButtonState state);
    void ShiftContent(bool pressed);
    void PaintDrawn(QPainter& painter);
    void PaintPicture(QPainter& painter);
    void PaintOmni(QPainter& painter);
    void PaintRaisedOutline(QPainter& painter, bool sunken);
    void DrawButtonBox(QPainter& painter, int x1, int y1, int x2, int y2, Colour fill, Colour pen,
                       int penWidth, bool noFill) const;
    void DrawCaption(QPainter& painter);
    void DrawArrow(QPainter& painter);
    void DrawFocus();
    QPixmap StatePicture() const;
    QSize LabelTwips() const;
    int TwipWidth() const { return width() * 15; }
    int TwipHeight() const { return height() * 15; }
    void tmrRelease_Timer();

    int p_ = 15;
    Colour backColor_;
    Colour fillColor_;
    Colour shadowColor_;
    Colour highlightColor_;
    Colour borderColor_;
    Colour fontColor_;
    Colour maskColor_;
    int backStyle_ = 1;
    int borderStyle_ = 0;
    QString caption_;
    QPixmap imageUp_;
    QPixmap imageHot_;
    QPixmap imageDown_;
    QPixmap imageDisabled_;
    QPixmap omniPic_;
    int picturePosition_ = 0;
    double roundAmount_ = 0;
    bool roundCorner_ = false;
    bool shiftOnPress_ = true;
    bool shiftPicture_ = true;
    bool showFocus_ = true;
    int arrowType_ = 0;

    ButtonState state_ = Up;
    int lastDrawn_ = -1;
    bool dirty_ = true;
    bool hasFocus_ = false;
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
