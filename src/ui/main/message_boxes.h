#pragma once

#include "batch_host.h"

#include <QString>

class QWidget;

namespace kalvimo {

enum class BoxIcon { None, Exclamation, Information };

// Every message box and the folder dialog of the window go through here, so tests can read and
// answer them.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Modal; captioned with the program's title.
    virtual MessageAnswer Show(QWidget* owner, const QString& text, BoxIcon icon,
                               MessageButtons buttons) = 0;
    // The desktop's folder dialog opened at start; "" when the user cancels.
    virtual QString ChooseFolder(QWidget* owner, const QString& start) = 0;
};

class QtMessageBoxes : public MessageBoxes {
public:
    MessageAnswer Show(QWidget* owner, const QString& text, BoxIcon icon,
                       MessageButtons buttons) override;
    QString ChooseFolder(QWidget* owner, const QString& start) override;
};

} // namespace kalvimo
