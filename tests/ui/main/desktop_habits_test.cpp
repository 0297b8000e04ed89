#include "main_window_support.h"

#include <csignal>
#include <tuple>

#include <QDeadlineTimer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

namespace kalvimo::testing {
namespace {

QStringList SelectedNames(const FileList& files) {
    QStringList names;
    for (int i = 0; i < files.count(); ++i) {
        if (files.Selected(i)) {
            names.append(QString::fromStdString(files.Name(i)));
        }
    }
    return names;
}

// A folder with two JPEGs, a PNG the first filter hides, and a subfolder with its own picture.
class DesktopTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(QDir(pictures.path()).mkpath("sub"));
        for (const char* name : {"a.jpg", "b.jpg", "c.png", "sub/d.jpg"}) {
            WritePicture(Path(name), 32, 24);
        }
        Start();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    int Shown() const { return Find<OrvelTab>("oTab").Selected(); }
    // Drags the addresses over the window and drops them; true when the window took the drag.
    bool Drop(const QList<QUrl>& urls) const {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at(window->width() / 2, window->height() - 20);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(window.get(), &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(window.get(), &drop);
        return true;
    }
};

TEST_F(DesktopTest, CommandLinePathsChooseTheSourceFolderAndSelectThePictures) {
    const QString app = QDir::cleanPath(appFolder.path());
    const QString missing = Path("gone.jpg");
    const QString startedIn = QDir::currentPath();
    QDir::setCurrent(pictures.path());
    // The paths given, and the source folder, the pictures selected and the filter they bring.
    // A folder given selects every picture listed, for Process to take.
    const std::vector<std::tuple<QStringList, QString, QStringList, QString>> cases = {
        {{Path(".")}, Path("."), {"a.jpg", "b.jpg"}, "*.jpg;*.jpeg;*.bmp;*.gif"},
        {{Path("sub") + "/"}, Path("sub"), {"d.jpg"}, "*.jpg;*.jpeg;*.bmp;*.gif"},
        {{Path("b.jpg"), Path("a.jpg")}, Path("."), {"a.jpg", "b.jpg"}, "*.jpg;*.jpeg;*.bmp;*.gif"},
        // Relative to where the program was started; other folders' files are passed over.
        {{"sub/d.jpg", "a.jpg"}, Path("sub"), {"d.jpg"}, "*.jpg;*.jpeg;*.bmp;*.gif"},
        {{missing, Path("a.jpg")}, Path("."), {"a.jpg"}, "*.jpg;*.jpeg;*.bmp;*.gif"},
        // A picture the filter hides: every file is shown so that it can be.
        {{Path("c.png"), Path("a.jpg")}, Path("."), {"a.jpg", "c.png"}, "*.*"},
        {{missing}, app, {}, "*.jpg;*.jpeg;*.bmp;*.gif"},
        {{}, app, {}, "*.jpg;*.jpeg;*.bmp;*.gif"},
    };
    for (const auto& [paths, folder, selected, filter] : cases) {
        Start();
        Filter().setCurrentIndex(0);
        Check("chkSelected").setChecked(false);
        std::vector<std::string> given;
        for (const QString& path : paths) {
            given.push_back(path.toStdString());
        }
        window->OpenPaths(given);
        const std::string what = paths.join(' ').toStdString();
        EXPECT_EQ(Folders(0).Path(), folder) << what;
        EXPECT_EQ(Files(0).Path(), folder) << what;
        EXPECT_EQ(SelectedNames(Files(0)), selected) << what;
        EXPECT_EQ(Files(0).Pattern(), filter) << what;
        EXPECT_EQ(Filter().currentText(), filter) << what;
        EXPECT_EQ(Check("chkSelected").isChecked(),
                  std::any_of(paths.cbegin(), paths.cend(),
                              [](const QString& path) { return QFileInfo(path).isFile(); }))
            << what;
        EXPECT_EQ(Shown(), folder != app ? 1 : 0) << what;
        // The destination stays where it was.
        EXPECT_EQ(Folders(1).Path(), app) << what;
    }
    // The filter shown for a hidden picture is not kept for the next start.
    Start();
    Filter().setCurrentIndex(0);
    window->OpenPaths({Path("c.png").toStdString()});
    window->close();
    Start();
    EXPECT_EQ(Filter().currentText(), QStringLiteral("*.jpg;*.jpeg;*.bmp;*.gif"));
    QDir::setCurrent(startedIn);
}

TEST_F(DesktopTest, DroppedLocalFoldersAndPicturesOpenOthersAreRefused) {
    EXPECT_FALSE(Drop({QUrl("https://www.example.com/a.jpg")}));
    EXPECT_FALSE(Drop({QUrl::fromLocalFile(Path("gone.jpg"))}));
    EXPECT_EQ(Shown(), 0);

    EXPECT_TRUE(Drop({QUrl::fromLocalFile(Path("sub"))}));
    EXPECT_EQ(Folders(0).Path(), Path("sub"));
    EXPECT_EQ(Shown(), 1);

    ClickTab(3);
    EXPECT_TRUE(Drop({QUrl("https://www.example.com/x.jpg"), QUrl::fromLocalFile(Path("b.jpg")),
                      QUrl::fromLocalFile(Path("a.jpg"))}));
    EXPECT_EQ(Folders(0).Path(), Path("."));
    EXPECT_EQ(SelectedNames(Files(0)), QStringList({"a.jpg", "b.jpg"}));
    EXPECT_EQ(Shown(), 1);
}

TEST_F(DesktopTest, KeysMoveBetweenPagesOpenTheGuideAndClose) {
    OpenedUrls opened;
    // A guide that is not there is said to be missing, and the page stays.
    const QString guide = QDir(appFolder.path()).filePath("user-guide.pdf");
    ClickTab(3);
    QTest::keyClick(window.get(), Qt::Key_F1);
    EXPECT_EQ(script->Texts(), QStringList({"The user guide could not be opened: " + guide}));
    EXPECT_TRUE(opened.urls.isEmpty());
    WriteText(guide, "%PDF");
    QWidget* strip = &Find<OrvelTab>("oTab");
    // From a page, with the focus in a control, a key goes to a page.
    const std::tuple<int, QWidget*, Qt::Key, Qt::KeyboardModifiers, int> cases[] = {
        {0, strip, Qt::Key_Tab, Qt::ControlModifier, 1},
        {4, &Find<QPlainTextEdit>("txtLog"), Qt::Key_Tab, Qt::ControlModifier, 0},
        {1, Filter().lineEdit(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 0},
        {0, strip, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 4},
        // The guide opens over the page in hand.
        {3, strip, Qt::Key_F1, {}, 3},
        {1, &Files(0), Qt::Key_F1, {}, 1},
    };
    for (const auto& [from, focus, key, modifiers, to] : cases) {
        ClickTab(from);
        focus->setFocus();
        ASSERT_TRUE(focus->hasFocus()) << from;
        QTest::keyClick(focus, key, modifiers);
        EXPECT_EQ(Shown(), to) << from << " " << key;
        for (int page = 0; page < 5; ++page) {
            EXPECT_EQ(Page(page).isVisible(), page == to) << from << " " << key << " " << page;
        }
    }
    EXPECT_EQ(opened.urls, QList<QUrl>(2, QUrl::fromLocalFile(guide)));
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(DesktopTest, MenuKeyAndShiftF10OpenTheFolderMenuOfTheFocusedList) {
    GoTo(1, Path("sub"));
    const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {{Qt::Key_Menu, {}},
                                                              {Qt::Key_F10, Qt::ShiftModifier}};
    for (const auto& [key, modifiers] : keys) {
        for (int index : {0, 1}) {
            ClickTab(index + 1);
            FolderList& folders = Folders(index);
            folders.setFocus();
            QMenu& menu = Find<QMenu>("mnDir");
            QTest::keyClick(&folders, key, modifiers);
            EXPECT_TRUE(menu.isVisible()) << key << " " << index;
            menu.close();
            Find<QAction>("mnCopyFolder").trigger();
            EXPECT_EQ(QGuiApplication::clipboard()->text(), folders.Path());
        }
    }
    QTest::keyClick(&Folders(0), Qt::Key_F10);
    EXPECT_FALSE(Find<QMenu>("mnDir").isVisible());
}

// The intro page's two links open the guide: one then leads on to the Source page, the other
// leaves the page as it is, as F1 does. The window's title is the program's name.
TEST_F(DesktopTest, IntroLinksOpenByKeyboardAndMouse) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Kalvimo"));
    OpenedUrls opened;
    WriteText(QDir(appFolder.path()).filePath("user-guide.pdf"), "%PDF");
    QLabel& start = Find<QLabel>("lblStart");
    QLabel& link = Find<QLabel>("lblLink");
    // Where the text goes: inside the frame and the margin.
    const auto textPlace = [](const QLabel& label) {
        const int margin = label.margin();
        return label.contentsRect().adjusted(margin, margin, -margin, -margin);
    };
    const QRect unfocused = textPlace(start);
    Find<OrvelTab>("oTab").setFocus();
    // Tab leads through the two links.
    for (int i = 0; i < 4 && !link.hasFocus(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    ASSERT_TRUE(link.hasFocus());
    EXPECT_EQ(link.frameShape(), QFrame::Box);
    QTest::keyClick(&link, Qt::Key_Space);

    start.setFocus();
    EXPECT_EQ(link.frameShape(), QFrame::NoFrame);
    // The focus box takes the margin's place: the text does not move.
    EXPECT_EQ(start.frameShape(), QFrame::Box);
    EXPECT_EQ(textPlace(start), unfocused);
    QTest::keyClick(&start, Qt::Key_Return);
    EXPECT_EQ(Shown(), 1);
    ClickTab(0);
    QTest::mouseClick(&start, Qt::LeftButton);
    EXPECT_EQ(Shown(), 1);
    ClickTab(0);
    QTest::mouseClick(&link, Qt::LeftButton);
    EXPECT_EQ(Shown(), 0);
    const QUrl guide = QUrl::fromLocalFile(QDir(appFolder.path()).filePath("user-guide.pdf"));
    EXPECT_EQ(opened.urls, QList<QUrl>({guide, guide, guide, guide}));
}

TEST_F(DesktopTest, StatusLineShortensLongNamesInTheMiddle) {
    QLabel& info = Find<QLabel>("lblInfo");
    const QString longName = QStringLiteral("Processing ") + QString(60, 'x') +
                             QStringLiteral(" holiday at the seaside 2024.jpg");
    window->SetStatus(longName.toStdString());
    const QString shown = info.text();
    EXPECT_TRUE(
        QRegularExpression("^Processing .*\\x{2026}.*seaside 2024\\.jpg$").match(shown).hasMatch())
        << shown.toStdString();
    EXPECT_LE(info.fontMetrics().horizontalAdvance(shown), info.contentsRect().width());
    EXPECT_EQ(info.toolTip(), longName);

    // A wider window has room for the whole line (half of what it grows: the rest goes beside
    // the centred page), and there is nothing more to tell.
    window->resize(window->width() + 1000, window->height());
    EXPECT_EQ(info.text(), longName);
    EXPECT_TRUE(info.toolTip().isEmpty());
}

TEST_F(DesktopTest, ListsPagesAndPreviewGrowWithTheWindowAndReturnToTheDesign) {
    const QSize design = window->size();
    std::vector<std::pair<QWidget*, QRect>> before;
    for (QWidget* control : std::initializer_list<QWidget*>{
             &Page(1), &Files(0), &Folders(0), &Files(1), &Folders(1), &Filter(),
             &Find<OrvelTab>("oTab"), &Find<PicturePreview>("imgPreview"),
             &Find<QPlainTextEdit>("txtLog"), &Find<OrvelSimpleButton>("cmdProcess"),
             &Check("chkStretch")}) {
        before.emplace_back(control, control->geometry());
    }
    window->resize(design + QSize(200, 100));
    QCoreApplication::processEvents();
    const QSize pageGrowth(200, 50);
    EXPECT_EQ(Page(1).size(), before[0].second.size() + pageGrowth);
    for (int i = 2; i < 5; ++i) {
        EXPECT_EQ(Page(i).geometry(), Page(1).geometry()) << i;
    }
    EXPECT_EQ(Files(0).size(), before[1].second.size() + pageGrowth);
    EXPECT_EQ(Folders(0).size(), before[2].second.size() + QSize(0, 50));
    EXPECT_EQ(Files(1).geometry().bottomRight(), QPoint(Page(2).width() - 1, Page(2).height() - 1));
    EXPECT_EQ(Folders(1).geometry().bottom(), Page(2).height() - 1);
    EXPECT_EQ(Filter().width(), before[5].second.width() + 200);
    EXPECT_EQ(Find<OrvelTab>("oTab").size(), before[6].second.size() + pageGrowth);
    EXPECT_EQ(Find<PicturePreview>("imgPreview").y(), before[7].second.y() + 50);
    EXPECT_EQ(Find<QPlainTextEdit>("txtLog").size(), Page(4).size());
    // The Options page's design moves to the middle as a whole.
    EXPECT_EQ(Find<OrvelSimpleButton>("cmdProcess").geometry(),
              before[9].second.translated(100, 0));
    EXPECT_EQ(Check("chkStretch").geometry(), before[10].second.translated(100, 0));

    window->resize(design);
    QCoreApplication::processEvents();
    for (const auto& [control, place] : before) {
        EXPECT_EQ(control->geometry(), place) << control->objectName().toStdString();
    }
}

TEST_F(DesktopTest, ListsFollowFilesAddedAndFoldersRemovedOnDisk) {
    GoTo(0, pictures.path());
    GoTo(1, Path("sub"));
    Files(0).item(0)->setSelected(true);
    WritePicture(Path("e.jpg"), 8, 8);
    ASSERT_TRUE(QDir(pictures.path()).mkdir("new"));
    EXPECT_TRUE(QTest::qWaitFor([this] { return Files(0).count() == 4; }, 5000));
    EXPECT_EQ(Entries(Files(0)), QStringList({"a.jpg", "b.jpg", "c.png", "e.jpg"}));
    EXPECT_EQ(SelectedNames(Files(0)), QStringList({"a.jpg"}));
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return !Folders(0).findItems("new", Qt::MatchExactly).isEmpty(); }, 5000));

    ASSERT_TRUE(QDir(Path("sub")).removeRecursively());
    EXPECT_TRUE(QTest::qWaitFor([this] { return Folders(1).Path() == Path("."); }, 5000));
    EXPECT_EQ(Files(1).Path(), Path("."));
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return Folders(0).findItems("sub", Qt::MatchExactly).isEmpty(); }, 5000));
}

TEST(PlacesTest, HomeAndPicturesComeFirstThenCardsByLabelThenTheOtherVolumes) {
    const auto places = [](const QString& pictures, const std::vector<MountedVolume>& volumes) {
        QStringList shown; // caption=folder
        for (const Place& place : ListPlaces("/home/ann", pictures, volumes)) {
            shown.append(place.caption + "=" + place.folder);
        }
        return shown;
    };
    EXPECT_EQ(
        places("/home/ann/Pictures", {{"/", ""},
                                      {"/media/ann/FRAME", "FRAME"},
                                      {"/data", "Data"},
                                      {"/run/media/ann/3F2A-11C0", ""}}),
        QStringList({"Home=/home/ann", "Pictures=/home/ann/Pictures", "FRAME=/media/ann/FRAME",
                     "3F2A-11C0=/run/media/ann/3F2A-11C0", "/=/", "/data  (Data)=/data"}));
    // No Pictures folder, or one that is the home itself.
    for (const char* pictures : {"", "/home/ann"}) {
        EXPECT_EQ(places(pictures, {{"/", ""}}), QStringList({"Home=/home/ann", "/=/"}));
    }
}

TEST_F(DesktopTest, DriveListOffersHomeAndPicturesAndShowsTheNearestPlace) {
    const QString home =
        QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::HomeLocation));
    DriveList& drive = Find<DriveList>("uDrive(0)");
    ASSERT_GE(drive.count(), 2);
    // Choosing Home, the first place, moves the folders there.
    drive.setCurrentIndex(drive.count() - 1);
    drive.setCurrentIndex(0);
    EXPECT_EQ(Folders(0).Path(), home);
    EXPECT_EQ(Files(0).Path(), home);
    // The volume that holds a folder.
    GoTo(0, pictures.path());
    EXPECT_FALSE(drive.Drive().isEmpty());
    EXPECT_TRUE(Path(".").startsWith(drive.Drive()));
}

} // namespace
} // namespace kalvimo::testing

// True once the process catches the signal, read from the masks the kernel shows.
bool CatchesSignal(qint64 pid, int signal) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return false;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1) & 1) != 0;
        }
    }
    return false;
}

// The session's end, Ctrl+C in a terminal, or a closed terminal close the window the normal
// way, so its options are written as on any close.
TEST(TerminationTest, SignalsCloseTheWindowAndKeepTheSettings) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        QTemporaryDir program;
        ASSERT_TRUE(program.isValid());
        const QString command = QDir(program.path()).filePath("kalvimo");
        ASSERT_TRUE(QFile::copy(QStringLiteral(KALVIMO_WINDOW_COMMAND), command));
        QProcess window;
        window.start(command, {});
        ASSERT_TRUE(window.waitForStarted());
        QDeadlineTimer deadline(20000);
        while (!CatchesSignal(window.processId(), signal) && !deadline.hasExpired()) {
            QThread::msleep(20);
        }
        ::kill(static_cast<pid_t>(window.processId()), signal);
        ASSERT_TRUE(window.waitForFinished(20000)) << signal;
        EXPECT_EQ(window.exitStatus(), QProcess::NormalExit) << signal;
        EXPECT_EQ(window.exitCode(), 0) << signal;
        EXPECT_TRUE(QFile::exists(QDir(program.path()).filePath("Settings.ini"))) << signal;
    }
}

// Help, the version and a mistyped option are answered in a terminal without a display, where
// the window cannot start; the version in the form kalvimo-batch gives it.
TEST(TerminationTest, CommandLineIsReadWithoutADisplay) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QString::fromLatin1(name));
    }
    const struct {
        const char* option;
        int status;
        QByteArray output;
    } answers[] = {{"--help", 0, "[FOLDER | FILE...]"},
                   {"--version", 0, "kalvimo " KALVIMO_VERSION "\n"},
                   {"--bogus", 1, "Unknown option 'bogus'."}};
    for (const auto& answer : answers) {
        QProcess command;
        command.setProcessEnvironment(environment);
        command.start(QStringLiteral(KALVIMO_WINDOW_COMMAND), {QString::fromLatin1(answer.option)});
        ASSERT_TRUE(command.waitForFinished(20000)) << answer.option;
        EXPECT_EQ(command.exitStatus(), QProcess::NormalExit) << answer.option;
        EXPECT_EQ(command.exitCode(), answer.status) << answer.option;
        const QByteArray said = command.readAllStandardOutput() + command.readAllStandardError();
        EXPECT_TRUE(answer.option == std::string("--version") ? said == answer.output
                                                              : said.contains(answer.output))
            << answer.option << ": " << said.toStdString();
    }
}
