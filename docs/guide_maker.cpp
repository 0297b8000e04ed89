// Makes the user guide at build time: takes pictures of the real window and its dialogs on the
// offscreen platform, then lays out the guide's Markdown with them into a PDF. Fails when the
// text and the pictures disagree, so the guide never leaves out a page or shows an old one.

#include "canvas.h"
#include "file_list.h"
#include "folder_list.h"
#include "folder_pages.h"
#include "frm_colour_picker.h"
#include "frm_crop.h"
#include "frm_main.h"
#include "gdiplus.h"
#include "geometry.h"
#include "job_options.h"
#include "message_boxes.h"
#include "orvel_simple_button.h"
#include "orvel_tab.h"
#include "settings_keys.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QThread>
#include <QTimeZone>

namespace kalvimo {
namespace {

// Answers every question as a person who wants the run to go on.
class QuietBoxes : public MessageBoxes {
public:
    MessageAnswer Show(QWidget* /*owner*/, const QString& /*text*/, BoxIcon /*icon*/,
                       MessageButtons buttons) override {
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    }
    QString ChooseFolder(QWidget* /*owner*/, const QString& /*start*/) override { return {}; }
};

[[noreturn]] void Fail(const QString& message) {
    std::fprintf(stderr, "kalvimo-guide-maker: %s\n", qPrintable(message));
    std::exit(1);
}

// A landscape of sky, sun and hills, so the pictures in the guide look like photographs.
Canvas Landscape(int width, int height, const QColor& sky, int sunX) {
    QImage image(width, height, QImage::Format_RGB888);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, height);
    gradient.setColorAt(0, sky.darker(130));
    gradient.setColorAt(1, sky.lighter(160));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 205, 70));
    const int sun = std::min(width, height) / 7;
    painter.drawEllipse(QPoint(width * sunX / 100, height / 4), sun, sun);
    const QColor hills[] = {QColor(90, 140, 80), QColor(60, 110, 60), QColor(40, 85, 45)};
    for (int i = 0; i < 3; ++i) {
        QPainterPath path;
        const double base = height * (0.55 + 0.12 * i);
        path.moveTo(0, height);
        for (int x = 0; x <= width; x += width / 40) {
            path.lineTo(x, base - height * 0.08 * std::sin(x * (2.0 + i) / width * 3.14159 + i));
        }
        path.lineTo(width, height);
        painter.setBrush(hills[i]);
        painter.drawPath(path);
    }
    painter.end();
    Canvas canvas(width, height);
    for (int y = 0; y < height; ++y) {
        std::memcpy(canvas.Row(y), image.constScanLine(y), canvas.Stride());
    }
    return canvas;
}

bool WriteLandscape(const QString& path, int width, int height, const QColor& sky, int sunX) {
    return cGdiPlus().PictureBoxToFile(Landscape(width, height, sky, sunX), path.toStdString(), 85);
}

// One wide picture in a square frame by each fitting, drawn by the engine as a run draws it, so
// that the pictures show what the program does rather than what the text says.
void TakeFittings(const QDir& out, std::set<QString>& made) {
    const Canvas picture = Landscape(960, 540, QColor(200, 110, 80), 80);
    constexpr int kTwips = 15;
    // A square round the sun.
    const CropBox crop{618 * kTwips, 0, 918 * kTwips, 300 * kTwips};
    const std::pair<const char*, Fitting> fittings[] = {
        {"fit-stretch.png", Fitting::Stretch},
        {"fit-letterbox.png", Fitting::Letterbox},
        {"fit-auto-crop.png", Fitting::AutoCrop},
        {"fit-custom-crop.png", Fitting::CustomCrop},
        {"fit-fill.png", Fitting::Fill}};
    for (const auto& [name, fitting] : fittings) {
        JobOptions options;
        options.newWidth = 200;
        options.newHeight = 200;
        options.fitting = fitting;
        options.autoRotate = false;
        Canvas frame;
        if (!RenderFrame(picture, frame, FrameOrderOf(options, crop, kTwips))) {
            Fail(QStringLiteral("cannot fit the example by ") + QLatin1String(name));
        }
        const QImage image(frame.Data(), frame.Width(), frame.Height(),
                           static_cast<qsizetype>(frame.Stride()), QImage::Format_RGB888);
        if (!image.save(out.filePath(QLatin1String(name)))) {
            Fail(QStringLiteral("cannot write ") + out.filePath(QLatin1String(name)));
        }
        made.insert(QLatin1String(name));
    }
}

// A holiday folder, a frame's card that holds one of its names already, and a program folder
// whose settings aim the window at them.
void MakeExample(const QDir& root, const QString& presets) {
    if (!root.mkpath(QStringLiteral("Pictures/Holiday 2024")) ||
        !root.mkpath(QStringLiteral("Pictures/Family")) || !root.mkpath(QStringLiteral("Frame")) ||
        !root.mkpath(QStringLiteral("program"))) {
        Fail(QStringLiteral("cannot make the example folders in ") + root.path());
    }
    const QDir holiday(root.filePath(QStringLiteral("Pictures/Holiday 2024")));
    struct Picture {
        const char* name;
        int width;
        int height;
        QColor sky;
        int sunX;
    };
    const Picture pictures[] = {{"harbour.jpg", 640, 480, QColor(70, 130, 200), 70},
                                {"lighthouse.jpg", 480, 640, QColor(90, 120, 190), 30},
                                {"meadow.jpg", 800, 600, QColor(110, 160, 220), 50},
                                {"sunset.jpg", 960, 540, QColor(200, 110, 80), 80}};
    for (const Picture& picture : pictures) {
        if (!WriteLandscape(holiday.filePath(QLatin1String(picture.name)), picture.width,
                            picture.height, picture.sky, picture.sunX)) {
            Fail(QStringLiteral("cannot write ") + QLatin1String(picture.name));
        }
    }
    QFile broken(holiday.filePath(QStringLiteral("broken.jpg")));
    if (!broken.open(QIODevice::WriteOnly) || broken.write("not a picture") < 0) {
        Fail(QStringLiteral("cannot write broken.jpg"));
    }
    broken.close();
    if (!WriteLandscape(root.filePath(QStringLiteral("Frame/meadow.jpg")), 800, 480,
                        QColor(110, 160, 220), 50)) {
        Fail(QStringLiteral("cannot write the frame's picture"));
    }
    if (!QFile::copy(presets, root.filePath(QStringLiteral("program/presets.txt")))) {
        Fail(QStringLiteral("cannot copy ") + presets);
    }
    QFile settings(root.filePath(QStringLiteral("program/Settings.ini")));
    if (!settings.open(QIODevice::WriteOnly)) {
        Fail(QStringLiteral("cannot write Settings.ini"));
    }
    // Every key, as a missing one reads as empty.
    settings.write(QStringLiteral("[Paths]\r\nLast source=%1\r\nLast destination=%2\r\n"
                                  "[Options]\r\nPreset=WVGA, 7-inch picture frame : 800x480\r\n"
                                  "New width=800\r\nNew height=480\r\n"
                                  "Filter=*.jpg;*.jpeg;*.bmp;*.gif\r\nRename=0\r\nSuffix=0\r\n"
                                  "Prefix=\r\nNo Date Prefix=x_\r\nStretch=0\r\nLetterBox=0\r\n"
                                  "AutoCrop=1\r\nCustomCrop=0\r\nCustom crop prompt=0\r\n"
                                  "Preview=1\r\nSelected=0\r\nRotate=1\r\nOverwrite=0\r\n"
                                  "Auto rename=1\r\nAnchor=4\r\nBack colour=0\r\n"
                                  "[Custom Cropping]\r\nLeft=0\r\nTop=0\r\nRight=12000\r\n"
                                  "Bottom=7200\r\nRestrain=0\r\nKeep proportion=1\r\n")
                       .arg(holiday.path(), root.filePath(QStringLiteral("Frame")))
                       .toUtf8());
}

// The example lives in a temporary folder whose name changes from build to build, and the log
// shows when its run was; the pictures show it as a user's home and a fixed time, so that two
// builds of one source make the same guide.
const QString kShownHome = QStringLiteral("/home/you");

void ShowAsHome(QWidget& widget, const QString& home) {
    const QStringList real = home.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QStringList shown = kShownHome.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (real.size() != shown.size()) {
        Fail(QStringLiteral("the example is not two folders deep: ") + home);
    }
    for (FolderList* list : widget.findChildren<FolderList*>()) {
        // Below the root, one entry for each folder of the path shown.
        for (qsizetype depth = 0; depth < real.size(); ++depth) {
            QListWidgetItem* item = list->item(static_cast<int>(depth) + 1);
            if (item != nullptr && item->text() == real[depth]) {
                item->setText(shown[depth]);
            }
        }
    }
    // The clock too, in the heading of a run.
    static const QRegularExpression time(QStringLiteral("^Run of [-0-9]+ [0-9:]+:"),
                                         QRegularExpression::MultilineOption);
    for (QPlainTextEdit* text : widget.findChildren<QPlainTextEdit*>()) {
        text->setPlainText(text->toPlainText()
                               .replace(home, kShownHome)
                               .replace(time, QStringLiteral("Run of 2024-08-17 18:30:")));
    }
}

void Save(QWidget& widget, const QDir& folder, const QString& name, std::set<QString>& made,
          const QString& home) {
    // The lists follow the disk a moment after it changes (a run's files): let them first, so
    // that none is drawn again after its folders are shown as a home.
    const QDeadlineTimer settled(400);
    while (!settled.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    ShowAsHome(widget, home);
    widget.repaint();
    QCoreApplication::processEvents();
    if (!widget.grab().toImage().save(folder.filePath(name))) {
        Fail(QStringLiteral("cannot write ") + folder.filePath(name));
    }
    made.insert(name);
}

void Invoke(QObject& object, const char* slot) {
    if (!QMetaObject::invokeMethod(&object, slot)) {
        Fail(QStringLiteral("no handler ") + QLatin1String(slot));
    }
}

void PreviewPicture(frmMain& window, const QString& name) {
    auto* files = window.findChild<FileList*>(QStringLiteral("uFile(0)"));
    const QList<QListWidgetItem*> found = files->findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) {
        Fail(QStringLiteral("the source list lacks ") + name);
    }
    files->setCurrentItem(found.front());
    auto* pages = window.findChild<FolderPages*>();
    if (pages == nullptr || !QMetaObject::invokeMethod(pages, "uFile_Click", Q_ARG(int, 0))) {
        Fail(QStringLiteral("no handler uFile_Click"));
    }
}

// One picture of each page of the window, named after its tab, one of each dialog and one of
// each fitting.
std::set<QString> TakePictures(const QDir& root, const QDir& out) {
    std::set<QString> made;
    frmMain window(std::make_unique<QuietBoxes>(), root.filePath(QStringLiteral("program")));
    window.show();
    QCoreApplication::processEvents();
    auto* tabs = window.findChild<OrvelTab*>(QStringLiteral("oTab"));
    const QStringList captions = tabs->TabStrip().split(QLatin1Char(','));
    const auto page = [&](int index) {
        tabs->SelectTabManually(index);
        Save(window, out, QStringLiteral("window-%1.png").arg(captions[index].toLower()), made,
             root.path());
    };

    for (int index = 0; index < captions.size(); ++index) {
        if (captions[index] == QStringLiteral("Source")) {
            PreviewPicture(window, QStringLiteral("harbour.jpg"));
        }
        if (captions[index] == QStringLiteral("Log")) {
            // The log and the destination as they stand after a run.
            Invoke(window, "cmdProcess_Click");
            PreviewPicture(window, QStringLiteral("lighthouse.jpg"));
            page(captions.indexOf(QStringLiteral("Destination")));
        }
        page(index);
    }

    window.findChild<QCheckBox*>(QStringLiteral("chkCustomCrop"))->setChecked(true);
    PreviewPicture(window, QStringLiteral("harbour.jpg"));
    frmCrop& crop = window.CropDialog();
    const int twips = crop.TwipsPerPixel();
    crop.SetEdges({80 * twips, 100 * twips, 480 * twips, 340 * twips});
    crop.LoadCrop();
    Invoke(window, "cmdCustomCrop_Click");
    crop.resize(crop.minimumSize().expandedTo(QSize(860, 520)));
    Invoke(*crop.cmdPreview, "Click");
    Save(crop, out, QStringLiteral("crop-dialog.png"), made, root.path());
    crop.hide();

    frmColourPicker picker([] {}, &window);
    picker.SetColour(0x503020);
    picker.show();
    Save(picker, out, QStringLiteral("colour-picker.png"), made, root.path());
    picker.hide();
    window.close();
    TakeFittings(out, made);
    return made;
}

// Fits each picture to the text's width and checks that the text shows every picture taken and
// only those.
void PlacePictures(QTextDocument& doc, const QDir& out, const std::set<QString>& made,
                   double textWidth) {
    std::set<QString> shown;
    // Every picture at the scale that fits the window to the text, so their texts are of one
    // size.
    const double windowScale =
        textWidth / QImage(out.filePath(QStringLiteral("window-intro.png"))).width();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat()) {
                continue;
            }
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const QString name = format.name();
            if (made.count(name) == 0) {
                Fail(QStringLiteral("the guide shows a picture the build does not take: ") + name);
            }
            shown.insert(name);
            QImage image(out.filePath(name));
            const QSizeF size = image.size();
            const double scale = std::min(windowScale, textWidth / size.width());
            doc.addResource(QTextDocument::ImageResource, QUrl(name), image);
            format.setWidth(size.width() * scale);
            format.setHeight(size.height() * scale);
            QTextCursor cursor(&doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
    for (const QString& name : made) {
        if (shown.count(name) == 0) {
            Fail(QStringLiteral("the guide does not show ") + name);
        }
    }
}

bool IsCode(const QTextBlock& block) {
    return block.isValid() && block.blockFormat().hasProperty(QTextFormat::BlockCodeFence);
}

// Thin single lines round table cells, as on paper, instead of the screen's raised double ones;
// code on a grey ground, a little smaller, with room after it.
void StyleForPaper(QTextDocument& doc) {
    for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (table == nullptr) {
            continue;
        }
        QTextTableFormat format = table->format();
        format.setBorderCollapse(true);
        format.setBorder(1);
        format.setBorderBrush(QColor(150, 150, 150));
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setCellPadding(3);
        format.setCellSpacing(0);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        table->setFormat(format);
    }
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (!IsCode(block)) {
            continue;
        }
        QTextBlockFormat format;
        format.setBackground(QColor(240, 240, 240));
        format.setBottomMargin(IsCode(block.next()) ? 0 : 8);
        QTextCursor cursor(block);
        cursor.mergeBlockFormat(format);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        QTextCharFormat smaller;
        smaller.setFontPointSize(9);
        cursor.mergeCharFormat(smaller);
    }
}

// The whole document laid out again from its start: after a change of a block's format the
// layout of the pages after it is not always brought up to date.
void Relayout(QTextDocument& doc) {
    const QSizeF page = doc.pageSize();
    doc.setPageSize(page + QSizeF(0, 1));
    doc.setPageSize(page);
    doc.pageCount();
}

// What reads badly when a page end cuts it starts the next page instead: a heading with the
// first line after it; a table or a piece of code with the sentence that leads to it. Mends the
// first such cut; true when there was one.
bool MendFirstCut(QTextDocument& doc) {
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    const double pageHeight = doc.pageSize().height();
    // A long table or piece of code had better be cut than leave half a page empty.
    const auto mend = [&](const QTextBlock& lead, double bottom, double longest) {
        const double top = layout->blockBoundingRect(lead).top();
        if (std::floor(top / pageHeight) == std::floor(bottom / pageHeight) ||
            bottom - top >= longest) {
            return false;
        }
        QTextBlockFormat format;
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        QTextCursor(lead).mergeBlockFormat(format);
        return true;
    };
    QTextBlock previous;
    for (auto it = doc.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (QTextFrame* frame = it.currentFrame()) {
            if (previous.isValid() &&
                mend(previous, layout->frameBoundingRect(frame).bottom(), pageHeight / 2)) {
                return true;
            }
            previous = QTextBlock();
            continue;
        }
        const QTextBlock block = it.currentBlock();
        if (previous.isValid() && previous.blockFormat().headingLevel() > 0) {
            const QTextLayout* lines = block.layout();
            const double firstLine = lines->lineCount() > 0 ? lines->lineAt(0).rect().bottom() : 0;
            if (mend(previous, layout->blockBoundingRect(block).top() + firstLine, pageHeight)) {
                return true;
            }
        }
        if (IsCode(block) && !IsCode(previous)) {
            QTextBlock last = block;
            while (IsCode(last.next())) {
                last = last.next();
            }
            if (mend(previous.isValid() ? previous : block,
                     layout->blockBoundingRect(last).bottom(), pageHeight / 2)) {
                return true;
            }
        }
        previous = block;
    }
    return false;
}

// The guide's key list, rows of "| `[Section]` | `Key`, `Key` (note) |", names every key the
// program writes, each in its section, and no other.
void CheckSettingsKeys(const QString& markdown) {
    static const QRegularExpression row(QStringLiteral("^\\| `\\[([^]]+)\\]` \\|(.*)\\|$"));
    static const QRegularExpression name(QStringLiteral("`([^`]+)`"));
    std::set<std::pair<QString, QString>> listed;
    for (const QString& line : markdown.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch section = row.match(line);
        for (auto it = name.globalMatch(section.captured(2)); section.hasMatch() && it.hasNext();) {
            listed.emplace(section.captured(1), it.next().captured(1));
        }
    }
    std::set<std::pair<QString, QString>> written;
    for (const SettingsKey& key : kSettingsKeys) {
        written.emplace(
            QString::fromUtf8(key.section.data(), static_cast<qsizetype>(key.section.size())),
            QString::fromUtf8(key.name.data(), static_cast<qsizetype>(key.name.size())));
    }
    for (const auto& [section, key] : written) {
        if (!listed.contains({section, key})) {
            Fail(QStringLiteral("the guide's key list lacks [%1] %2").arg(section, key));
        }
    }
    for (const auto& [section, key] : listed) {
        if (!written.contains({section, key})) {
            Fail(QStringLiteral(
                     "the guide's key list names [%1] %2, which the program does not write")
                     .arg(section, key));
        }
    }
}

// Qt dates the PDF by the clock. A build that names its date (SOURCE_DATE_EPOCH, as reproducible
// builds do) gets that one instead, written over Qt's in as many bytes, so the file's offsets hold.
void DateAsTheBuildSays(const QString& path) {
    bool given = false;
    const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&given);
    if (!given) {
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        Fail(QStringLiteral("cannot read ") + path);
    }
    QByteArray bytes = file.readAll();
    const QByteArray key = "/CreationDate (D:";
    const qsizetype at = bytes.indexOf(key);
    const QByteArray date = QDateTime::fromSecsSinceEpoch(epoch, QTimeZone::utc())
                                .toString(QStringLiteral("yyyyMMddhhmmss"))
                                .toLatin1();
    if (at < 0 || bytes.mid(at + key.size() + date.size(), 2) != "Z)") {
        Fail(QStringLiteral("no date in universal time in ") + path);
    }
    bytes.replace(at + key.size(), date.size(), date);
    if (!file.seek(0) || file.write(bytes) != bytes.size()) {
        Fail(QStringLiteral("cannot write ") + path);
    }
}

void WritePdf(const QString& markdown, const QDir& out, const std::set<QString>& made,
              const QString& path) {
    QFile source(markdown);
    if (!source.open(QIODevice::ReadOnly)) {
        Fail(QStringLiteral("cannot read ") + markdown);
    }
    QPdfWriter writer(path);
    writer.setTitle(QStringLiteral("Kalvimo User Guide"));
    writer.setCreator(QStringLiteral("Kalvimo"));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(300);

    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("Liberation Sans"), 10));
    const QString text = QString::fromUtf8(source.readAll());
    CheckSettingsKeys(text);
    doc.setMarkdown(text);
    doc.documentLayout()->setPaintDevice(&writer);
    // Lengths of the layout are in pixels of 96 per inch, scaled to the writer's.
    const double millimetre = 96 / 25.4;
    QTextFrameFormat frame = doc.rootFrame()->frameFormat();
    frame.setLeftMargin(22 * millimetre);
    frame.setRightMargin(22 * millimetre);
    frame.setTopMargin(20 * millimetre);
    frame.setBottomMargin(22 * millimetre);
    doc.rootFrame()->setFrameFormat(frame);
    const QSizeF page(writer.width(), writer.height());
    doc.setPageSize(page);
    // Laid out lazily, the document loses the blocks after the first changes to its formats;
    // a whole layout first keeps them.
    doc.pageCount();
    PlacePictures(doc, out, made, (210 - 44) * millimetre);
    StyleForPaper(doc);
    Relayout(doc);
    while (MendFirstCut(doc)) {
        Relayout(doc);
    }

    QPainter painter(&writer);
    if (!painter.isActive()) {
        Fail(QStringLiteral("cannot write ") + path);
    }
    const double pageNumberTop = page.height() - 14 * writer.resolution() / 25.4;
    for (int index = 0; index < doc.pageCount(); ++index) {
        if (index > 0) {
            writer.newPage();
        }
        painter.save();
        painter.translate(0, -index * page.height());
        doc.drawContents(&painter, QRectF(0, index * page.height(), page.width(), page.height()));
        painter.restore();
        painter.setFont(doc.defaultFont());
        painter.drawText(QRectF(0, pageNumberTop, page.width(), page.height() - pageNumberTop),
                         Qt::AlignHCenter | Qt::AlignTop, QString::number(index + 1));
    }
    if (!painter.end()) {
        Fail(QStringLiteral("cannot write ") + path);
    }
    DateAsTheBuildSays(path);
}

} // namespace
} // namespace kalvimo

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // With --dark, only the pictures, in a dark theme, for a person to check that every face
    // follows it.
    const bool dark = argc == 4 && std::strcmp(argv[1], "--dark") == 0;
    if (argc != 5 && !dark) {
        std::fprintf(stderr, "usage: kalvimo-guide-maker GUIDE.md PRESETS PICTURES-FOLDER PDF\n"
                             "       kalvimo-guide-maker --dark PRESETS PICTURES-FOLDER\n");
        return 2;
    }
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    // A blinking text cursor would be caught shown or hidden as the machine's load has it.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
    if (dark) {
        // Qt derives the other roles, text included, from the button and window colours; its
        // ground for text is black and its highlight and links a blue too deep for a dark page.
        QPalette palette(QColor(0x45, 0x45, 0x45), QColor(0x35, 0x35, 0x35));
        palette.setColor(QPalette::Base, QColor(0x25, 0x25, 0x25));
        palette.setColor(QPalette::Highlight, QColor(0x2A, 0x82, 0xDA));
        palette.setColor(QPalette::Link, QColor(0x8C, 0xC4, 0xFF));
        QApplication::setPalette(palette);
    }
    // The pictures' folder and the presets stand in the same places either way.
    const QString markdown = dark ? QString() : QString::fromLocal8Bit(argv[1]);
    const QString presets = QString::fromLocal8Bit(argv[2]);
    const QDir out(QString::fromLocal8Bit(argv[3]));
    const QString pdf = dark ? QString() : QString::fromLocal8Bit(argv[4]);
    if (!out.mkpath(QStringLiteral("."))) {
        kalvimo::Fail(QStringLiteral("cannot make ") + out.path());
    }
    // In /tmp whatever $TMPDIR says: the pictures show it as a home two folders deep.
    QTemporaryDir example(QStringLiteral("/tmp/kalvimo-guide-XXXXXX"));
    if (!example.isValid()) {
        kalvimo::Fail(QStringLiteral("cannot make a temporary folder"));
    }
    // The drive list offers the user's Home and Pictures: the example's.
    qputenv("HOME", QFile::encodeName(example.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(example.filePath(QStringLiteral(".config"))));
    qunsetenv("XDG_PICTURES_DIR");
    const QDir root(example.path());
    kalvimo::MakeExample(root, presets);
    const std::set<QString> made = kalvimo::TakePictures(root, out);
    if (!dark) {
        kalvimo::WritePdf(markdown, out, made, pdf);
    }
    return 0;
}
