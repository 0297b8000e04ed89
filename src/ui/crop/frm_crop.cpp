#include "frm_crop.h"

#include "crop_view.h"
#include "orvel_simple_button.h"
#include "owner_drawn_widget.h"
#include "rounding.h"
#include "xbutton.h"

#include <algorithm>
#include <cmath>

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QWheelEvent>

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
// The zoom button sits below the panel.
constexpr int kZoomTop = kPanelTop + kPanelHeight + 120;
// How far one step of the wheel zooms, and the most a picture pixel is enlarged.
constexpr double kZoomStep = 1.25;
constexpr double kMostZoom = 8;
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
        txtCoords[i]->installEventFilter(this);
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
    cmdZoom = new OrvelSimpleButton(this);
    cmdZoom->setObjectName(QStringLiteral("cmdZoom"));
    place(cmdZoom, kPanelLeft, kZoomTop, kPanelWidth, 375);

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
    setMinimumSize(Pixels(kViewportLeft + 1500), Pixels(kZoomTop + 375 + kPanelTop));
    resize(Pixels(kClientWidth), Pixels(kClientHeight));
    chkMoveCrop->setChecked(true);
    chkMoveCrop_Click();
    PlacePicture();

    connect(chkRestrainDim, &QCheckBox::toggled, this, &frmCrop::chkRestrainDim_Click);
    connect(chkRestrainDim, &QCheckBox::clicked, this, &frmCrop::chkRestrainDim_Ticked);
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
    connect(cmdZoom, &OrvelSimpleButton::Click, this, [this] {
        if (fitted_ && Zoom() < 1) {
            SetZoom(1);
        } else {
            FitPicture();
        }
    });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_1), this), &QShortcut::activated, this,
            [this] { SetZoom(1); });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_0), this), &QShortcut::activated, this,
            &frmCrop::FitPicture);
    viewport->viewport()->installEventFilter(this);
    ShowZoom(FittingZoom());
}

int frmCrop::Pixels(double twips) const {
    return TwipsToPixels(twips, twipsPerPixel);
}

std::int32_t frmCrop::PointerTwips(double pixels) const {
    return static_cast<std::int32_t>(RoundHalfEven(
        std::clamp(pixels / Zoom(), -1.0 * kFarPixels, 1.0 * kFarPixels) * twipsPerPixel));
}

std::int32_t frmCrop::PictureWidthTwips() const {
    return picCrop->Picture().width() * twipsPerPixel;
}

std::int32_t frmCrop::PictureHeightTwips() const {
    return picCrop->Picture().height() * twipsPerPixel;
}

double frmCrop::Zoom() const {
    return picCrop->Zoom();
}

double frmCrop::FittingZoom() const {
    const QSize picture = picCrop->Picture().size();
    if (picture.isEmpty()) {
        return 1;
    }
    // The room right of the panel, less the picture's offset and the handles' margin.
    const double room = width() - Pixels(picturePlace.left) - Pixels(kCanvasMargin);
    const double roomHigh = height() - Pixels(picturePlace.top) - Pixels(kCanvasMargin);
    return std::clamp(std::min(room / picture.width(), roomHigh / picture.height()),
                      1.0 / std::max(picture.width(), picture.height()), 1.0);
}

void frmCrop::SetZoom(double zoom) {
    const QSize seen = viewport->viewport()->size();
    ZoomAbout(zoom,
              picCrop->mapFrom(viewport->viewport(), QPoint(seen.width() / 2, seen.height() / 2)));
}

void frmCrop::FitPicture() {
    fitted_ = true;
    ShowZoom(FittingZoom());
}

void frmCrop::ZoomAbout(double zoom, const QPointF& at) {
    const double before = Zoom();
    zoom = std::clamp(zoom, std::min(FittingZoom(), 1.0), kMostZoom);
    const QPointF onScreen = picCrop->mapTo(viewport->viewport(), at);
    fitted_ = false;
    ShowZoom(zoom);
    const QPointF after = QPointF(picCrop->pos()) + at * (zoom / before);
    viewport->horizontalScrollBar()->setValue(qRound(after.x() - onScreen.x()));
    viewport->verticalScrollBar()->setValue(qRound(after.y() - onScreen.y()));
}

void frmCrop::ShowZoom(double zoom) {
    picCrop->SetZoom(zoom);
    PlacePicture();
    const bool full = !fitted_ || zoom >= 1;
    cmdZoom->SetCaption(full ? QStringLiteral("&Fit picture") : QStringLiteral("Full &size"));
    cmdZoom->setToolTip(full ? QStringLiteral("Show the whole picture (Ctrl+0, or Ctrl+wheel)")
                             : QStringLiteral("Show the picture at full size (Ctrl+1)"));
}

frmCrop::~frmCrop() {
    // The base dialog hides itself when torn down, which takes the focus from a coordinate box;
    // its editingFinished must not reach this half-destroyed dialog.
    for (QLineEdit* box : txtCoords) {
        disconnect(box, nullptr, this, nullptr);
    }
}

void frmCrop::SetPicture(const QImage& picture, const QString& name) {
    setWindowTitle(name.isEmpty() ? QStringLiteral("Kalvimo - Custom Cropping")
                                  : QStringLiteral("Kalvimo - Custom Cropping - ") + name);
    picCrop->SetPicture(picture);
    picCrop->SetZoom(1);
    ShowZoom(fitted_ ? FittingZoom() : std::clamp(Zoom(), std::min(FittingZoom(), 1.0), kMostZoom));
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

void frmCrop::PlaceOnScreen() {
    QWidget* owner = parentWidget();
    QScreen* shown = owner != nullptr ? owner->screen() : screen();
    if (shown == nullptr) {
        return;
    }
    const QRect room = shown->availableGeometry();
    // The title bar and borders come on top of the dialog's own size.
    const QSize frame = frameGeometry().size() - size();
    const QSize most =
        room.size() - QSize(std::max(frame.width(), 16), std::max(frame.height(), 48));
    if (width() > most.width() || height() > most.height()) {
        resize(std::max(minimumWidth(), std::min(width(), most.width())),
               std::max(minimumHeight(), std::min(height(), most.height())));
    }
    if (placed_) {
        return;
    }
    placed_ = true;
    QRect place(QPoint(), size() + frame);
    place.moveCenter(owner != nullptr ? owner->frameGeometry().center() : room.center());
    place.moveLeft(
        std::clamp(place.left(), room.left(), std::max(room.left(), room.right() - place.width())));
    place.moveTop(
        std::clamp(place.top(), room.top(), std::max(room.top(), room.bottom() - place.height())));
    move(place.topLeft());
}

void frmCrop::ShowModeless() {
    PlaceOnScreen();
    show();
    raise();
    activateWindow();
}

void frmCrop::ShowModal() {
    PlaceOnScreen();
    exec();
}

void frmCrop::reject() {
    cmdCancel_Click();
}

void frmCrop::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int left = Pixels(kViewportLeft);
    viewport->setGeometry(left, 0, std::max(0, width() - left), height());
    if (fitted_) {
        ShowZoom(FittingZoom());
    } else {
        PlacePicture();
    }
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
    // The handles keep their size at every zoom; only where they sit follows the picture.
    const double zoom = Zoom();
    const auto scaled = [zoom](std::int32_t twips) {
        return static_cast<std::int32_t>(RoundHalfEven(std::clamp(twips * zoom, -1e9, 1e9)));
    };
    const std::array<HandlePlace, kHandleCount> places =
        HandleLayout({scaled(selectionRect.X), scaled(selectionRect.Y), scaled(selectionRect.Width),
                      scaled(selectionRect.Height)});
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

void frmCrop::chkRestrainDim_Ticked() {
    // Ticked by the user, the rectangle shows at once what the run will cut.
    if (chkRestrainDim->isChecked()) {
        ApplySizeConstraint();
        SynchroniseEdges();
        PlaceHandles();
    }
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
    if (type == QEvent::KeyPress &&
        std::find(txtCoords.begin(), txtCoords.end(), watched) != txtCoords.end()) {
        return CoordsBox_KeyPress(*static_cast<QLineEdit*>(watched),
                                  static_cast<const QKeyEvent&>(*event));
    }
    if (type == QEvent::Wheel && (watched == picCrop || watched == viewport->viewport())) {
        const auto& wheel = static_cast<const QWheelEvent&>(*event);
        if ((wheel.modifiers() & Qt::ControlModifier) == 0 || wheel.angleDelta().y() == 0) {
            return QDialog::eventFilter(watched, event);
        }
        const QPointF at = picCrop->mapFrom(static_cast<QWidget*>(watched), wheel.position());
        ZoomAbout(Zoom() * std::pow(kZoomStep, wheel.angleDelta().y() / 120.0), at);
        event->accept();
        return true;
    }
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

bool frmCrop::CoordsBox_KeyPress(QLineEdit& box, const QKeyEvent& key) {
    if ((key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter) ||
        (key.modifiers() & ~Qt::KeypadModifier) != 0) {
        return false;
    }
    const auto index = static_cast<std::size_t>(
        std::find(txtCoords.begin(), txtCoords.end(), &box) - txtCoords.begin());
    // A box that shows what the rectangle already is has nothing to take: the dialog is done.
    if (box.text() == QString::number(CoordsFromEdges(Edges(), twipsPerPixel)[index])) {
        cmdAccept_Click();
    } else {
        ValidateTextCrop();
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
