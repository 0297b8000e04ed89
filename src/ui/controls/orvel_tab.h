#pragma once

#include "owner_drawn_widget.h"
#include "property_store.h"
#include "system_colours.h"

#include <vector>

#include <QColor>
#include <QString>

namespace kalvimo {

// A tab strip with rounded tabs along the top (or down the left) and an optional page frame.
// It keeps one selected tab and announces the user's choice; the host shows its own pages.
// All geometry is in twips and becomes pixels only when drawn.
class OrvelTab : public OwnerDrawnWidget {
    Q_OBJECT

public:
    explicit OrvelTab(QWidget* parent = nullptr);

    void CreateTabs();
    // Both ignore an index outside the built tabs.
    void SelectTabManually(int intIndex);
    void ChangeTabEnable(int intIndex, bool blnEnabled);
    bool TabEnabled(int index) const;
    // The body of tab index, in pixels; empty for an index outside the built tabs.
    QRect TabRect(int index) const;

    QString TabStrip() const { return tabStrip_; }
    void SetTabStrip(const QString& value);
    int Selected() const { return selected_; }
    void SetSelected(int value);
    Colour Border() const { return border_.value; }
    void SetBorder(Colour value);
    Colour BorderSelected() const { return borderSelected_.value; }
    void SetBorderSelected(Colour value);
    Colour TabColour() const { return tabColour_.value; }
    void SetTabColour(Colour value);
    Colour TabColourSelected() const { return tabColourSelected_.value; }
    void SetTabColourSelected(Colour value);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool value);
    Colour BackColour() const { return backColour_.value; }
    void SetBackColour(Colour value);
    int TabCount() const { return static_cast<int>(tabs_.size()); }
    Colour TextColour() const { return textColour_.value; }
    void SetTextColour(Colour value);
    Colour TextColourSelected() const { return textColourSelected_.value; }
    void SetTextColourSelected(Colour value);
    Colour DisabledColour() const { return disabledColour_.value; }
    void SetDisabledColour(Colour value);
    bool DrawFrame() const { return drawFrame_; }
    void SetDrawFrame(bool value);
    bool Bridge() const { return bridge_; }
    void SetBridge(bool value);
    // Twips below the tab row.
    int FrameHeight() const;
    void SetFrameHeight(int value);
    int Alignment() const { return alignment_; }
    void SetAlignment(int value);
    Colour FrameColour() const { return frameColour_.value; }
    void SetFrameColour(Colour value);
    int CaptionWidth() const { return captionWidth_; }
    void SetCaptionWidth(int value);

    void ReadProperties(const PropertyStore& store);
    void WriteProperties(PropertyStore& store) const;

    QSize sizeHint() const override;

signals:
    void TabClicked();
    void PropertyChanged(const QString& name);

protected:
    void RenderSurface() override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct StoredColour {
        Colour value = 0;
        QColor rgb;
    };
    struct ShapeRecord {
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        QColor penColour;
        QColor fillColour;
        bool rounded = false;
        bool penOne = false;
        int corner = 0;
    };
    struct Tab {
        QString caption;
        bool disabled = false;
        ShapeRecord body;
        ShapeRecord bottomPatch;
        ShapeRecord seamPatch;
        int labelLeft = 0;
        int labelTop = 0;
        int labelWidth = 0;
    };

    void SetColour(StoredColour& colour, Colour value, const char* name);
    void TranslateColours();
    void Changed(const char* name);

    int LabelWidth(const QString& caption) const;
    int LabelHeight() const;
    int TwipWidth() const { return width() * p_; }
    int TwipHeight() const { return height() * p_; }
    bool HasTab(int index) const { return index >= 0 && index < TabCount(); }

    void MeasureTabArea();
    void LayoutFrame();
    void BuildTopTabs();
    void BuildLeftTabs();
    void Redraw();
    void PaintBackground(QPainter& painter) const;
    void PaintFrame(QPainter& painter);
    void PaintBridge(QPainter& painter);
    void PaintTab(QPainter& painter, int index);
    void DrawShape(QPainter& painter, const ShapeRecord& shape) const;
    void DrawTwipBox(QPainter& painter, int x1, int y1, int x2, int y2, const QColor& fill,
                     const QColor& pen, bool rounded, int corner) const;
    void DrawTwipLine(QPainter& painter, int x1, int y1, int x2, int y2,
                      const QColor& colour) const;
    void ChooseTab(int index);
    void HitTest(int x, int y);
    void StepSelection(bool forward);

    int p_ = 15;
    QString tabStrip_;
    int selected_ = -1;
    bool drawFrame_ = false;
    bool bridge_ = false;
    int alignment_ = 0;
    int captionWidth_ = 0;
    StoredColour border_;
    StoredColour borderSelected_;
    StoredColour frameColour_;
    StoredColour tabColour_;
    StoredColour tabColourSelected_;
    StoredColour textColour_;
    StoredColour textColourSelected_;
    StoredColour disabledColour_;
    StoredColour backColour_;

    int tabAreaHeight_ = 0;
    int tabRowHeight_ = 0;
    std::vector<Tab> tabs_;
    ShapeRecord pageEraser_;
    ShapeRecord frame_;
    ShapeRecord cornerPatch1_;
    ShapeRecord cornerPatch2_;
};

} // namespace kalvimo
