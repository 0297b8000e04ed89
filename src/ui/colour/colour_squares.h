#pragma once

#include "system_colours.h"

#include <QWidget>

namespace kalvimo {

// One spot of the picker's grid: a square of one colour, picked by a click, by Space, or by
// arrowing onto it from a neighbour.
class ColourSpot : public QWidget {
    Q_OBJECT

public:
    explicit ColourSpot(QWidget* parent = nullptr);

    Colour BackColour() const { return backColour_; }
    void SetBackColour(Colour value);

signals:
    void Click();
    // An arrow key asks for the neighbour this many columns and rows away.
    void Step(int columns, int rows);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    Colour backColour_ = 0;
    bool pressedHere_ = false;
};

// A filled square with a thin outline in the window's text colour.
class ColourShape : public QWidget {
    Q_OBJECT

public:
    explicit ColourShape(QWidget* parent = nullptr);

    Colour FillColour() const { return fillColour_; }
    void SetFillColour(Colour value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Colour fillColour_ = 0;
};

} // namespace kalvimo
