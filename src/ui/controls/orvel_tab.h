#pragma once

#include "owner_drawn_widget.h"
#include "property_store.h"
#include "system_colours.h"

#include <vector>

#include <QString>

class QPainter;

namespace kalvimo {

// A tab strip with rounded tabs along the top (or down the left) and an optional page frame.
// It keeps one selected tab and announces the user's choice; the host shows its own pages.
// All geometry is in twips and becomes pixels only when drawn. The strip never resizes
// itself: sizeHint() tells the host the size its tabs (and frame) want.
class OrvelTab : public OwnerDrawnWidget {
    Q_OBJECT
    Q_PROPERTY(QString TabStrip READ TabStrip WRITE SetTabStrip)
    Q_PROPERTY(int Selected READ Selected WRITE SetSelected NOTIFY SelectedChanged)
    Q_PROPERTY(Colour Border READ Border WRITE SetBorder)
    Q_PROPERTY(Colour BorderSelected READ BorderSelected WRITE SetBorderSelected)
    Q_PROPERTY(Colour TabColour READ TabColour WRITE SetTabColour)
    Q_PROPERTY(Colour TabColourSelected READ TabColourSelected WRITE SetTabColourSelected)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(Colour BackColour READ BackColour WRITE SetBackColour)
    Q_PROPERTY(int TabCount READ TabCount)
    Q_PROPERTY(Colour TextColour READ TextColour WRITE SetTextColour)
    Q_PROPERTY(Colour TextColourSelected READ TextColourSelected WRITE SetTextColourSelected)
    Q_PROPERTY(Colour DisabledColour READ DisabledColour WRITE SetDisabledColour)
    Q_PROPERTY(bool DrawFrame READ DrawFrame WRITE SetDrawFrame)
    Q_PROPERTY(bool Bridge READ Bridge WRITE SetBridge)
    Q_PROPERTY(int FrameHeight READ FrameHeight WRITE SetFrameHeight STORED false)
    Q_PROPERTY(TabPosition Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(Colour FrameColour READ FrameColour WRITE SetFrameColour)
    Q_PROPERTY(int CaptionWidth READ CaptionWidth)

public:
    // Stored as 0 and 1; any other stored value draws no tabs.
    enum class TabPosition { Top = 0, Left = 1 };
    Q_ENUM(TabPosition)

    explicit OrvelTab(QWidget* parent = nullptr);

    void CreateTabs();
    // Both ignore an index outside the built tabs.
    void SelectTabManually(int intIndex);
    void ChangeTabEnable(int intIndex, bool blnEnabled);
    bool TabEnabled(int index) const;
    // The body of tab index, in pixels; empty for an index outside the built tabs.
    QRect TabRect(int index) const;
    // The caption of tab index as built; empty for an index outside the built tabs.
    QString TabCaption(int index) const;

    QString TabStrip() const { return tabStrip_; }
    // An empty strip is refused: every strip holds at least one tab.
    void SetTabStrip(const QString& value);
    int Selected() const { return selected_; }
    // -1 for none; any built tab, even a disabled one. No TabClicked.
    void SetSelected(int value);
    Colour Border() const { return border_; }
    void SetBorder(Colour value);
    Colour BorderSelected() const { return borderSelected_; }
    void SetBorderSelected(Colour value);
    Colour TabColour() const { return tabColour_; }
    void SetTabColour(Colour value);
    Colour TabColourSelected() const { return tabColourSelected_; }
    void SetTabColourSelected(Colour value);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool value);
    Colour BackColour() const { return backColour_; }
    void SetBackColour(Colour value);
    int TabCount() const { return static_cast<int>(tabs_.size()); }
    Colour TextColour() const { return textColour_; }
    void SetTextColour(Colour value);
    Colour TextColourSelected() const { return textColourSelected_; }
    void SetTextColourSelected(Colour value);
    Colour DisabledColour() const { return disabledColour_; }
    void SetDisabledColour(Colour value);
    bool DrawFrame() const { return drawFrame_; }
    void SetDrawFrame(bool value);
    bool Bridge() const { return bridge_; }
    void SetBridge(bool value);
    // Twips below the tab row; setting it resizes the strip, as the host asks.
    int FrameHeight() const;
    void SetFrameHeight(int value);
    TabPosition Alignment() const { return alignment_; }
    void SetAlignment(TabPosition value);
    Colour FrameColour() const { return frameColour_; }
    void SetFrameColour(Colour value);
    // The caption column of left tabs, worked out from the captions by every build.
    int CaptionWidth() const { return captionWidth_; }

    void ReadProperties(const PropertyStore& store);
    void WriteProperties(PropertyStore& store) const;

    // The row of tabs (or the caption column) and, with a frame, at least 1000 twips of height.
    QSize sizeHint() const override;

signals:
    void TabClicked();
    // Whoever changed it: the host, the user or a build that dropped the selected tab.
    void SelectedChanged(int index);
    void PropertyChanged(const QString& name);

protected:
    void Paint(QImage& surface) const override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // A rectangle in twips; Corner is a diameter in pixels.
    struct ShapeRecord {
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        bool rounded = false;
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
    struct TabColours {
        QColor text;
        QColor pen;
        QColor fill;
    };

    void Changed(const char* name);
    bool Select(int index);
    void SetColour(Colour& colour, Colour value, const char* name);

    // Layout (orvel_tab_layout.cpp).
    int LabelWidth(const QString& caption) const;
    int LabelHeight() const;
    int TwipWidth() const { return width() * p_; }
    int TwipHeight() const { return height() * p_; }
    bool HasTab(int index) const { return index >= 0 && index < TabCount(); }
    void MeasureTabArea();
    void LayoutFrame();
    void BuildTopTabs();
    void BuildLeftTabs();

    // Painting (orvel_tab_painting.cpp).
    TabColours ColoursOf(int index) const;
    void PaintBackground(QPainter& painter) const;
    void PaintFrame(QPainter& painter) const;
    void PaintBridge(QPainter& painter) const;
    void PaintTab(QPainter& painter, int index) const;
    void DrawShape(QPainter& painter, const ShapeRecord& shape, const QColor& pen,
                   const QColor& fill) const;
    void DrawTwipBox(QPainter& painter, int x1, int y1, int x2, int y2, const QColor& fill,
                     const QColor& pen, int corner) const;
    void DrawTwipLine(QPainter& painter, int x1, int y1, int x2, int y2,
                      const QColor& colour) const;

    // Input (orvel_tab_input.cpp).
    void ChooseTab(int index);
    void HitTest(int x, int y);
    void StepSelection(bool forward);

    int p_ = 15;
    QString tabStrip_;
    int selected_ = -1;
    bool drawFrame_ = false;
    bool bridge_ = false;
    TabPosition alignment_ = TabPosition::Top;
    int captionWidth_ = 0;
    Colour border_;
    Colour borderSelected_;
    Colour frameColour_;
    Colour tabColour_;
    Colour tabColourSelected_;
    Colour textColour_ = 0;
    Colour textColourSelected_ = 0;
    Colour disabledColour_;
    Colour backColour_ = kButtonFace;

    int tabAreaHeight_ = 0;
    int tabRowHeight_ = 0;
    std::vector<Tab> tabs_;
    // The page frame: the frame itself (the page eraser has the same place) and the two
    // patches that square off its top-left corner where the first tab meets it.
    ShapeRecord frame_;
    ShapeRecord cornerPatch1_;
    ShapeRecord cornerPatch2_;
};

} // namespace kalvimo
