#include "file_locations.h"
#include "frm_main.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QIcon>
#include <QSocketNotifier>
#include <QUrl>

namespace {

// A termination signal is passed through this pipe to the event loop, as a handler may do
// little more than write.
int terminationPipe[2] = {-1, -1};

void OnTerminationSignal(int /*signal*/) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(terminationPipe[1], &byte, 1);
}

// The session's end, Ctrl+C and a closed terminal close the window the normal way, so the
// settings are written as on any close.
void CatchTerminationSignals() {
    if (::pipe2(terminationPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

// Answers --help and --version itself and exits, and refuses options it does not know, with the
// status 1.
void ReadCommandLine(const QCoreApplication& application) {
    QCommandLineParser parser;
    const kalvimo::FileLocations locations = kalvimo::LocateFiles(
        kalvimo::ProcessLocationInputs(QCoreApplication::applicationDirPath().toStdString() + "/"));
    parser.setApplicationDescription(
        QStringLiteral(
            "Resizes a batch of pictures to one size.\n\nSettings: %1\nUser guide (F1): %2")
            .arg(QString::fromStdString(locations.settingsPath),
                 QString::fromStdString(locations.guidePath)));
    parser.addHelpOption();
    // In kalvimo-batch's form, which Qt's own version option does not give.
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays version information."));
    parser.addOption(version);
    // Qt's own options are the window's application's to take later; they are read here only so
    // as not to be refused.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const bool valued : {true, false}) {
        const QStringList names =
            valued ? QStringList{"platform",        "platformpluginpath",
                                 "platformtheme",   "plugin",
                                 "qwindowgeometry", "qwindowicon",
                                 "qwindowtitle",    "display",
                                 "geometry",        "style",
                                 "stylesheet",      "session"}
                   : QStringList{"reverse", "widgetcount", "nograb", "dograb", "sync"};
        for (const QString& name : names) {
            QCommandLineOption option(name, QString(),
                                      valued ? QStringLiteral("value") : QString());
            option.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(option);
        }
    }
    parser.addPositionalArgument(
        QStringLiteral("paths"),
        QStringLiteral("A folder to take pictures from, or pictures of one folder to select."),
        QStringLiteral("[FOLDER | FILE...]"));
    parser.process(application);
    if (parser.isSet(version)) {
        std::puts("kalvimo " KALVIMO_VERSION);
        std::exit(0);
    }
}

// The folder or pictures to open, as the file system spells them: a name that is not UTF-8
// would not survive the parser's text. The application has taken its own options out already.
std::vector<std::string> PathArguments(int argc, char* argv[]) {
    std::vector<std::string> paths;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (optionsEnded || !argument.starts_with('-') || argument == "-") {
            // File managers may hand over addresses rather than paths.
            const QUrl url(
                QString::fromUtf8(argument.data(), static_cast<qsizetype>(argument.size())));
            paths.push_back(url.isLocalFile() ? kalvimo::LocalPathOf(url) : std::string(argument));
        }
    }
    return paths;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("Kalvimo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KALVIMO_VERSION));
    {
        // Help, the version and a mistyped option are answered in terminals that may have no
        // display, which the window's application cannot start without.
        const QCoreApplication console(argc, argv);
        ReadCommandLine(console);
    }
    CatchTerminationSignals();
    QApplication application(argc, argv);
    // Desktops that match windows to menu entries by name find the icon through this.
    QApplication::setDesktopFileName(QStringLiteral("kalvimo"));
    QIcon builtIcon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        builtIcon.addFile(QStringLiteral(":/icons/%1x%1/kalvimo.png").arg(size));
    }
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("kalvimo"), builtIcon));
    // Metric-compatible with the font the window was designed in.
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));

    const std::vector<std::string> paths = PathArguments(argc, argv);

    kalvimo::frmMain window;
    QSocketNotifier termination(terminationPipe[0], QSocketNotifier::Read);
    termination.setEnabled(terminationPipe[0] >= 0);
    QObject::connect(&termination, &QSocketNotifier::activated, &window, [&window] {
        char byte = 0;
        while (::read(terminationPipe[0], &byte, 1) > 0) {
        }
        window.EndSession();
    });
    window.OpenPaths(paths);
    window.show();
    return QApplication::exec();
}
