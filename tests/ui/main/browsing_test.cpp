#include "main_window_support.h"

#include <QAbstractItemView>

namespace kalvimo::testing {
namespace {

// A folder with pictures of several kinds, a text file and two subfolders.
class BrowsingTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        const QDir folder(pictures.path());
        ASSERT_TRUE(folder.mkpath("holiday/day one"));
        ASSERT_TRUE(folder.mkpath("Archive"));
        for (const char* name :
             {"a.jpg", "B.JPEG", "c.gif", "d.bmp", "e.png", "holiday/beach.jpg"}) {
            WritePicture(Path(name), 64, 48);
        }
        WriteText(Path("notes.txt"), "not a picture");
        Start();
    }
    void ChooseFilter(int index) const { Filter().setCurrentIndex(index); }
    void TypeFilter(const QString& pattern) const {
        QComboBox& filter = Filter();
        filter.lineEdit()->setFocus();
        filter.lineEdit()->selectAll();
        QTest::keyClicks(filter.lineEdit(), pattern);
        QTest::keyClick(filter.lineEdit(), Qt::Key_Return);
    }
};

TEST_F(BrowsingTest, FolderListShowsThePathAndTheSubfoldersAndMovesTheFiles) {
    GoTo(0, pictures.path());
    FolderList& folders = Folders(0);
    FileList& files = Files(0);
    EXPECT_EQ(folders.Path(), Path("."));
    EXPECT_EQ(files.Path(), Path("."));
    const QStringList parts = Path(".").split('/', Qt::SkipEmptyParts);
    // Subfolders follow the path's own folders, in name order regardless of case.
    EXPECT_EQ(Entries(folders), QStringList("/") + parts + QStringList({"Archive", "holiday"}));
    EXPECT_EQ(folders.currentItem()->text(), parts.last());
    // A first start lists every picture the program reads.
    EXPECT_EQ(Entries(files), QStringList({"a.jpg", "B.JPEG", "c.gif", "d.bmp", "e.png"}));

    // Opening a subfolder moves the file list with it; the other page stays.
    ClickTab(1);
    ClickEntry(folders, "holiday", true);
    EXPECT_EQ(folders.Path(), Path("holiday"));
    EXPECT_EQ(files.Path(), Path("holiday"));
    EXPECT_EQ(Entries(files), QStringList({"beach.jpg"}));
    EXPECT_EQ(Entries(folders).mid(parts.size() + 2), QStringList({"day one"}));
    EXPECT_NE(Files(1).Path(), Path("holiday"));

    // And back up through the path.
    folders.setCurrentRow(static_cast<int>(parts.size()));
    QTest::keyClick(&folders, Qt::Key_Return);
    EXPECT_EQ(files.Path(), Path("."));
}

TEST_F(BrowsingTest, FiltersApplyToBothFileListsAndABadPatternIsTakenBack) {
    GoTo(0, pictures.path());
    GoTo(1, pictures.path());
    ChooseFilter(2);
    EXPECT_EQ(Entries(Files(0)), QStringList({"c.gif"}));
    EXPECT_EQ(Entries(Files(1)), QStringList({"c.gif"}));

    // A mask of the user's own, in any letter case, applied on leaving the box.
    TypeFilter("*.PNG;*.txt");
    EXPECT_EQ(Filter().currentText(), QStringLiteral("*.PNG;*.txt"));
    EXPECT_EQ(Entries(Files(0)), QStringList({"e.png", "notes.txt"}));
    EXPECT_EQ(Entries(Files(1)), QStringList({"e.png", "notes.txt"}));

    // Choosing the listed entry that is already current applies it again.
    ChooseFilter(0);
    TypeFilter("*.gif");
    ClickTab(1);
    QComboBox& filter = Filter();
    filter.showPopup();
    QAbstractItemView* view = filter.view();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(0, 0)).center());
    EXPECT_EQ(filter.currentText(), QStringLiteral("*.jpg;*.jpeg;*.bmp;*.gif"));
    EXPECT_EQ(Entries(Files(0)), QStringList({"a.jpg", "B.JPEG", "c.gif", "d.bmp"}));

    // Patterns a list cannot take give the box and the lists their last pattern back.
    for (const QString& bad : {QStringLiteral(" ; "), QStringLiteral("holiday/*.jpg")}) {
        TypeFilter(bad);
        EXPECT_EQ(Filter().currentText(), QStringLiteral("*.jpg;*.jpeg;*.bmp;*.gif"));
        EXPECT_EQ(Files(0).Pattern(), QStringLiteral("*.jpg;*.jpeg;*.bmp;*.gif"));
        EXPECT_EQ(Files(1).Pattern(), QStringLiteral("*.jpg;*.jpeg;*.bmp;*.gif"));
        EXPECT_EQ(Files(0).count(), 4);
    }
}

TEST_F(BrowsingTest, FolderMenuCopiesUsesTheClipboardOpensAndChooses) {
    // The clipboard's text: a folder, text that names nothing or no text at all (the lists stay),
    // a file's path or a file manager's address (the folder it names). Copying a list's folder is
    // the menu keys' test.
    const std::pair<QString, QString> clips[] = {
        {Path("holiday"), Path("holiday")},
        {Path("no such folder"), Path("holiday")},
        {QString(), Path("holiday")},
        {Path("a.jpg"), Path(".")},
        {QUrl::fromLocalFile(Path("holiday")).toString() + "\n", Path("holiday")},
    };
    for (const auto& [text, folder] : clips) {
        GoTo(0, text);
        EXPECT_EQ(Folders(0).Path(), folder) << text.toStdString();
    }
    EXPECT_EQ(Entries(Files(0)), QStringList({"beach.jpg"}));

    OpenedUrls opened;
    UseMenu(0, "mnOpenFolder");
    EXPECT_EQ(opened.urls, QList<QUrl>({QUrl::fromLocalFile(Path("holiday"))}));
    // A left click opens no menu.
    Find<QMenu>("mnDir").close();
    QTest::mouseRelease(Folders(0).viewport(), Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(Find<QMenu>("mnDir").isVisible());

    // The folder dialog starts at the list's folder; Cancel leaves the lists, a chosen folder
    // moves them as a click would.
    GoTo(1, Path("."));
    const QString source = Folders(0).Path();
    for (const QString& chosen : {QString(), Path("holiday")}) {
        script->chosenFolder = chosen;
        UseMenu(1, "mnChooseFolder");
    }
    EXPECT_EQ(script->folderDialogStarts, QStringList({Path("."), Path(".")}));
    EXPECT_EQ(Folders(1).Path(), Path("holiday"));
    EXPECT_EQ(Entries(Files(1)), QStringList({"beach.jpg"}));
    EXPECT_EQ(Folders(0).Path(), source);
}

TEST_F(BrowsingTest, DoubleClickOnTheDestinationListReadsItAgain) {
    GoTo(1, pictures.path());
    const QStringList before = Entries(Files(1));
    WritePicture(Path("new.jpg"), 8, 8);
    EXPECT_EQ(Entries(Files(1)), before);
    ClickTab(2);
    ClickEntry(Files(1), "a.jpg", true);
    EXPECT_EQ(Entries(Files(1)),
              QStringList({"a.jpg", "B.JPEG", "c.gif", "d.bmp", "e.png", "new.jpg"}));
}

class PreviewTest : public BrowsingTest {
protected:
    void SetUp() override {
        BrowsingTest::SetUp();
        WritePicture(Path("big.jpg"), 4000, 3000);
        WritePicture(Path("small.bmp"), 120, 90);
        GoTo(0, pictures.path());
        GoTo(1, pictures.path());
        ChooseFilter(4);
    }
    void Click(int list, const QString& name) const {
        ClickTab(list + 1);
        ClickEntry(Files(list), name);
    }
    QString Caption() const { return Find<QLabel>("lblPreview").text(); }
    PicturePreview& Preview() const { return Find<PicturePreview>("imgPreview"); }
};

// One big picture serves every step: writing it is most of the time these steps take.
TEST_F(PreviewTest, ClickedPictureIsFittedIntoTheAreaAndFollowsTheWindow) {
    // With the preview off a click only selects.
    const QImage placeholder = Preview().Picture();
    Click(0, "big.jpg");
    EXPECT_TRUE(Files(0).Selected(Files(0).currentRow()));
    EXPECT_EQ(Caption(), QStringLiteral("Preview Image"));
    EXPECT_EQ(Preview().Picture(), placeholder);
    EXPECT_EQ(Preview().size(), QSize(195, 189));

    // A file that is no picture hides the preview, silently.
    Find<QCheckBox>("chkPreview").setChecked(true);
    Click(0, "small.bmp");
    EXPECT_TRUE(Preview().isVisible());
    Click(0, "notes.txt");
    EXPECT_FALSE(Preview().isVisible());
    EXPECT_TRUE(script->shown.empty());
    Click(0, "a.jpg");
    EXPECT_TRUE(Preview().isVisible());
    EXPECT_EQ(Caption(), QStringLiteral(" Source: a.jpg 64x48 at 100% "));

    // 800 x 400 pixels to the right of and below the preview's corner; the pages take half of
    // the height added.
    window->resize(808, 875);
    Click(0, "big.jpg");
    EXPECT_EQ(Caption(), QStringLiteral(" Source: big.jpg 4000x3000 at 13% "));
    EXPECT_EQ(Preview().size(), QSize(533, 400));
    const QLabel& caption = Find<QLabel>("lblPreview");
    EXPECT_LE(std::abs(caption.geometry().center().x() - Preview().geometry().center().x()), 1);
    // A larger window refits the same picture.
    window->resize(1208, 1275);
    EXPECT_EQ(Caption(), QStringLiteral(" Source: big.jpg 4000x3000 at 20% "));
    EXPECT_EQ(Preview().size(), QSize(800, 600));
    // A small one keeps its size; its caption, longer than it is wide, starts at its edge.
    Click(1, "small.bmp");
    EXPECT_EQ(Caption(), QStringLiteral(" Destination: small.bmp 120x90 at 100% "));
    EXPECT_EQ(Preview().size(), QSize(120, 90));
    EXPECT_EQ(caption.x(), Preview().x());

    // A grown window shows a shrunk picture whole again.
    window->resize(1208, 1075);
    WritePicture(Path("mid.jpg"), 700, 500);
    Files(0).Refresh();
    Click(0, "mid.jpg");
    EXPECT_EQ(Caption(), QStringLiteral(" Source: mid.jpg 700x500 at 100% "));
    window->resize(665, 469);
    EXPECT_EQ(Caption(), QStringLiteral(" Source: mid.jpg 700x500 at 39% "));
    window->resize(1208, 1075);
    EXPECT_EQ(Caption(), QStringLiteral(" Source: mid.jpg 700x500 at 100% "));
    EXPECT_EQ(Preview().size(), QSize(700, 500));
}

} // namespace
} // namespace kalvimo::testing
