#pragma once

#include "../qt_application.h"
#include "canvas.h"
#include "compact_scroller.h"
#include "drive_list.h"
#include "file_list.h"
#include "folder_list.h"
#include "frm_main.h"
#include "gdiplus.h"
#include "message_boxes.h"
#include "orvel_progress.h"
#include "orvel_simple_button.h"
#include "orvel_tab.h"
#include "picture_preview.h"
#include "xbutton.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '{' << texts.join(QStringLiteral("|")).toStdString() << '}';
}

namespace kalvimo::testing {

struct ShownMessage {
    QString text;
    BoxIcon icon = BoxIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

// Records every message box; a question is answered No.
class ScriptedMessageBoxes : public MessageBoxes {
public:
    std::vector<ShownMessage> shown;
    // Runs while the box would be on the screen.
    std::function<void(const QString&)> whileShown;
    // The folder dialog's answer ("" is Cancel), and the folders it was opened at.
    QString chosenFolder;
    QStringList folderDialogStarts;

    MessageAnswer Show(QWidget* /*owner*/, const QString& text, BoxIcon icon,
                       MessageButtons buttons) override {
        shown.push_back({text, icon, buttons});
        if (whileShown) {
            whileShown(text);
        }
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    }

    QString ChooseFolder(QWidget* /*owner*/, const QString& start) override {
        folderDialogStarts.append(start);
        return chosenFolder;
    }

    QStringList Texts() const {
        QStringList texts;
        for (const ShownMessage& message : shown) {
            texts.append(message.text);
        }
        return texts;
    }
};

// Catches what the window opens with the desktop's "open", so no program starts.
class OpenedUrls : public QObject {
    Q_OBJECT

public:
    OpenedUrls() {
        for (const char* scheme : {"file", "http", "https"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
        }
    }
    ~OpenedUrls() override {
        for (const char* scheme : {"file", "http", "https"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }

    QList<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls.append(url); }
};

// A picture file of the given size, written by the engine's encoder.
inline void WritePicture(const QString& path, int width, int height, Colour colour = 0x3366CC) {
    cGdiPlus encoder;
    ASSERT_TRUE(encoder.PictureBoxToFile(Canvas(width, height, colour), path.toStdString(), 85))
        << path.toStdString();
}

inline void WriteText(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The entries of a list or a drop-down list, in their order.
template <typename List> QStringList Entries(const List& list) {
    QStringList entries;
    for (int row = 0; row < list.count(); ++row) {
        entries.append(list.model()->index(row, 0).data().toString());
    }
    return entries;
}

// A window started over its own application folder, with scripted message boxes, a folder
// for the test's pictures and one for what a run writes.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(appFolder.isValid());
        ASSERT_TRUE(pictures.isValid());
        ASSERT_TRUE(destination.isValid());
    }

    void Start() {
        auto boxes = std::make_unique<ScriptedMessageBoxes>();
        script = boxes.get();
        window = std::make_unique<frmMain>(std::move(boxes), appFolder.path());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    template <typename Control> Control& Find(const QString& name) const {
        auto* control = window->findChild<Control*>(name);
        EXPECT_NE(control, nullptr) << name.toStdString();
        return *control;
    }
    QFrame& Page(int index) const { return Find<QFrame>(QStringLiteral("fraTab(%1)").arg(index)); }
    FolderList& Folders(int index) const {
        return Find<FolderList>(QStringLiteral("uDir(%1)").arg(index));
    }
    FileList& Files(int index) const {
        return Find<FileList>(QStringLiteral("uFile(%1)").arg(index));
    }
    CompactScroller& NewWidth() const { return Find<CompactScroller>("cs_NewWidth"); }
    CompactScroller& NewHeight() const { return Find<CompactScroller>("cs_NewHeight"); }
    QComboBox& Presets() const { return Find<QComboBox>("cboPresets"); }
    QComboBox& Filter() const { return Find<QComboBox>("cboFilter"); }
    QCheckBox& Check(const char* name) const { return Find<QCheckBox>(QString::fromLatin1(name)); }
    QString Path(const QString& name) const {
        return QDir::cleanPath(QDir(pictures.path()).filePath(name));
    }
    QString Output(const QString& name) const { return QDir(destination.path()).filePath(name); }
    QStringList AllLogLines() const {
        const QString text = Find<QPlainTextEdit>("txtLog").toPlainText();
        return text.isEmpty() ? QStringList() : text.split('\n');
    }
    // The pictures' lines, without the line that heads each run.
    QStringList LogLines() const {
        return AllLogLines().filter(QRegularExpression(QStringLiteral("^(?!Run of )")));
    }

    // A user's click on a check box, on the box itself.
    void Tick(const char* name) const {
        QCheckBox& box = Check(name);
        QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, box.height() / 2));
    }
    // A user's click on a list's entry; twice, a double-click: a click, then the second press.
    static void ClickEntry(QListWidget& list, const QString& entry, bool twice = false) {
        const QList<QListWidgetItem*> found = list.findItems(entry, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << entry.toStdString();
        const QPoint at = list.visualItemRect(found[0]).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
        if (twice) {
            QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
        }
    }
    void Process() const {
        QTest::mouseClick(&Find<OrvelSimpleButton>("cmdProcess"), Qt::LeftButton);
    }

    void ClickTab(int index) const {
        OrvelTab& tab = Find<OrvelTab>("oTab");
        QTest::mouseClick(&tab, Qt::LeftButton, {}, tab.TabRect(index).center());
    }

    // An item of the folder menu, opened with the right button on a folder list.
    void UseMenu(int index, const char* item) const {
        QTest::mouseRelease(Folders(index).viewport(), Qt::RightButton, {}, QPoint(10, 10));
        QMenu& menu = Find<QMenu>("mnDir");
        EXPECT_TRUE(menu.isVisible());
        menu.close();
        Find<QAction>(QString::fromLatin1(item)).trigger();
    }
    // Moves a page's lists to a folder the way a user can: through the clipboard.
    void GoTo(int index, const QString& folder) const {
        QGuiApplication::clipboard()->setText(folder);
        UseMenu(index, "mnUseClip");
    }

    QTemporaryDir appFolder;
    QTemporaryDir pictures;
    QTemporaryDir destination;
    ScriptedMessageBoxes* script = nullptr;
    std::unique_ptr<frmMain> window;
};

} // namespace kalvimo::testing
