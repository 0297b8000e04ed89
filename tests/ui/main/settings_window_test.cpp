#include "anchor_grid.h"
#include "batch_settings.h"
#include "main_window_support.h"
#include "settings_keys.h"

#include <map>
#include <sstream>
#include <string>
#include <unistd.h>

#include <QProcess>

namespace kalvimo::testing {
namespace {

// Every option in one line, folders made comparable.
std::string Describe(const JobOptions& o, const CropBox& crop, const QString& startFolder) {
    const auto folder = [&](const std::string& path) {
        return QDir::cleanPath(path.empty() ? startFolder : QString::fromStdString(path))
            .toStdString();
    };
    std::ostringstream out;
    out << folder(o.sourceFolder) << '|' << folder(o.destinationFolder) << '|' << o.newWidth << 'x'
        << o.newHeight << '|' << static_cast<int>(o.fitting) << o.promptCustomCrop << '|'
        << o.anchor << '|' << o.backColour << '|' << o.autoRotate << o.renameWithDate << '['
        << o.prefix << ']' << o.suffixExisting << '[' << o.noDatePrefix << ']' << o.overwrite
        << o.autoRename << o.previewOnClick << o.selectedOnly << o.keepInformation << '|'
        << o.presetText << '|' << o.filterPattern << '|' << crop.left << ',' << crop.top << ','
        << crop.right << ',' << crop.bottom;
    return out.str();
}

class SettingsWindowTest : public WindowTest {
protected:
    QString SettingsFile() const { return QDir(appFolder.path()).filePath("Settings.ini"); }
    std::string WindowView() {
        return Describe(window->Options(), window->CropRectangle(), appFolder.path());
    }
    std::string CommandView() const {
        const BatchSettings s =
            LoadBatchSettings(SettingsFile().toStdString(),
                              LocateFiles({.programFolder = appFolder.path().toStdString() + "/"}));
        return Describe(s.options, s.crop, appFolder.path());
    }
    QByteArray SettingsText() const {
        QFile file(SettingsFile());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }
    QStringList WrittenKeys() const {
        QStringList keys;
        for (const QByteArray& line : SettingsText().split('\n')) {
            if (line.contains('=')) {
                keys.append(QString::fromUtf8(line.left(line.indexOf('='))));
            }
        }
        return keys;
    }
};

TEST_F(SettingsWindowTest, FirstStartTakesTheDefaultsAndACloseWritesAllKeysInOrder) {
    Start();
    // The values themselves are the command's defaults, which its own test holds.
    EXPECT_EQ(WindowView(), CommandView());
    EXPECT_EQ(Filter().currentIndex(), static_cast<int>(kFirstStartFilter));
    EXPECT_TRUE(window->CropDialog().chkRestrainDim->isChecked());
    EXPECT_FALSE(window->CropDialog().isVisible());
    EXPECT_FALSE(QFile::exists(SettingsFile()));

    window->close();
    QStringList expected;
    for (const SettingsKey& key : kSettingsKeys) {
        expected.append(
            QString::fromUtf8(key.name.data(), static_cast<qsizetype>(key.name.size())));
    }
    EXPECT_EQ(WrittenKeys(), expected);
}

// Both read the file with the same code; this holds the window's controls to what it read, the
// handlers that they run included.
TEST_F(SettingsWindowTest, WindowAndCommandAgreeOnEveryFile) {
    const QByteArray cases[] = {
        "[Options]\nPreset=pal : 768X576\n",
        "[Options]\nPreset=VGA : 640x480\nNew width=5000\nNew height=0\n",
        "[Options]\nStretch=1\nAutoCrop=1\n",
        "[Options]\nStretch=0\nLetterBox=0\nAutoCrop=0\nCustomCrop=0\n",
        "[Options]\nPrefix=  Holiday_  \nNo Date Prefix= \nRename=1\nSuffix=1\n",
        "[Paths]\nLast source=" + pictures.path().toUtf8() + "\nLast destination=/" +
            QByteArray(300, 'a') + "\n",
        "[Options]\nCustomCrop=1\n[Custom Cropping]\nLeft=1500\nTop=750\nRight=300\n"
        "Bottom=99999999999\nRestrain=1\nKeep proportion=1\n",
        "[Options]\nCustomCrop=1\nFilter=*.png\n",
        "[Options]\nPreset=hd 720 : 1280X720\nNew width=5000\nStretch=1\nAutoCrop=1\n"
        "Prefix=  Hol_  \nAnchor=10\nRename=3\n",
        "",
    };
    for (const QByteArray& text : cases) {
        const std::string what = text.left(200).toStdString();
        WriteText(SettingsFile(), text);
        Start();
        EXPECT_EQ(WindowView(), CommandView()) << what;
        // The lists take the stored filter at start, so that a run takes the pictures the box
        // names.
        EXPECT_EQ(Files(0).Pattern(), Filter().currentText()) << what;
        // What it cannot take is passed over silently; the controls that hang on others follow.
        EXPECT_TRUE(script->shown.empty()) << what;
        const Fitting fitting = window->Options().fitting;
        EXPECT_EQ(Find<XButton>("butAnchor(0)").isHidden(),
                  fitting != Fitting::AutoCrop && fitting != Fitting::Fill)
            << what;
        EXPECT_EQ(Find<QLineEdit>("txtPrefix").isEnabled(), window->Options().renameWithDate)
            << what;
        window.reset();
    }
}

TEST_F(SettingsWindowTest, RoundTripThroughTheWindow) {
    const QByteArray text =
        "[Paths]\nLast source=" + QDir::cleanPath(appFolder.path()).toUtf8() +
        "\nLast destination=" + QDir::cleanPath(appFolder.path()).toUtf8() +
        "\n[Options]\nPreset=VGA : 640x480\nNew width=600\nNew height=400\n"
        "Filter=*.gif\nRename=1\nSuffix=1\nPrefix=Hol_\nNo Date Prefix=nd_\n"
        "Stretch=0\nLetterBox=0\nAutoCrop=0\nCustomCrop=0\nFill=1\nCustom crop prompt=1\n"
        "Preview=1\nSelected=0\nRotate=0\nOverwrite=1\nAuto rename=0\n"
        "Keep information=1\nAnchor=7\nBack colour=16744448\n[Custom Cropping]\n"
        "Left=15\nTop=30\nRight=-45\nBottom=60\nRestrain=0\nKeep proportion=1\n";
    WriteText(SettingsFile(), text);
    Start();
    window->close();
    EXPECT_EQ(SettingsText(), text);
}

TEST_F(SettingsWindowTest, DefaultAndReload) {
    Start();
    // A first start lists every picture; "Default" takes the first filter of the list.
    QTest::mouseClick(&Find<OrvelSimpleButton>("cmdDefault"), Qt::LeftButton);
    EXPECT_EQ(Filter().currentIndex(), 0);
    const std::string defaults = WindowView();
    WriteText(SettingsFile(),
              "[Options]\nLetterBox=1\nBack colour=255\nNew width=700\nKeep information=1\n");
    Start();
    XButton& grid = Find<XButton>("butAnchor(8)");
    QTest::mouseClick(&Find<OrvelSimpleButton>("cmdDefault"), Qt::LeftButton);
    EXPECT_EQ(WindowView(), defaults);
    EXPECT_EQ(grid.ArrowType(), XButton::Arrow::DownRight);
    QTest::mouseClick(&Find<OrvelSimpleButton>("cmdReload"), Qt::LeftButton);
    EXPECT_TRUE(Check("chkLetterbox").isChecked());
    EXPECT_EQ(NewWidth().ScrValue(), 700);
    EXPECT_EQ(window->Options().backColour, 255u);
    EXPECT_TRUE(window->Options().keepInformation);
    // The preset stays chosen; the anchor of a missing key is the top left.
    EXPECT_EQ(Presets().currentIndex(), 0);
    EXPECT_EQ(grid.ArrowType(), XButton::Arrow::None);
    EXPECT_EQ(Find<XButton>("butAnchor(1)").ArrowType(), XButton::Arrow::Right);
}

TEST(AnchorGridTest, ArrowsForEveryIndex) {
    // For each kept cell, the grid's arrows row by row: they point away from it.
    const std::u32string grids[] = {
        U"·→·|↓↘·|···", U"←·→|↙↓↘|···", U"·←·|·↙↓|···", U"↑↗·|·→·|↓↘·", U"↖↑↗|←·→|↙↓↘",
        U"·↖↑|·←·|·↙↓", U"···|↑↗·|·→·", U"···|↖↑↗|←·→", U"···|·↖↑|·←·",
    };
    using enum XButton::Arrow;
    const std::map<char32_t, XButton::Arrow> arrows = {
        {U'·', None},   {U'←', Left},    {U'→', Right},    {U'↑', Up},       {U'↓', Down},
        {U'↖', UpLeft}, {U'↗', UpRight}, {U'↙', DownLeft}, {U'↘', DownRight}};
    for (int index = 0; index < 9; ++index) {
        std::array<XButton::Arrow, 9> expected{};
        std::size_t button = 0;
        for (const char32_t arrow : grids[index]) {
            if (arrow != U'|') {
                expected[button++] = arrows.at(arrow);
            }
        }
        EXPECT_EQ(AnchorArrows(index), expected) << index;
    }
}

// Installed (a bin/ beside share/kalvimo, here one the user can write, as in ~/.local) or in a
// read-only folder without a Settings.ini of its own, both programs keep the settings in the
// user's configuration folder, and "Default" is the desktop's Pictures folder and a "Kalvimo"
// folder inside it, which the window does not make and the first run does. Where the files go
// in every case is the file locations' own test; every other test here keeps them beside the
// program.
TEST(SettingsPlaceTest, WindowAndCommandUseTheSameSettingsFileAndDefaultFolders) {
    // The window reads the environment; later tests of this process get theirs back.
    struct Restore {
        QByteArray home = qgetenv("HOME");
        ~Restore() {
            qputenv("HOME", home);
            qunsetenv("XDG_CONFIG_HOME");
            qunsetenv("XDG_PICTURES_DIR");
        }
    } restore;
    // The read-only copy last: for root it is skipped.
    for (const bool installed : {true, false}) {
        SCOPED_TRACE(installed ? "installed" : "read-only");
        QTemporaryDir program;
        QTemporaryDir home;
        const QString config = QDir(home.path()).filePath("conf");
        const QString pictures = QDir(home.path()).filePath("Bilder");
        ASSERT_TRUE(QDir().mkpath(pictures));
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", config.toUtf8());
        qputenv("XDG_PICTURES_DIR", pictures.toUtf8());
        QString programFolder = program.path();
        if (installed) {
            ASSERT_TRUE(QDir(programFolder).mkpath("share/kalvimo"));
            ASSERT_TRUE(QDir(programFolder).mkpath("bin"));
            programFolder = QDir(programFolder).filePath("bin");
        }
        const QString command = QDir(programFolder).filePath("kalvimo-batch");
        ASSERT_TRUE(QFile::copy(QStringLiteral(KALVIMO_BATCH_COMMAND), command));
        if (!installed) {
            QFile::setPermissions(programFolder, QFile::ReadOwner | QFile::ExeOwner);
            if (::access(programFolder.toLocal8Bit().constData(), W_OK) == 0) {
                QFile::setPermissions(programFolder,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                GTEST_SKIP() << "permissions do not bind for this user";
            }
        }
        QProcess help;
        help.start(command, {QStringLiteral("--help")});
        ASSERT_TRUE(help.waitForFinished());
        const QString text = QString::fromUtf8(help.readAllStandardOutput());
        const qsizetype start = text.indexOf(QStringLiteral("(default: ")) + 10;
        const QString used = text.mid(start, text.indexOf(QLatin1Char(')'), start) - start);
        EXPECT_EQ(used, QDir(config).filePath("kalvimo/Settings.ini"));

        const QString made = QDir(pictures).filePath("Kalvimo");
        auto window =
            std::make_unique<frmMain>(std::make_unique<ScriptedMessageBoxes>(), programFolder);
        EXPECT_EQ(window->findChild<FolderList*>("uDir(0)")->Path(), pictures);
        EXPECT_EQ(window->findChild<FolderList*>("uDir(1)")->Path(), made);
        window->close();
        EXPECT_TRUE(QFileInfo::exists(used));
        EXPECT_FALSE(QFileInfo::exists(made));
        // Without settings the command takes the same folders, and its run makes the one; so
        // does the window's run.
        QFile::remove(used);
        WritePicture(QDir(pictures).filePath("a.jpg"), 8, 8);
        QProcess run;
        run.start(command, {});
        ASSERT_TRUE(run.waitForFinished());
        EXPECT_EQ(QString::fromUtf8(run.readAllStandardOutput()),
                  "Saved file: " + QDir(made).filePath("a.jpg") + "\n");
        ASSERT_TRUE(QDir(made).removeRecursively());
        window = std::make_unique<frmMain>(std::make_unique<ScriptedMessageBoxes>(), programFolder);
        window->findChild<FileList*>("uFile(0)")->selectAll();
        ASSERT_TRUE(QMetaObject::invokeMethod(window.get(), "cmdProcess_Click"));
        EXPECT_TRUE(QFileInfo::exists(QDir(made).filePath("a.jpg")));
        EXPECT_EQ(Entries(*window->findChild<FileList*>("uFile(1)")), QStringList({"a.jpg"}));
        window->close();
        QFile::setPermissions(programFolder,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

} // namespace
} // namespace kalvimo::testing
