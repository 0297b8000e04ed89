#include "intro_page.h"

#include "artwork.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QUrl>

namespace kalvimo {

namespace {

QLabel* MakeLink(QWidget* page, const QString& name, const QString& text, const QString& tip) {
    auto* link = new QLabel(text, page);
    link->setObjectName(name);
    link->setToolTip(tip);
    link->setCursor(Qt::PointingHandCursor);
    QFont font = link->font();
    font.setUnderline(true);
    link->setFont(font);
    // The theme's link colour, which reads on its pages, light or dark.
    link->setForegroundRole(QPalette::Link);
    // Reached with Tab like any link; the margin gives way to the focus box, so the text stays.
    link->setFocusPolicy(Qt::StrongFocus);
    link->setFrameShape(QFrame::NoFrame);
    link->setMargin(1);
    return link;
}

} // namespace

IntroPage::IntroPage(int twipsPerPixel, const QString& guidePath, QWidget* parent)
    : Page(0, twipsPerPixel, parent), guidePath_(guidePath) {
    auto* Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    PaintFromPalette(*Image1, [Image1] {
        Image1->setPixmap(IntroArtwork(Image1->palette(), Image1->devicePixelRatioF()));
    });
    Image1->setToolTip(
        QStringLiteral("From digital camera to digital picture frame, Kalvimo makes it simple!"));
    Place(Image1, 120, 240, 5670, 2715);

    auto* shpIntro = new QFrame(this);
    shpIntro->setObjectName(QStringLiteral("shpIntro"));
    shpIntro->setFrameShape(QFrame::StyledPanel);
    shpIntro->setFrameShadow(QFrame::Sunken);
    Place(shpIntro, 5970, 240, 3285, 2715);

    auto* lblIntro = new QLabel(
        QStringLiteral("Kalvimo makes resizing images a breeze. It has many uses and is ideal for "
                       "converting multiple files for Digital Picture Frames, MP3 players or any "
                       "other devices with image viewing capabilities. Have fun!"),
        this);
    lblIntro->setObjectName(QStringLiteral("lblIntro"));
    lblIntro->setWordWrap(true);
    lblIntro->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Place(lblIntro, 6120, 360, 3015, 1560);

    lblStart =
        MakeLink(this, QStringLiteral("lblStart"), QStringLiteral("Click to view the User Guide"),
                 QStringLiteral("Go to the Source tab"));
    Place(lblStart, 6120, 2040, 3015, 300);
    lblLink = MakeLink(this, QStringLiteral("lblLink"), QStringLiteral("User guide (F1)"),
                       QStringLiteral("Open the user guide"));
    Place(lblLink, 6120, 2460, 3015, 300);
    lblStart->installEventFilter(this);
    lblLink->installEventFilter(this);
}

bool IntroPage::eventFilter(QObject* watched, QEvent* event) {
    auto* link =
        watched == lblLink || watched == lblStart ? static_cast<QLabel*>(watched) : nullptr;
    if (link != nullptr &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        const bool focused = event->type() == QEvent::FocusIn;
        link->setFrameShape(focused ? QFrame::Box : QFrame::NoFrame);
        link->setMargin(focused ? 0 : 1);
    }
    bool activated = false;
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        activated = link != nullptr &&
                    (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space);
    }
    if (activated || (event->type() == QEvent::MouseButtonRelease &&
                      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)) {
        if (watched == lblLink) {
            lblLink_Click();
            return true;
        }
        if (watched == lblStart) {
            lblStart_Click();
            return true;
        }
    }
    return Page::eventFilter(watched, event);
}

void IntroPage::lblLink_Click() {
    // The guide opens over the page in hand, as F1 opens it; only lblStart leads on to Source.
    OpenGuide();
}

void IntroPage::lblStart_Click() {
    if (OpenGuide()) {
        emit GuideOpened();
    }
}

bool IntroPage::OpenGuide() {
    // Without a word the key or the link would seem to do nothing.
    if (!QFileInfo(guidePath_).isFile() ||
        !QDesktopServices::openUrl(QUrl::fromLocalFile(guidePath_))) {
        emit Notify(QStringLiteral("The user guide could not be opened: ") + guidePath_,
                    BoxIcon::Exclamation);
        return false;
    }
    return true;
}

} // namespace kalvimo
