#include "frm_crop.h"

#include "crop_view.h"
#include "orvel_simple_button.h"
#include "owner_drawn_widget.h"
#include "rounding.h"
#include "xbutton.h"

#include <algorithm>

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>

namespace kalvimo {

namespace {

constexpr int kPanelLeft = 120;
constexpr int kPanelTop = 120;
constexpr int kPanelWidth = 2175;
constexpr int kPanelHeight = 6375;
constexpr int kClientWidth = 12855;
constexpr int kClientHeight = 10650;
constexpr PicturePlace kFirstPicturePlace{2400, 120};
// The picture's viewport begins where the panel ends.
constexpr int kViewportLeft = kPanelLeft + kPanelWidth;
// Room round the picture for the handles that sit just outside it.
constexpr int kCanvasMargin = 240;
// Far beyond any screen, and well inside what a widget's position can hold.
constexpr int kFarPixels = 1'000'000;

// Each handle's pointer: diagonal at the corners, straight on the edges.
constexpr Qt::CursorShape kHandleCursors[kHandleCount] = {
    Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor,
    Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor,
};

} // namespace

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
    picPreview->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    picPreview->setAlignment(Qt::AlignCenter);
    place(picPreview, 120, 2520, 1935, 1695);
    auto* separator = new QFrame(fraPanel);
    separator->setObjectName(QStringLiteral("linSeparator"));
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    place(separator, 120, 4320 - 15, 1920, 30);
    chkMoveCrop = new QCheckBox(QStringLiteral("Move crop selection"), fraPanel);
    chkMoveCrop->setObjectName(QStringLiteral("chkMoveCrop"));
    chkMoveCrop->setToolTip(
        QStringLiteral("If selected, the crop selectionis moved. Otherwise, the picture is moved"));
    place(chkMoveCrop, 120, 4440, 1935, 255);
    const auto arrow = [&](XButton*& button, const char* name, XButton::Arrow type,
                           const char* tip) {
        button = new XButton(fraPanel);
        button->setObjectName(QString::fromLatin1(name));
        button->SetCaption(QString());
        button->SetArrowType(type);
        button->SetFontColor(kWindowText);
        button->setToolTip(QString::fromLatin1(tip));
    };
    arrow(xbutUp, "xbutUp", XButton::Arrow::Up, "Move up");
    place(xbutUp, 600, 4800, 495, 375);
    arrow(xbutLeft, "xbutLeft", XButton::Arrow::Left, "Move left");
    place(xbutLeft, 120, 5040, 375, 375);
    arrow(xbutRight, "xbutRight", XButton::Arrow::Right, "Move right");
    place(xbutRight, 1200, 5040, 375, 375);
    arrow(xbutDown, "xbutDown", XButton::Arrow::Down, "Move down");
    place(xbutDown, 600, 5280, 495, 375);
    xbutReset = new XButton(fraPanel);
    xbutReset->setObjectName(QStringLiteral("xbutReset"));
    xbutReset->SetCaption(QString());
    xbutReset->SetOmniPic(ResetPositionGlyph(devicePixelRatioF()));
    xbutReset->setToolTip(QStringLiteral("Reset picture position"));
    place(xbutReset, 1680, 4800, 420, 825);
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

    viewport = new QScrollArea(this);
    viewport->setObjectName(QStringLiteral("picCropViewport"));
    viewport->setFrameShape(QFrame::NoFrame);
    viewport->setWidgetResizable(false);
    canvas = new QWidget;
    canvas->setObjectName(QStringLiteral("picCropCanvas"));
    viewport->setWidget(canvas);
    picCrop = new CropPicture(canvas);
    picCrop->setObjectName(QStringLiteral("picCrop"));
    picCrop->installEventFilter(this);
    picCrop->SetPicture(SamplePicture());
    for (int i = 0; i < kHandleCount; ++i) {
        picM[i] = new CropHandle(canvas);
        picM[i]->setObjectName(QStringLiteral("picM(%1)").arg(i));
        picM[i]->resize(Pixels(kHandleTwips), Pixels(kHandleTwips));
        picM[i]->setCursor(kHandleCursors[i]);
        picM[i]->installEventFilter(this);
    }
    picturePlace = kFirstPicturePlace;

    // The panel stays put; the picture's viewport takes whatever room the dialog has.
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setMinimumSize(Pixels(kViewportLeft + 1500), Pixels(kPanelTop + kPanelHeight + kPanelTop));
    resize(Pixels(kClientWidth), Pixels(kClientHeight));
    chkMoveCrop->setChecked(true);
    chkMoveCrop_Click();
    PlacePicture();

    connect(chkRestrainDim, &QCheckBox::toggled, this, &frmCrop::chkRestrainDim_Click);
    connect(chkKeepProps, &QCheckBox::toggled, this, &frmCrop::chkKeepProps_Click);
    connect(cmdPreview, &OrvelSimpleButton::Click, this, [this] { host_.PreviewCustomCrop(); });
    connect(cmdAccept, &OrvelSimpleButton::Click, this, &frmCrop::cmdAccept_Click);
    connect(cmdCancel, &OrvelSimpleButton::Click, this, &frmCrop::cmdCancel_Click);
    connect(chkMoveCrop, &QCheckBox::toggled, this, &frmCrop::chkMoveCrop_Click);
    connect(xbutUp, &XButton::Click, this, [this] { Nudge_Click(Nudge::Up); });
    connect(xbutDown, &XButton::Click, this, [this] { Nudge_Click(Nudge::Down); });
    connect(xbutLeft, &XButton::Click, this, [this] { Nudge_Click(Nudge::Left); });
    connect(xbutRight, &XButton::Click, this, [this] { Nudge_Click(Nudge::Right); });
    connect(xbutReset, &XButton::Click, this, &frmCrop::xbutReset_Click);
}

int frmCrop::Pixels(double twips) const {
    return TwipsToPixels(twips, twipsPerPixel);
}

std::int32_t frmCrop::PointerTwips(double pixels) const {
    return static_cast<std::int32_t>(
        RoundHalfEven(std::clamp(pixels, -1.0 * kFarPixels, 1.0 * kFarPixels) * twipsPerPixel));
}

std::int32_t frmCrop::PictureWidthTwips() const {
    return picCrop->width() * twipsPerPixel;
}

std::int32_t frmCrop::PictureHeightTwips() const {
    return picCrop->height() * twipsPerPixel;
}

frmCrop::~frmCrop() {
    // The base dialog hides itself when torn down, which takes the focus from a coordinate box;
    // its editingFinished must not reach this half-destroyed dialog.
    for (QLineEdit* box : txtCoords) {
        disconnect(box, nullptr, this, nullptr);
    }
}

void frmCrop::SetPicture(const QImage& picture) {
    picCrop->SetPicture(picture);
    PlacePicture();
}

void frmCrop::SetPreview(const QImage& preview) {
    const QSize box = picPreview->contentsRect().size();
    const std::optional<TargetSize> fitted =
        FitInside({preview.width(), preview.height()}, {box.width(), box.height()});
    if (!fitted) {
        picPreview->clear();
        return;
    }
    const qreal ratio = devicePixelRatioF();
    QPixmap shown =
        QPixmap::fromImage(preview.scaled(static_cast<int>(RoundHalfEven(fitted->width * ratio)),
                                          static_cast<int>(RoundHalfEven(fitted->height * ratio)),
                                          Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    shown.setDevicePixelRatio(ratio);
    picPreview->setPixmap(shown);
}

void frmCrop::ShowModeless() {
    show();
    raise();
    activateWindow();
}

void frmCrop::ShowModal() {
    exec();
}

void frmCrop::reject() {
    cmdCancel_Click();
}

void frmCrop::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int left = Pixels(kViewportLeft);
    viewport->setGeometry(left, 0, std::max(0, width() - left), height());
    PlacePicture();
}

void frmCrop::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ShowHandles(bandState != 1);
    PlaceHandles();
}

void frmCrop::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    // The activation goes back to the window below by name: left to the window system (none,
    // or one that keeps the focus) it can stay with this hidden dialog, and the next showing,
    // a prompt the moment after, would then not become active and its boxes deaf to Tab.
    if (QWidget* owner = parentWidget(); owner != nullptr && owner->isVisible()) {
        owner->activateWindow();
    }
}

// The picture sits at its place in the dialog, seen through the viewport; the canvas grows
// to hold it, so whatever lies right of or below the viewport can be scrolled to.
void frmCrop::PlacePicture() {
    const int left =
        std::clamp(Pixels(picturePlace.left) - Pixels(kViewportLeft), -kFarPixels, kFarPixels);
    const int top = std::clamp(Pixels(picturePlace.top), -kFarPixels, kFarPixels);
    picCrop->move(left, top);
    const QSize seen = viewport->viewport()->size();
    canvas->resize(std::max(seen.width(), left + picCrop->width() + Pixels(kCanvasMargin)),
                   std::max(seen.height(), top + picCrop->height() + Pixels(kCanvasMargin)));
    MoveHandles();
}

void frmCrop::MoveHandles() {
    const std::array<HandlePlace, kHandleCount> places = HandleLayout(selectionRect);
    for (int i = 0; i < kHandleCount; ++i) {
        const QPoint at(std::clamp(Pixels(places[i].left), -kFarPixels, kFarPixels),
                        std::clamp(Pixels(places[i].top), -kFarPixels, kFarPixels));
        picM[i]->move(picCrop->pos() + at);
    }
}

void frmCrop::ShowHandles(bool visible) {
    for (CropHandle* handle : picM) {
        handle->setVisible(visible);
        if (visible) {
            handle->raise();
        }
    }
}

void frmCrop::RedrawFrame() {
    const double perPixel = twipsPerPixel;
    if (bandState == 1) {
        const CropBox edges = OrderedEdges(bandRect);
        picCrop->SetFrame(QRectF(QPointF(edges.left / perPixel, edges.top / perPixel),
                                 QPointF(edges.right / perPixel, edges.bottom / perPixel)));
    } else {
        picCrop->SetFrame(QRectF(selectionRect.X / perPixel, selectionRect.Y / perPixel,
                                 selectionRect.Width / perPixel, selectionRect.Height / perPixel));
    }
    SynchroniseEdges();
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

void frmCrop::PlaceHandles() {
    MoveHandles();
    RedrawFrame();
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

void frmCrop::chkMoveCrop_Click() {
    xbutReset->SetEnabled(!chkMoveCrop->isChecked());
}

void frmCrop::Nudge_Click(Nudge direction) {
    if (chkMoveCrop->isChecked()) {
        selectionRect = NudgeSelection(selectionRect, direction, twipsPerPixel, PictureWidthTwips(),
                                       PictureHeightTwips());
        SynchroniseEdges();
        PlaceHandles();
    } else {
        picturePlace = MovePicture(picturePlace, direction);
        PlacePicture();
    }
}

void frmCrop::xbutReset_Click() {
    picturePlace = {kPanelLeft + kPanelWidth + kPanelTop, kPanelTop};
    PlacePicture();
    viewport->horizontalScrollBar()->setValue(0);
    viewport->verticalScrollBar()->setValue(0);
}

bool frmCrop::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease) {
        return QDialog::eventFilter(watched, event);
    }
    const auto& mouse = static_cast<const QMouseEvent&>(*event);
    if (watched == picCrop) {
        if (type == QEvent::MouseButtonPress) {
            picCrop_MouseDown(mouse.position());
        } else if (type == QEvent::MouseMove) {
            picCrop_MouseMove(mouse.position());
        } else {
            picCrop_MouseUp(mouse.position());
        }
        return true;
    }
    const auto handle = std::find(picM.begin(), picM.end(), watched);
    if (handle == picM.end()) {
        return QDialog::eventFilter(watched, event);
    }
    const int index = static_cast<int>(handle - picM.begin());
    if (type == QEvent::MouseButtonPress) {
        picM_MouseDown(mouse);
    } else if (type == QEvent::MouseMove) {
        picM_MouseMove(index, mouse.position());
    } else {
        handleDragging = false;
    }
    return true;
}

void frmCrop::picCrop_MouseDown(const QPointF& at) {
    const std::int32_t x = PointerTwips(at.x());
    const std::int32_t y = PointerTwips(at.y());
    bandRect = {x, y, x, y};
    bandState = 1;
    ShowHandles(false);
}

void frmCrop::picCrop_MouseMove(const QPointF& at) {
    if (bandState != 1) {
        return;
    }
    bandRect.x2 = ClampToPicture(PointerTwips(at.x()), PictureWidthTwips());
    bandRect.y2 = ClampToPicture(PointerTwips(at.y()), PictureHeightTwips());
    RedrawFrame();
}

void frmCrop::picCrop_MouseUp(const QPointF& at) {
    if (bandState != 1) {
        return;
    }
    bandRect.x2 = ClampToPicture(PointerTwips(at.x()), PictureWidthTwips());
    bandRect.y2 = ClampToPicture(PointerTwips(at.y()), PictureHeightTwips());
    bandState = 2;
    selectionRect = ReleaseBand(bandRect, {chkRestrainDim->isChecked(), chkKeepProps->isChecked()},
                                host_.NewSize(), host_.CurrentImageScale(), twipsPerPixel);
    ShowHandles(true);
    PlaceHandles();
}

void frmCrop::picM_MouseDown(const QMouseEvent& event) {
    if (event.button() != Qt::LeftButton) {
        return;
    }
    handleDragging = true;
    dragStartX = PointerTwips(event.position().x());
    dragStartY = PointerTwips(event.position().y());
}

void frmCrop::picM_MouseMove(int handle, const QPointF& at) {
    if (!handleDragging) {
        return;
    }
    const std::int32_t dx = dragStartX - PointerTwips(at.x());
    const std::int32_t dy = dragStartY - PointerTwips(at.y());
    selectionRect =
        DragHandle(selectionRect, handle, dx, dy, PictureWidthTwips(), PictureHeightTwips());
    ApplySizeConstraint();
    PlaceHandles();
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
