#include "frm_main.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QIcon>
#include <QUrl>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kalvimo"));
    // Desktops that match windows to menu entries by name find the icon through this.
    QApplication::setDesktopFileName(QStringLiteral("kalvimo"));
    QIcon builtIcon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        builtIcon.addFile(QStringLiteral(":/icons/%1x%1/kalvimo.png").arg(size));
    }
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("kalvimo"), builtIcon));
    // Metric-compatible with the font the window was designed in.
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Resizes a batch of pictures to one size."));
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("paths"),
        QStringLiteral("A folder to take pictures from, or pictures of one folder to select."),
        QStringLiteral("[FOLDER | FILE...]"));
    parser.process(application);
    QStringList paths;
    for (const QString& argument : parser.positionalArguments()) {
        // File managers may hand over addresses rather than paths.
        const QUrl url(argument);
        paths.append(url.isLocalFile() ? url.toLocalFile() : argument);
    }

    kalvimo::frmMain window;
    window.OpenPaths(paths);
    window.show();
    return QApplication::exec();
}
