// Runs one batch through the window, as a click on "Process" does, and prints its wall time in
// seconds; the settings file is the one kalvimo-batch takes, the folders those it is given.
//
//   window_bench SETTINGS SOURCE DESTINATION

#include "frm_main.h"
#include "message_boxes.h"

#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// The run's closing message is answered at once, as a user waiting for it would.
class Answers : public kalvimo::MessageBoxes {
public:
    kalvimo::MessageAnswer Show(QWidget* /*owner*/, const QString& text, kalvimo::BoxIcon /*icon*/,
                                kalvimo::MessageButtons /*buttons*/) override {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return kalvimo::MessageAnswer::Ok;
    }
    QString ChooseFolder(QWidget* /*owner*/, const QString& /*start*/) override { return {}; }
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: window_bench SETTINGS SOURCE DESTINATION\n");
        return 2;
    }
    // The window keeps its settings beside the program when given a folder of its own. It
    // takes every picture the filter lists, as kalvimo-batch does.
    QTemporaryDir folder;
    QFile given(QString::fromLocal8Bit(argv[1]));
    QFile settings(QDir(folder.path()).filePath(QStringLiteral("Settings.ini")));
    if (!folder.isValid() || !given.open(QIODevice::ReadOnly) ||
        !settings.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    settings.write("[Paths]\nLast source=" + QByteArray(argv[2]) + "\nLast destination=" +
                   QByteArray(argv[3]) + "\n" + given.readAll() + "\n[Options]\nSelected=0\n");
    settings.close();

    kalvimo::frmMain window(std::make_unique<Answers>(), folder.path());
    window.show();
    QApplication::processEvents();
    const auto start = std::chrono::steady_clock::now();
    QMetaObject::invokeMethod(&window, "cmdProcess_Click");
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.3f\n", took.count());
    return 0;
}
