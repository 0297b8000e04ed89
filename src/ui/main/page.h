#pragma once

#include "message_boxes.h"

#include <functional>
#include <vector>

#include <QFrame>
#include <QRect>

class QComboBox;

namespace kalvimo {

// Places a control at a position given in twips, so that the window scales with the screen.
void PlaceInTwips(QWidget* control, int twipsPerPixel, int left, int top, int width, int height);

// Chooses an entry of a list; choosing the entry already chosen applies it again.
void ChooseEntry(QComboBox* list, int index, const std::function<void()>& apply);

// One page under the tab strip ("fraTab(1)" is the second): a frame of the strip's face colour
// whose controls are placed in twips, some of them growing with the window.
class Page : public QFrame {
    Q_OBJECT

public:
    Page(int index, int twipsPerPixel, QWidget* parent);

    void Place(QWidget* control, int left, int top, int width, int height) const;
    // A control that takes the extra width or height the window gets, or both.
    void Grows(QWidget* control, bool wider, bool taller);
    // Remembers where the page and its growing controls sit at the window's smallest size.
    virtual void RecordStretch();
    // Grows them by what the window has grown past that size.
    virtual void Stretch(int wider, int taller);

signals:
    // A message for the window to show in a box.
    void Notify(const QString& text, BoxIcon icon);

private:
    const int twipsPerPixel_;
    struct Growth {
        QWidget* control = nullptr;
        QRect design;
        bool wider = false;
        bool taller = false;
    };
    std::vector<Growth> growths_;
    QRect design_;
};

} // namespace kalvimo
