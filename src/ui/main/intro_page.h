#pragma once

#include "page.h"

class QLabel;

namespace kalvimo {

// The first page: the program's picture and words, and two links to the user guide: one leads on
// to the Source page, the other leaves the page in hand.
class IntroPage : public Page {
    Q_OBJECT

public:
    IntroPage(int twipsPerPixel, const QString& guidePath, QWidget* parent);

public slots:
    // Open the user guide; a guide that cannot be opened is a message instead.
    void lblLink_Click();
    void lblStart_Click();

signals:
    void GuideOpened();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OpenGuide();

    const QString guidePath_;
    QLabel* lblLink = nullptr;
    QLabel* lblStart = nullptr;
};

} // namespace kalvimo
