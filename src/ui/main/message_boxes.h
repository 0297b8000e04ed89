#pragma once

#include "batch_host.h"

#include <QString>

class QWidget;

namespace kalvimo {

enum class BoxIcon { None, Exclamation, Information };

// Every message box of the window goes through here, so tests can read and answer them.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Modal; captioned with the program's title.
    virtual MessageAnswer Show(QWidget* owner, const QString& text, BoxIcon icon,
                               MessageButtons buttons) = 0;
};

class QtMessageBoxes : public MessageBoxes {
public:
    MessageAnswer Show(QWidget* owner, const QString& text, BoxIcon icon,
                       MessageButtons buttons) override;
};

} // namespace kalvimo
