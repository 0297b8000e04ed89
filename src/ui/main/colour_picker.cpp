#include "colour_picker.h"

#include "frm_colour_picker.h"

namespace kalvimo {

frmColourPicker& DialogColourPicker::Dialog() {
    if (dialog_ == nullptr) {
        dialog_ = new frmColourPicker(
            [this] {
                if (accepted_) {
                    accepted_();
                }
            },
            &owner_);
    }
    return *dialog_;
}

void DialogColourPicker::SetColour(Colour colour) {
    Dialog().SetColour(colour);
}

Colour DialogColourPicker::SelectedColour() const {
    return dialog_ != nullptr ? dialog_->SelectedColour : 0;
}

void DialogColourPicker::ShowModal(const std::function<void()>& accepted) {
    accepted_ = accepted;
    Dialog().exec();
    accepted_ = nullptr;
}

} // namespace kalvimo
