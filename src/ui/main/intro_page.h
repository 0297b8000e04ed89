#pragma once

#include "page.h"

class QLabel;

namespace kalvimo {

// The first page: the program's picture and words, and the links to the user guide and to the
// maker's site.
class IntroPage : public Page {
    Q_OBJECT

public:
    IntroPage(int twipsPerPixel, const QString& guidePath, QWidget* parent);

public slots:
    void lblLink_Click();
    // Opens the user guide; a guide that cannot be opened is a message instead.
    void lblStart_Click();

signals:
    void GuideOpened();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const QString guidePath_;
    QLabel* lblLink = nullptr;
    QLabel* lblStart = nullptr;
};

} // namespace kalvimo
