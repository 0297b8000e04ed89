#pragma once

#include "property_store.h"
#include "system_colours.h"

#include <QWidget>

class QFrame;
class QKeyEvent;
class QLabel;
class QScrollBar;

namespace kalvimo {

// A caption, a horizontal scroll bar filling the rest of the width and a small box showing
// the current value centred over the bar. Numbers are held within the 16-bit range the bar
// takes. With the focus on the bar, the arrow keys step by the small change, Page Up and Page
// Down by the large change, and typed digits replace the shown value until Enter or the focus
// leaves. It never resizes itself; sizeHint() says what it wants.
class CompactScroller : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Description READ Description WRITE SetDescription)
    Q_PROPERTY(int ScrMax READ ScrMax WRITE SetScrMax)
    Q_PROPERTY(int ScrMin READ ScrMin WRITE SetScrMin)
    Q_PROPERTY(int ScrLargeChange READ ScrLargeChange WRITE SetScrLargeChange)
    Q_PROPERTY(int ScrSmallChange READ ScrSmallChange WRITE SetScrSmallChange)
    Q_PROPERTY(int ScrValue READ ScrValue WRITE SetScrValue NOTIFY ScrollChange)
    Q_PROPERTY(Colour LabelColour READ LabelColour WRITE SetLabelColour)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)

public:
    explicit CompactScroller(QWidget* parent = nullptr);

    QString Description() const { return description_; }
    void SetDescription(const QString& value);
    int ScrMax() const { return scrMax_; }
    void SetScrMax(int value);
    int ScrMin() const { return scrMin_; }
    void SetScrMin(int value);
    int ScrLargeChange() const { return scrLargeChange_; }
    void SetScrLargeChange(int value);
    int ScrSmallChange() const { return scrSmallChange_; }
    void SetScrSmallChange(int value);
    int ScrValue() const { return scrValue_; }
    // A value outside ScrMin to ScrMax is ignored.
    void SetScrValue(int value);
    Colour LabelColour() const { return labelColour_; }
    void SetLabelColour(Colour value);
    // Twips between the caption and the bar.
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool value);

    void ReadProperties(const PropertyStore& store);
    void WriteProperties(PropertyStore& store) const;

    QSize sizeHint() const override;

signals:
    void ScrollChange();
    // A value typed by the user, before it is applied (a value outside the limits is ignored).
    void ValueTyped(int value);
    void PropertyChanged(const QString& name);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Input (compact_scroller_input.cpp).
    bool TypingKey(const QKeyEvent& key);
    void CommitTyped();
    void hscMain_Change(int value);

    // Layout (compact_scroller_layout.cpp).
    void UpdateValueBox();
    void LayoutCaption();
    void LayoutParts();
    void ApplyLabelColour();
    QSize LabelTwips(const QString& text) const;

    int p_ = 15;
    QString description_;
    int scrMax_ = 10;
    int scrMin_ = 0;
    int scrLargeChange_ = 1;
    int scrSmallChange_ = 1;
    int scrValue_ = 0;
    Colour labelColour_ = kWindowBackground;
    int spacing_ = 0;
    bool reading_ = false;
    int barLeft_ = 0;
    QString typed_;

    QLabel* lblDes_;
    QScrollBar* hscMain_;
    QFrame* picLabel_;
    QLabel* lblValue_;
};

} // namespace kalvimo
