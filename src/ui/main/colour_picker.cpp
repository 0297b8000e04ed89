#include "colour_picker.h"

#include "system_colours.h"

#include <array>

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace kalvimo {

namespace {

constexpr std::array<Colour, 16> kBasicColours{
    0x000000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000080, 0x0000FF, 0x008080, 0x00FFFF,
    0x008000, 0x00FF00, 0x808000, 0xFFFF00, 0x800000, 0xFF0000, 0x800080, 0xFF00FF,
};

} // namespace

void BasicColourPicker::ShowModal(QWidget* owner, const std::function<void()>& accepted) {
    QDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("frmColourPicker"));
    dialog.setWindowTitle(QStringLiteral("Choose a colour..."));
    auto* grid = new QGridLayout;
    Colour chosen = selected_;
    for (std::size_t i = 0; i < kBasicColours.size(); ++i) {
        auto* spot = new QPushButton(&dialog);
        spot->setObjectName(QStringLiteral("spot(%1)").arg(i));
        spot->setFixedSize(28, 28);
        spot->setCheckable(true);
        spot->setAutoExclusive(true);
        spot->setChecked(kBasicColours[i] == chosen);
        spot->setStyleSheet(
            QStringLiteral("QPushButton { background: %1; border: 1px solid grey; }"
                           "QPushButton:checked { border: 3px solid palette(highlight); }")
                .arg(ToQColor(kBasicColours[i]).name()));
        QObject::connect(spot, &QPushButton::clicked, &dialog,
                         [&chosen, i] { chosen = kBasicColours[i]; });
        grid->addWidget(spot, static_cast<int>(i / 8), static_cast<int>(i % 8));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        selected_ = chosen;
        accepted();
        dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    dialog.exec();
}

} // namespace kalvimo
