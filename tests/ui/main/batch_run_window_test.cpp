#include "main_window_support.h"

#include <filesystem>

#include <QMessageBox>
#include <QTimer>

namespace kalvimo::testing {
namespace {

class WindowRunTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        const QDir folder(pictures.path());
        WritePicture(folder.filePath("a.jpg"), 300, 200);
        WritePicture(folder.filePath("b.bmp"), 200, 300);
        WriteText(folder.filePath("c.jpg"), "no picture in here");
        WritePicture(folder.filePath("d.jpg"), 100, 100);
        Start();
        GoTo(0, pictures.path());
        GoTo(1, destination.path());
        Presets().setCurrentIndex(Presets().findText("QVGA : 320x240"));
        QObject::connect(&Find<OrvelProgress>("op_Main"), &OrvelProgress::PropertyChanged,
                         [this] { progress.push_back(Find<OrvelProgress>("op_Main").Value()); });
        ClickTab(3);
    }
    // The log line of a file that is no picture, with the reason after the name.
    QString NotAPicture(const QString& name) const {
        return "Error processing file: " + name + " (\"" + QDir(pictures.path()).filePath(name) +
               "\" is not a picture file this program can read)";
    }
    std::vector<int> progress;
};

TEST_F(WindowRunTest, RunOverTheSelectedPicturesLogsEachOutcome) {
    // With nothing selected, a warning and nothing else.
    Files(0).clearSelection();
    Process();
    EXPECT_TRUE(AllLogLines().isEmpty());
    Files(0).selectAll();
    // Where an earlier run left the bar, so its reset shows.
    Find<OrvelProgress>("op_Main").SetValue(60);
    progress.clear();
    Process();
    EXPECT_EQ(LogLines(),
              QStringList({"Saved file: " + Output("a.jpg"), "Saved file: " + Output("b.bmp"),
                           NotAPicture("c.jpg"), "Saved file: " + Output("d.jpg")}));
    // After a line that names the run's time and folders, so runs one after another are told
    // apart.
    const QString folders = QString::fromStdString(window->Options().sourceFolder + " -> " +
                                                   window->Options().destinationFolder);
    EXPECT_TRUE(QRegularExpression("^Run of 20\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d: " +
                                   QRegularExpression::escape(folders) + "$")
                    .match(AllLogLines().value(0))
                    .hasMatch())
        << AllLogLines().value(0).toStdString();
    EXPECT_EQ(progress, (std::vector<int>{0, 25, 50, 75, 100}));
    ASSERT_EQ(script->Texts(), QStringList({"No images are selected in the Source folder.",
                                            "Picture resize process complete. 1 of 4 pictures "
                                            "could not be processed."}));
    EXPECT_EQ(script->shown[0].icon, BoxIcon::Exclamation);
    EXPECT_EQ(script->shown[1].icon, BoxIcon::Information);
    EXPECT_FALSE(Find<OrvelProgress>("op_Main").isVisible());
    // The destination list shows what was written.
    EXPECT_EQ(Entries(Files(1)), QStringList({"a.jpg", "b.bmp", "d.jpg"}));
}

TEST_F(WindowRunTest, ProcessButtonOrClosingStopsTheRunAfterThePictureInHand) {
    Files(0).selectAll();
    OrvelSimpleButton& button = Find<OrvelSimpleButton>("cmdProcess");
    QString captionDuringRun;
    // Pressed again while the run lets the window handle its events.
    QTimer::singleShot(0, [&] {
        captionDuringRun = button.Caption();
        QTest::mouseClick(&button, Qt::LeftButton);
    });
    Process();
    EXPECT_EQ(captionDuringRun, QStringLiteral("Stop"));
    EXPECT_EQ(LogLines(), QStringList({"Saved file: " + Output("a.jpg")}));
    EXPECT_EQ(script->Texts(), QStringList({"Picture resize process has been aborted."}));
    EXPECT_EQ(button.Caption(), QStringLiteral("&Process"));

    // Closing the window stops a run the same way, then closes. That a run after a stop goes
    // to its end is the run's own test.
    script->shown.clear();
    Find<QCheckBox>("chkOverwrite").setChecked(true);
    QTimer::singleShot(0, [this] { window->close(); });
    Process();
    EXPECT_EQ(LogLines().mid(1), QStringList({"Saved file: " + Output("a.jpg")}));
    EXPECT_EQ(script->Texts(), QStringList({"Picture resize process has been aborted."}));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowRunTest, ADestinationRemovedDuringARunFailsThePicturesLeftAndIsLeftAfterwards) {
    const QString inner = Output("frame");
    ASSERT_TRUE(QDir(destination.path()).mkdir("frame"));
    WritePicture(QDir(inner).filePath("a.jpg"), 8, 8);
    GoTo(1, inner);
    ClickTab(3);
    Find<QCheckBox>("chkOverwrite").setChecked(false);
    Find<QCheckBox>("chkAutoRename").setChecked(false);
    Files(0).selectAll();
    // The clash over a.jpg: the folder goes while the question is up, long enough to be seen.
    script->whileShown = [&inner](const QString& text) {
        if (text.endsWith("Overwrite?")) {
            QDir(inner).removeRecursively();
            QTest::qWait(500);
        }
    };
    Process();
    EXPECT_EQ(LogLines().value(1), "Could not save file: " + QDir(inner).filePath("b.bmp"));
    EXPECT_EQ(QDir(destination.path()).entryList(QDir::Files), QStringList());
    EXPECT_TRUE(QTest::qWaitFor([this] { return Folders(1).Path() == destination.path(); }, 5000));
}

TEST_F(WindowRunTest, ADestinationRemovedBeforeARunIsNamedAndNothingIsWrittenAboveIt) {
    const QString gone = Output("Gone");
    ASSERT_TRUE(QDir(destination.path()).mkdir("Gone"));
    GoTo(1, gone);
    ClickTab(3);
    Files(0).selectAll();
    ASSERT_TRUE(QDir(gone).removeRecursively());
    // The list shows the folder above, but that is not the one chosen.
    ASSERT_TRUE(QTest::qWaitFor([this] { return Folders(1).Path() == destination.path(); }, 5000));
    Process();
    EXPECT_EQ(script->Texts(),
              QStringList({"The destination folder " + gone + " is no longer there."}));
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(QDir(destination.path()).entryList(QDir::Files), QStringList());

    // Made again under the same name, it is another folder until it is chosen again.
    ASSERT_TRUE(QDir(destination.path()).mkdir("Gone"));
    script->shown.clear();
    Process();
    EXPECT_EQ(script->Texts().size(), 1);
    EXPECT_TRUE(LogLines().isEmpty());
    GoTo(1, destination.path());
    ClickTab(3);
    Process();
    EXPECT_EQ(LogLines().value(0), "Saved file: " + Output("a.jpg"));
}

TEST_F(WindowRunTest, TheSessionsEndAnswersAnOpenQuestionNoAndClosesWithTheSettingsKept) {
    // Real message boxes: the end of the session must end their own loops.
    window = std::make_unique<frmMain>(nullptr, appFolder.path());
    window->show();
    GoTo(0, pictures.path());
    GoTo(1, destination.path());
    WritePicture(Output("a.jpg"), 8, 8);
    QFile taken(Output("a.jpg"));
    ASSERT_TRUE(taken.open(QIODevice::ReadOnly));
    const QByteArray before = taken.readAll();
    ClickTab(3);
    Check("chkOverwrite").setChecked(false);
    Check("chkAutoRename").setChecked(false);
    Files(0).selectAll();
    QString asked;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            watch.stop();
            asked = box->text();
            window->EndSession();
        }
    });
    watch.start(20);
    Process();
    EXPECT_EQ(asked, Output("a.jpg") + " already exists! Overwrite?");
    EXPECT_EQ(LogLines(), QStringList({"Skipped file: a.jpg"}));
    ASSERT_TRUE(taken.seek(0));
    EXPECT_EQ(taken.readAll(), before);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowRunTest, ANameThatIsNotUtf8IsListedShownNamedOnTheCommandLineAndWritten) {
    const std::string name = "caf\xe9.jpg";
    const QString shown = QString::fromStdString(name);
    const std::string source = pictures.path().toStdString() + "/" + name;
    ASSERT_TRUE(cGdiPlus().PictureBoxToFile(Canvas(64, 48, 0x3366CC), source, 85));
    window->OpenPaths({source});
    FileList& files = Files(0);
    ASSERT_NE(files.Entry(name), nullptr);
    EXPECT_TRUE(files.Entry(name)->isSelected());
    EXPECT_EQ(files.selectedItems().size(), 1);

    Check("chkPreview").setChecked(true);
    ClickEntry(files, shown, true);
    EXPECT_TRUE(Find<PicturePreview>("imgPreview").isVisible());
    EXPECT_EQ(Find<QLabel>("lblInfo").text(), "Finished preview processing " + shown);
    ClickTab(3);
    Process();
    EXPECT_EQ(LogLines(), QStringList({"Saved file: " + Output(shown)}));
    EXPECT_TRUE(std::filesystem::exists(destination.path().toStdString() + "/" + name));
}

TEST_F(WindowRunTest, DoubleClickIsADryRunThatWritesNothingAndThatACloseWaitsFor) {
    ClickTab(1);
    FileList& files = Files(0);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    files.setFocus();
    bool disabledDuringRun = false;
    QTimer::singleShot(0, [&] { disabledDuringRun = !files.isEnabled(); });
    ClickEntry(files, "a.jpg", true);
    EXPECT_TRUE(disabledDuringRun);
    EXPECT_TRUE(files.isEnabled());
    // The keys go on moving through the list.
    EXPECT_EQ(QApplication::focusWidget(), &files);
    EXPECT_EQ(Find<QLabel>("lblInfo").text(), QStringLiteral("Finished preview processing a.jpg"));
    EXPECT_TRUE(LogLines().isEmpty());
    EXPECT_EQ(window->Batch().picDest().Width(), 320);
    // What the run would write shows where pictures are previewed.
    EXPECT_TRUE(Find<PicturePreview>("imgPreview").isVisible());
    EXPECT_TRUE(Find<QLabel>("lblPreview").text().startsWith(" Result: a.jpg 320x240 at "));

    // A file that is no picture: its one log line, and still nothing written.
    ClickEntry(files, "c.jpg", true);
    EXPECT_EQ(LogLines(), QStringList({NotAPicture("c.jpg")}));
    EXPECT_EQ(Find<QLabel>("lblInfo").text(), QStringLiteral("Error processing c.jpg"));
    EXPECT_TRUE(script->shown.empty());

    // Closing the window waits for a dry run to end.
    QTimer::singleShot(0, [this] { window->close(); });
    ClickEntry(files, "a.jpg", true);
    EXPECT_EQ(Find<QLabel>("lblInfo").text(), QStringLiteral("Finished preview processing a.jpg"));
    EXPECT_FALSE(window->isVisible());
}

} // namespace
} // namespace kalvimo::testing
