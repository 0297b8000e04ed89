#include "frm_main.h"

#include <QApplication>
#include <QFont>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kalvimo"));
    // Metric-compatible with the font the window was designed in.
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    kalvimo::frmMain window;
    window.show();
    return QApplication::exec();
}
