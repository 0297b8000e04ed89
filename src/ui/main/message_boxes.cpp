#include "message_boxes.h"

#include <QFileDialog>
#include <QMessageBox>

namespace kalvimo {

MessageAnswer QtMessageBoxes::Show(QWidget* owner, const QString& text, BoxIcon icon,
                                   MessageButtons buttons) {
    QMessageBox box(owner);
    box.setWindowTitle(QStringLiteral("Kalvimo"));
    box.setText(text);
    switch (icon) {
    case BoxIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case BoxIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case BoxIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    if (buttons != MessageButtons::Ok) {
        const bool toAll = buttons == MessageButtons::YesNoToAll;
        box.setStandardButtons(toAll ? QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No |
                                           QMessageBox::NoToAll
                                     : QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        box.exec();
        // Only a Yes replaces a file: a box closed any other way is a No.
        const QAbstractButton* clicked = box.clickedButton();
        if (clicked == box.button(QMessageBox::Yes)) {
            return MessageAnswer::Yes;
        }
        if (toAll && clicked == box.button(QMessageBox::YesToAll)) {
            return MessageAnswer::YesToAll;
        }
        if (toAll && clicked == box.button(QMessageBox::NoToAll)) {
            return MessageAnswer::NoToAll;
        }
        return MessageAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::Ok;
}

QString QtMessageBoxes::ChooseFolder(QWidget* owner, const QString& start) {
    return QFileDialog::getExistingDirectory(owner, QStringLiteral("Choose a folder"), start);
}

} // namespace kalvimo
