#pragma once

#include "colour.h"

#include <functional>

class QWidget;

namespace kalvimo {

class frmColourPicker;

// The dialog that chooses the background colour: the window hands it the current colour,
// shows it modally, and is called back while it is up when the user accepts a colour.
// Tests put a script in its place.
class ColourPicker {
public:
    virtual ~ColourPicker() = default;
    virtual void SetColour(Colour colour) = 0;
    virtual Colour SelectedColour() const = 0;
    virtual void ShowModal(const std::function<void()>& accepted) = 0;
};

// The real picker, made on first use as a child of the window and then only hidden, so the
// saturation a person chose is there at the next showing.
class DialogColourPicker : public ColourPicker {
public:
    explicit DialogColourPicker(QWidget& owner) : owner_(owner) {}

    void SetColour(Colour colour) override;
    Colour SelectedColour() const override;
    void ShowModal(const std::function<void()>& accepted) override;

private:
    frmColourPicker& Dialog();

    QWidget& owner_;
    frmColourPicker* dialog_ = nullptr;
    std::function<void()> accepted_;
};

} // namespace kalvimo
