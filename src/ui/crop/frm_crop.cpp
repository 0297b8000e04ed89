#include "frm_crop.h"

#include "orvel_simple_button.h"
#include "owner_drawn_widget.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace kalvimo {

frmCrop::frmCrop(CropHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    setObjectName(QStringLiteral("frmCrop"));
    setWindowTitle(QStringLiteral("Kalvimo - Custom Cropping"));
    twipsPerPixel = kalvimo::TwipsPerPixel(*this);
    const auto place = [this](QWidget* control, int left, int top, int width, int height) {
        control->setGeometry(TwipsToPixels(left, twipsPerPixel), TwipsToPixels(top, twipsPerPixel),
                             TwipsToPixels(width, twipsPerPixel),
                             TwipsToPixels(height, twipsPerPixel));
    };

    fraPanel = new QGroupBox(QStringLiteral("Options:"), this);
    fraPanel->setObjectName(QStringLiteral("fraPanel"));
    place(fraPanel, 120, 120, 2175, 6375);
    const char* const captions[] = {"X:", "Y:", "Width:", "Height:"};
    for (std::size_t i = 0; i < txtCoords.size(); ++i) {
        const int top = 240 + 300 * static_cast<int>(i);
        auto* label = new QLabel(QString::fromLatin1(captions[i]), fraPanel);
        label->setObjectName(QStringLiteral("lblCoords(%1)").arg(i));
        place(label, 120, top, 600, 285);
        txtCoords[i] = new QLineEdit(QStringLiteral("0"), fraPanel);
        txtCoords[i]->setObjectName(QStringLiteral("txtCoords(%1)").arg(i));
        label->setBuddy(txtCoords[i]);
        place(txtCoords[i], 720, top, 1335, 285);
        connect(txtCoords[i], &QLineEdit::editingFinished, this, &frmCrop::ValidateTextCrop);
    }
    chkRestrainDim = new QCheckBox(QStringLiteral("Restrain dimensions"), fraPanel);
    chkRestrainDim->setObjectName(QStringLiteral("chkRestrainDim"));
    place(chkRestrainDim, 120, 1440, 1935, 255);
    chkKeepProps = new QCheckBox(QStringLiteral("Keep proportions"), fraPanel);
    chkKeepProps->setObjectName(QStringLiteral("chkKeepProps"));
    place(chkKeepProps, 120, 1680, 1935, 255);
    cmdPreview = new OrvelSimpleButton(fraPanel);
    cmdPreview->setObjectName(QStringLiteral("cmdPreview"));
    cmdPreview->SetCaption(QStringLiteral("&Preview"));
    cmdPreview->setToolTip(QStringLiteral("Preview the custom crop"));
    place(cmdPreview, 120, 2040, 1935, 375);
    picPreview = new QLabel(fraPanel);
    picPreview->setObjectName(QStringLiteral("picPreview"));
    picPreview->setScaledContents(true);
    place(picPreview, 120, 2520, 1935, 1695);
    cmdAccept = new OrvelSimpleButton(fraPanel);
    cmdAccept->setObjectName(QStringLiteral("cmdAccept"));
    cmdAccept->SetCaption(QStringLiteral("&Accept"));
    cmdAccept->setToolTip(QStringLiteral("Accept the custom crop"));
    place(cmdAccept, 120, 5880, 855, 375);
    cmdCancel = new OrvelSimpleButton(fraPanel);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->SetCaption(QStringLiteral("&Cancel"));
    cmdCancel->setToolTip(QStringLiteral("Cancel custom crop"));
    place(cmdCancel, 1200, 5880, 855, 375);
    // The picture area comes to the right of the panel.
    resize(TwipsToPixels(2415, twipsPerPixel), TwipsToPixels(6615, twipsPerPixel));

    connect(chkRestrainDim, &QCheckBox::toggled, this, &frmCrop::chkRestrainDim_Click);
    connect(chkKeepProps, &QCheckBox::toggled, this, &frmCrop::chkKeepProps_Click);
    connect(cmdPreview, &OrvelSimpleButton::Click, this, [this] { host_.PreviewCustomCrop(); });
    connect(cmdAccept, &OrvelSimpleButton::Click, this, &frmCrop::cmdAccept_Click);
    connect(cmdCancel, &OrvelSimpleButton::Click, this, &frmCrop::cmdCancel_Click);
}

void frmCrop::SetEdges(const CropBox& edges) {
    BoxLeft = edges.left;
    BoxTop = edges.top;
    BoxRight = edges.right;
    BoxBottom = edges.bottom;
}

void frmCrop::StoreCrop() {
    storedRect = RectFromEdges(Edges());
}

void frmCrop::LoadCrop() {
    syncBusy = true;
    validateBusy = true;
    twipsPerPixel = kalvimo::TwipsPerPixel(*this);
    selectionRect = RectFromEdges(Edges());
    WriteCoords();
    StoreCrop();
    PlaceHandles();
    syncBusy = false;
    validateBusy = false;
}

void frmCrop::ValidateTextCrop() {
    if (validateBusy) {
        return;
    }
    validateBusy = true;
    if (chkRestrainDim->isChecked()) {
        const TargetSize target = host_.NewSize();
        txtCoords[2]->setText(QString::number(target.width));
        txtCoords[3]->setText(QString::number(target.height));
    }
    std::array<std::optional<double>, 4> coords;
    for (std::size_t i = 0; i < coords.size(); ++i) {
        coords[i] = ReadCoordText(txtCoords[i]->text().toStdString());
    }
    SetEdges(EdgesFromCoords(Edges(), coords, twipsPerPixel));
    selectionRect = RectFromEdges(Edges());
    PlaceHandles();
    validateBusy = false;
}

void frmCrop::ApplySizeConstraint() {
    selectionRect =
        ConstrainSize(selectionRect, {chkRestrainDim->isChecked(), chkKeepProps->isChecked()},
                      host_.NewSize(), host_.CurrentImageScale(), twipsPerPixel);
}

// Until the picture area exists there are no handles to place; the redraw still ends in the
// synchronisation step.
void frmCrop::PlaceHandles() {
    SynchroniseEdges();
}

void frmCrop::SynchroniseEdges() {
    if (syncBusy) {
        return;
    }
    syncBusy = true;
    SetEdges(bandState == 1 ? OrderedEdges(bandRect) : OrderedEdges(selectionRect));
    WriteCoords();
    syncBusy = false;
}

void frmCrop::WriteCoords() {
    const std::array<std::int32_t, 4> coords = CoordsFromEdges(Edges(), twipsPerPixel);
    for (std::size_t i = 0; i < coords.size(); ++i) {
        txtCoords[i]->setText(QString::number(coords[i]));
    }
}

void frmCrop::chkRestrainDim_Click() {
    chkKeepProps->setEnabled(!chkRestrainDim->isChecked());
}

void frmCrop::chkKeepProps_Click() {
    chkRestrainDim->setEnabled(!chkKeepProps->isChecked());
}

void frmCrop::cmdAccept_Click() {
    blnCancelled = false;
    StoreCrop();
    hide();
}

void frmCrop::cmdCancel_Click() {
    BoxLeft = storedRect.X;
    BoxRight =
        static_cast<std::int32_t>(static_cast<std::int64_t>(storedRect.X) + storedRect.Width);
    BoxTop = storedRect.Y;
    BoxBottom =
        static_cast<std::int32_t>(static_cast<std::int64_t>(storedRect.Y) + storedRect.Height);
    blnCancelled = true;
    selectionRect = storedRect;
    WriteCoords();
    PlaceHandles();
    hide();
}

void frmCrop::closeEvent(QCloseEvent* event) {
    cmdCancel_Click();
    event->ignore();
}

} // namespace kalvimo
