#pragma once

#include "colour.h"

#include <functional>

class QWidget;

namespace kalvimo {

// The dialog that chooses the background colour: the window hands it the current colour,
// shows it modally, and is called back while it is up when the user accepts a colour.
class ColourPicker {
public:
    virtual ~ColourPicker() = default;
    virtual void SetColour(Colour colour) = 0;
    virtual Colour SelectedColour() const = 0;
    virtual void ShowModal(QWidget* owner, const std::function<void()>& accepted) = 0;
};

// A plain choice among sixteen colours, until the full picker arrives.
class BasicColourPicker : public ColourPicker {
public:
    void SetColour(Colour colour) override { selected_ = colour; }
    Colour SelectedColour() const override { return selected_; }
    void ShowModal(QWidget* owner, const std::function<void()>& accepted) override;

private:
    Colour selected_ = 0;
};

} // namespace kalvimo
