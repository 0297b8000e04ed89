#include "frm_colour_picker.h"

#include "colour_squares.h"
#include "hsv_to_colour.h"
#include "number_reading.h"
#include "orvel_simple_button.h"
#include "owner_drawn_widget.h"
#include "rounding.h"

#include <utility>

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace kalvimo {

namespace {

// Positions in twips, so that the dialog scales with the screen's twips per pixel.
constexpr int kClientWidth = 5895;
constexpr int kSpotLeft = 120;
constexpr int kSpotTop = 480;
constexpr int kSpotSize = 255;
constexpr int kSaturationTop = 120;
constexpr int kFrameHeight = 1095;
constexpr int kRowPitch = 360;
constexpr int kBoxHeight = 285;

constexpr Colour kLabelGrey = 0x404040;
constexpr int kLargestComponent = 255;

const std::array<QString, 3> kComponentNames = {QStringLiteral("Red"), QStringLiteral("Green"),
                                                QStringLiteral("Blue")};

QScrollBar* MakeBar(QWidget* parent, const QString& name, int maximum, int largeStep) {
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setObjectName(name);
    bar->setRange(0, maximum);
    bar->setPageStep(largeStep);
    bar->setSingleStep(1);
    return bar;
}

OrvelSimpleButton* MakeButton(QWidget* parent, const QString& name, const QString& caption,
                              const QString& tip) {
    auto* button = new OrvelSimpleButton(parent);
    button->setObjectName(name);
    button->SetCaption(caption);
    button->setToolTip(tip);
    return button;
}

int Component(Colour colour, int index) {
    return static_cast<int>(colour >> (8 * index) & 0xFF);
}

} // namespace

frmColourPicker::frmColourPicker(std::function<void()> acceptColourChange, QWidget* parent)
    : QDialog(parent), acceptColourChange_(std::move(acceptColourChange)) {
    setWindowTitle(QStringLiteral("Choose a colour..."));
    setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    twipsPerPixel = kalvimo::TwipsPerPixel(*this);
    Form_Load();
}

int frmColourPicker::Pixels(int twips) const {
    return TwipsToPixels(twips, twipsPerPixel);
}

void frmColourPicker::Place(QWidget* control, int left, int top, int width, int height) const {
    // From the rounded edges, so that neighbours meet without gaps at any pixel size.
    control->setGeometry(Pixels(left), Pixels(top), Pixels(left + width) - Pixels(left),
                         Pixels(top + height) - Pixels(top));
}

void frmColourPicker::Form_Load() {
    QFont bold = font();
    bold.setBold(true);

    captions_[3] = new QLabel(QStringLiteral("Saturation:"), this);
    captions_[3]->setFont(bold);
    Place(captions_[3], 120, kSaturationTop, 975, 255);
    hscrSpots = MakeBar(this, QStringLiteral("hscrSpots"), 100, 10);
    hscrSpots->setValue(100);
    Place(hscrSpots, 1080, kSaturationTop, 4095, 255);
    lblSat = new QLabel(QStringLiteral("100%"), this);
    lblSat->setObjectName(QStringLiteral("lblSat"));
    // Away from the bar's arrow, and the "%" stays put as the number changes.
    lblSat->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Place(lblSat, 5160, kSaturationTop, 615, 255);

    for (int k = 0; k < kSpotCount; ++k) {
        auto* spot = new ColourSpot(this);
        spot->setObjectName(QStringLiteral("lblSpot(%1)").arg(k));
        Place(spot, kSpotLeft + k / kSpotRows * kSpotSize, kSpotTop + k % kSpotRows * kSpotSize,
              kSpotSize, kSpotSize);
        connect(spot, &ColourSpot::Click, this, [this, k] {
            MakeCurrentSpot(k);
            lblSpot_Click(k);
        });
        connect(spot, &ColourSpot::Step, this,
                [this, k](int columns, int rows) { lblSpot_Step(k, columns, rows); });
        lblSpot[static_cast<std::size_t>(k)] = spot;
    }
    MakeCurrentSpot(0);

    // The frame sits below the last row with the same gap as above the saturation bar.
    const int lastSpotTop = kSpotTop + (kSpotRows - 1) * kSpotSize;
    const int frameTop = lastSpotTop + kSpotSize + kSaturationTop;
    fraOptions = new QFrame(this);
    fraOptions->setObjectName(QStringLiteral("fraOptions"));
    Place(fraOptions, 0, frameTop, kClientWidth, kFrameHeight);

    for (std::size_t i = 0; i < txtColour.size(); ++i) {
        const int top = static_cast<int>(i) * kRowPitch;
        captions_[i] = new QLabel(kComponentNames[i], fraOptions);
        captions_[i]->setFont(bold);
        // As tall as the box, so that the two texts share a line.
        Place(captions_[i], 120, top, 735, kBoxHeight);
        txtColour[i] = new QLineEdit(QStringLiteral("0"), fraOptions);
        txtColour[i]->setObjectName(QStringLiteral("txt") + kComponentNames[i]);
        Place(txtColour[i], 840, top, 615, kBoxHeight);
        hscrColour[i] =
            MakeBar(fraOptions, QStringLiteral("hscr") + kComponentNames[i], kLargestComponent, 10);
        Place(hscrColour[i], 1560, top, 2175, 255);
        const int index = static_cast<int>(i);
        connect(txtColour[i], &QLineEdit::textChanged, this,
                [this, index] { txtColour_Change(index); });
        connect(txtColour[i], &QLineEdit::editingFinished, this,
                [this, index] { txtColour_LostFocus(index); });
        connect(hscrColour[i], &QScrollBar::valueChanged, this,
                [this, index] { hscrColour_Change(index); });
    }
    shpPreview = new ColourShape(fraOptions);
    shpPreview->setObjectName(QStringLiteral("shpPreview"));
    Place(shpPreview, 3960, 240, 615, 615);
    cmdOK = MakeButton(fraOptions, QStringLiteral("cmdOK"), QStringLiteral("&OK"),
                       QStringLiteral("Accept new colour"));
    Place(cmdOK, 4800, 120, 975, 375);
    cmdCancel = MakeButton(fraOptions, QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"),
                           QStringLiteral("Reject new colour"));
    Place(cmdCancel, 4800, 600, 975, 375);
    ApplyLabelColours();

    // The client area ends at the bottom of the frame.
    setFixedSize(Pixels(kClientWidth), fraOptions->y() + fraOptions->height());

    connect(hscrSpots, &QScrollBar::valueChanged, this, &frmColourPicker::hscrSpots_Change);
    connect(cmdOK, &OrvelSimpleButton::Click, this, &frmColourPicker::cmdOK_Click);
    connect(cmdCancel, &OrvelSimpleButton::Click, this, &QDialog::reject);

    spotSaturation = hscrSpots->value();
    ColourSpots();
}

void frmColourPicker::ApplyLabelColours() {
    // Dark grey captions disappear on a dark window; there the theme's own text colour
    // keeps the captions readable.
    const QColor text = palette().color(QPalette::Window).lightness() >= 128
                            ? ToQColor(kLabelGrey)
                            : palette().color(QPalette::WindowText);
    for (QLabel* caption : captions_) {
        QPalette captionPalette = caption->palette();
        captionPalette.setColor(QPalette::WindowText, text);
        caption->setPalette(captionPalette);
    }
}

void frmColourPicker::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::ApplicationPaletteChange) {
        ApplyLabelColours();
    }
    QDialog::changeEvent(event);
}

void frmColourPicker::keyPressEvent(QKeyEvent* event) {
    // Enter accepts from anywhere but the buttons, which answer it themselves on release.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && qobject_cast<OrvelSimpleButton*>(focusWidget()) == nullptr) {
        cmdOK_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmColourPicker::ColourSpots() {
    const float hueStep = 359.0F / 21.0F;
    const float valueStep = 100.0F / 9.0F;
    int hue = 0;
    std::size_t k = 0;
    for (int column = 0; column < kSpotColumns; ++column) {
        int value = 100;
        for (int row = 0; row < kSpotRows; ++row) {
            lblSpot[k++]->SetBackColour(HsvToColour(hue, spotSaturation, value));
            value = static_cast<int>(RoundHalfEven(static_cast<float>(value) - valueStep));
        }
        hue = static_cast<int>(RoundHalfEven(hueStep + static_cast<float>(hue)));
        if (hue > 359) {
            hue = 0;
        }
    }
}

void frmColourPicker::UpdatePreview() {
    const Colour colour = static_cast<Colour>(hscrColour[0]->value()) +
                          256 * static_cast<Colour>(hscrColour[1]->value()) +
                          65536 * static_cast<Colour>(hscrColour[2]->value());
    shpPreview->SetFillColour(colour);
    SelectedColour = colour;
}

void frmColourPicker::ShowComponents(Colour colour) {
    colourBusy = true;
    for (std::size_t i = 0; i < hscrColour.size(); ++i) {
        hscrColour[i]->setValue(Component(colour, static_cast<int>(i)));
        txtColour[i]->setText(QString::number(hscrColour[i]->value()));
    }
    UpdatePreview();
    colourBusy = false;
}

frmColourPicker::~frmColourPicker() {
    // The base dialog hides itself when torn down, which takes the focus from a colour box; its
    // editingFinished must not reach this half-destroyed dialog.
    for (QLineEdit* box : txtColour) {
        disconnect(box, nullptr, this, nullptr);
    }
}

void frmColourPicker::SetColour(Colour lngColour) {
    SelectedColour = TranslateColour(lngColour);
    ShowComponents(SelectedColour);
}

void frmColourPicker::MakeCurrentSpot(int index) {
    lblSpot[static_cast<std::size_t>(currentSpot_)]->setFocusPolicy(Qt::ClickFocus);
    currentSpot_ = index;
    lblSpot[static_cast<std::size_t>(currentSpot_)]->setFocusPolicy(Qt::StrongFocus);
}

void frmColourPicker::hscrSpots_Change() {
    spotSaturation = hscrSpots->value();
    lblSat->setText(QString::number(spotSaturation) + QStringLiteral("%"));
    ColourSpots();
}

void frmColourPicker::hscrColour_Change(int index) {
    if (colourBusy) {
        return;
    }
    colourBusy = true;
    const auto i = static_cast<std::size_t>(index);
    txtColour[i]->setText(QString::number(hscrColour[i]->value()));
    UpdatePreview();
    colourBusy = false;
}

void frmColourPicker::txtColour_Change(int index) {
    if (colourBusy) {
        return;
    }
    colourBusy = true;
    const auto i = static_cast<std::size_t>(index);
    // The bar takes only 0 to 255 and holds the nearest; the box keeps what was typed.
    hscrColour[i]->setValue(RoundToInt16(ReadLeadingNumber(txtColour[i]->text().toStdString())));
    UpdatePreview();
    colourBusy = false;
}

void frmColourPicker::txtColour_LostFocus(int index) {
    const auto i = static_cast<std::size_t>(index);
    const int typed = RoundToInt16(ReadLeadingNumber(txtColour[i]->text().toStdString()));
    if (typed >= 0 && typed <= kLargestComponent) {
        return;
    }
    // A number the bar could not take is shown as the value it was clamped to.
    colourBusy = true;
    txtColour[i]->setText(QString::number(hscrColour[i]->value()));
    colourBusy = false;
}

void frmColourPicker::lblSpot_Click(int index) {
    ShowComponents(lblSpot[static_cast<std::size_t>(index)]->BackColour());
}

void frmColourPicker::lblSpot_Step(int index, int columns, int rows) {
    const int column = index / kSpotRows + columns;
    const int row = index % kSpotRows + rows;
    if (column < 0 || column >= kSpotColumns || row < 0 || row >= kSpotRows) {
        return;
    }
    const int next = column * kSpotRows + row;
    MakeCurrentSpot(next);
    lblSpot[static_cast<std::size_t>(next)]->setFocus(Qt::OtherFocusReason);
    lblSpot_Click(next);
}

void frmColourPicker::cmdOK_Click() {
    if (acceptColourChange_) {
        acceptColourChange_();
    }
    accept();
}

} // namespace kalvimo
