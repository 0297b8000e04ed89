#include "frm_main.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QUrl>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kalvimo"));
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
