#include "frm_main.h"

#include "compact_scroller.h"
#include "file_list.h"
#include "folder_list.h"
#include "frm_crop.h"
#include "orvel_progress.h"
#include "orvel_simple_button.h"
#include "orvel_tab.h"
#include "picture_preview.h"
#include "site.h"
#include "text_helpers.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QThread>

namespace kalvimo {

namespace {

// Positions in twips, so that the window scales with the screen's twips per pixel.
constexpr int kTabLeft = 120;
constexpr int kTabTop = 120;
constexpr int kTabWidth = 9615;
constexpr int kTabHeight = 3855;
constexpr int kFrameLeft = 240;
constexpr int kFrameTop = 600;
constexpr int kFrameWidth = 9375;
constexpr int kFrameHeight = 3255;

// System colours by their index above 0x80000000.
constexpr Colour kWindowFrame = 0x80000006;
constexpr Colour kInactiveBorder = 0x8000000B;
constexpr Colour kDarkShadow = 0x80000015;
constexpr Colour kButtonText = 0x80000012;

} // namespace

frmMain::frmMain(std::unique_ptr<MessageBoxes> messageBoxes, const QString& applicationFolder,
                 QWidget* parent)
    : QWidget(parent),
      messageBoxes_(messageBoxes ? std::move(messageBoxes) : std::make_unique<QtMessageBoxes>()),
      colourPicker_(std::make_unique<DialogColourPicker>(*this)) {
    setWindowTitle(QStringLiteral("Kalvimo - ") + kMakerSiteName);
    setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    twipsPerPixel = kalvimo::TwipsPerPixel(*this);
    crop_ = new frmCrop(*this, this);
    checkFields_.emplace_back(&StoredSettings::restrainDimensions, crop_->chkRestrainDim);
    checkFields_.emplace_back(&StoredSettings::keepProportions, crop_->chkKeepProps);

    BuildTabs();
    BuildIntroPage(fraTab[0]);
    BuildSourcePage(fraTab[1]);
    BuildDestinationPage(fraTab[2]);
    BuildOptionsPage(fraTab[3]);
    BuildLogPage(fraTab[4]);
    BuildPreview();
    BuildFolderMenu();
    BuildShortcuts();
    Form_Load(applicationFolder);
    RecordStretch();
    statusText_ = lblInfo->text();
    setAcceptDrops(true);
}

frmMain::~frmMain() = default;

int frmMain::Pixels(int twips) const {
    return TwipsToPixels(twips, twipsPerPixel);
}

void frmMain::Place(QWidget* control, int left, int top, int width, int height) const {
    control->setGeometry(Pixels(left), Pixels(top), Pixels(width), Pixels(height));
}

void frmMain::BuildTabs() {
    oTab = new OrvelTab(this);
    oTab->setObjectName(QStringLiteral("oTab"));
    oTab->SetTabStrip(QStringLiteral("Intro,Source,Destination,Options,Log"));
    oTab->SetDrawFrame(true);
    oTab->SetBridge(true);
    oTab->SetFrameColour(kButtonFace);
    oTab->SetTabColourSelected(kButtonFace);
    oTab->SetBorder(kWindowFrame);
    oTab->SetBorderSelected(kDarkShadow);
    oTab->SetTabColour(kInactiveBorder);
    // Captions in the theme's button text, so they read on its button faces, light or dark.
    oTab->SetTextColour(kButtonText);
    oTab->SetTextColourSelected(kButtonText);
    oTab->SetBackColour(kButtonFace);
    Place(oTab, kTabLeft, kTabTop, kTabWidth, kTabHeight);
    oTab->SetSelected(0);
    connect(oTab, &OrvelTab::TabClicked, this, &frmMain::oTab_TabClicked);

    for (std::size_t i = 0; i < fraTab.size(); ++i) {
        fraTab[i] = new QFrame(this);
        fraTab[i]->setObjectName(QStringLiteral("fraTab(%1)").arg(i));
    }
    Place(fraTab[0], kFrameLeft, kFrameTop, kFrameWidth, kFrameHeight);
}

void frmMain::BuildShortcuts() {
    const auto add = [this](const QKeySequence& keys, auto action) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    add(QKeySequence::HelpContents, [this] {
        // The guide opens over the page in hand; only the Intro link leads on to Source.
        const int page = oTab->Selected();
        lblStart_Click();
        oTab->SelectTabManually(page);
    });
    add(QKeySequence(Qt::CTRL | Qt::Key_Tab), [this] { StepPage(1); });
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), [this] { StepPage(-1); });
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), [this] { StepPage(-1); });
    add(QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });
}

void frmMain::StepPage(int step) {
    const int count = oTab->TabCount();
    oTab->SelectTabManually((oTab->Selected() + step + count) % count);
}

void frmMain::BuildLogPage(QFrame* page) {
    txtLog = new QPlainTextEdit(page);
    txtLog->setObjectName(QStringLiteral("txtLog"));
    txtLog->setReadOnly(true);
    txtLog->setAccessibleName(QStringLiteral("Log"));
}

void frmMain::Form_Load(const QString& applicationFolder) {
    gDip = std::make_unique<cGdiPlus>();
    batch_ = std::make_unique<BatchRun>(*this, *gDip);
    // Pictures are drawn on other threads, the next ones while one is written, so the window
    // answers while a large picture is read, even on one processor.
    batch_->SetJobs(std::max(2, QThread::idealThreadCount()));
    AppPath = QString::fromStdString(AddBackslash(
        (applicationFolder.isEmpty() ? QCoreApplication::applicationDirPath() : applicationFolder)
            .toStdString()));
    LocationInputs inputs = ProcessLocationInputs(AppPath.toStdString());
    inputs.picturesFolder =
        QStandardPaths::writableLocation(QStandardPaths::PicturesLocation).toStdString();
    locations_ = LocateFiles(inputs);
    SettingsPath = QString::fromStdString(locations_.settingsPath);
    PresetsPath = QString::fromStdString(PresetsFile(locations_));
    FillLists();
    // Until the settings file is read, both pages start where its defaults would put them, or
    // beside it while the default destination is still to be made.
    const QString source = QString::fromStdString(locations_.defaultSource);
    SetFolderLists(source, 0);
    SetFolderLists(source, 1);
    SetFolderLists(QString::fromStdString(locations_.defaultDestination), 1);
    LoadSettings();
    StartGdiPlus();

    for (std::size_t i = 0; i < fraTab.size(); ++i) {
        // The strip's frame colour, the button face, as a role so that it follows the theme.
        fraTab[i]->setBackgroundRole(QPalette::Button);
        fraTab[i]->setAutoFillBackground(true);
        if (i > 0) {
            fraTab[i]->setGeometry(fraTab[0]->geometry());
            fraTab[i]->hide();
        }
    }
    FolderList* destinationFolders = uDir[1];
    destinationFolders->resize(destinationFolders->width(),
                               fraTab[0]->height() - destinationFolders->y());
    FileList* destinationFiles = uFile[1];
    destinationFiles->resize(fraTab[0]->width() - destinationFiles->x(),
                             fraTab[0]->height() - destinationFiles->y());
    txtLog->setGeometry(0, 0, fraTab[0]->width(), fraTab[0]->height());

    const QSize design(oTab->width() + 3 * oTab->x(),
                       oTab->y() + imgPreview->y() + imgPreview->height());
    resize(design);
    // The pages keep their size, so a smaller window would only cut them off.
    setMinimumSize(design);
}

void frmMain::StartGdiPlus() {
    if (!StartImageLibrary()) {
        ShowMessageBox(QStringLiteral("GDI+ Initialisation Failed."), BoxIcon::Exclamation);
    }
}

void frmMain::oTab_TabClicked() {
    for (QFrame* frame : fraTab) {
        frame->hide();
    }
    const int selected = oTab->Selected();
    if (selected >= 0 && selected < static_cast<int>(fraTab.size())) {
        fraTab[static_cast<std::size_t>(selected)]->show();
    }
}

void frmMain::ShowMessageBox(const QString& text, BoxIcon icon) {
    if (!sessionEnding_) {
        messageBoxes_->Show(this, text, icon, MessageButtons::Ok);
    }
}

void frmMain::EndSession() {
    sessionEnding_ = true;
    // A modal box runs its own loop: it must end before the window's close can finish.
    QWidget* last = nullptr;
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal == last) {
            break;
        }
        last = modal;
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
    }
    close();
}

void frmMain::RecordStretch() {
    designSize_ = size();
    const auto add = [this](QWidget* control, bool wider, bool taller, bool lower) {
        stretch_.push_back({control, control->geometry(), wider, taller, lower});
    };
    add(oTab, true, true, false);
    for (QFrame* frame : fraTab) {
        add(frame, true, true, false);
    }
    for (std::size_t i = 0; i < 2; ++i) {
        add(uDir[i], false, true, false);
        add(uFile[i], true, true, false);
    }
    add(cboFilter, true, false, false);
    add(lblInfo, true, false, false);
    add(txtLog, true, true, false);
    add(imgPreview, false, false, true);
    add(lblPreview, false, false, true);
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!stretch_.empty()) {
        // Extra width goes to the pages; extra height is shared by the pages and the preview.
        const int wider = std::max(0, width() - designSize_.width());
        const int taller = std::max(0, height() - designSize_.height()) / 2;
        for (const Stretch& entry : stretch_) {
            QRect place = entry.design;
            if (entry.control == imgPreview || entry.control == lblPreview) {
                place.setSize(entry.control->size());
                place.moveLeft(entry.control->x());
            }
            place.setWidth(place.width() + (entry.wider ? wider : 0));
            place.setHeight(place.height() + (entry.taller ? taller : 0));
            place.translate(0, entry.lower ? taller : 0);
            entry.control->setGeometry(place);
        }
        ElideStatus();
    }
    FitPreview();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (!batch_) {
        event->accept();
        return;
    }
    // The run and the one-file preview work inside handlers of this window: end them first,
    // after the picture in hand, and close when they have returned.
    if (batchCalls_ > 0) {
        if (batch_->running() && !batch_->stopRequested()) {
            batch_->PressProcess();
        }
        closePending_ = true;
        event->ignore();
        return;
    }
    batch_.reset();
    gDip.reset();
    SaveSettings();
    StopImageLibrary();
    crop_->hide();
    event->accept();
}

void frmMain::CallBatch(const std::function<void()>& call) {
    if (!batch_) {
        return;
    }
    ++batchCalls_;
    // The run reads its folders from the lists as it goes: a folder removed meanwhile must
    // fail the pictures left, not send them to the folder above it.
    for (FolderList* folders : uDir) {
        folders->HoldMoves(true);
    }
    call();
    --batchCalls_;
    if (batchCalls_ == 0) {
        for (FolderList* folders : uDir) {
            folders->HoldMoves(false);
        }
    }
    if (closePending_ && batchCalls_ == 0) {
        closePending_ = false;
        close();
    }
}

JobOptions frmMain::Options() {
    JobOptions options = Settings();
    // The run takes the pictures that the file list shows.
    options.sourceFolder = uFile[0]->Path().toStdString();
    return options;
}

int frmMain::SourceFileCount() {
    return uFile[0]->count();
}

std::string frmMain::SourceFileName(int index) {
    return uFile[0]->Name(index);
}

bool frmMain::SourceFileSelected(int index) {
    return uFile[0]->Selected(index);
}

void frmMain::AddLogLine(const std::string& line) {
    const QString text = QString::fromStdString(line);
    QTextCursor cursor(txtLog->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(txtLog->document()->isEmpty() ? text : QLatin1Char('\n') + text);
    txtLog->verticalScrollBar()->setValue(txtLog->verticalScrollBar()->maximum());
}

void frmMain::ReportOutcome(const std::string& /*fileName*/, PictureOutcome outcome,
                            const std::string& reason) {
    reported_ = outcome;
    // Why, on the picture's own line, as the command tells it.
    if (outcome == PictureOutcome::Error && !reason.empty()) {
        QTextCursor cursor(txtLog->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QStringLiteral(" (") + QString::fromStdString(ShownName(reason)) +
                          QLatin1Char(')'));
    }
}

void frmMain::SetStatus(const std::string& caption) {
    statusText_ = QString::fromStdString(caption);
    ElideStatus();
}

void frmMain::ElideStatus() {
    // A long name keeps its start and its end, where the file name and its extension are.
    const QString shown = lblInfo->fontMetrics().elidedText(statusText_, Qt::ElideMiddle,
                                                            lblInfo->contentsRect().width());
    lblInfo->setText(shown);
    lblInfo->setToolTip(shown == statusText_ ? QString() : statusText_);
}

void frmMain::SetProcessCaption(const std::string& caption) {
    // The idle caption keeps its access key.
    cmdProcess->SetCaption(caption == "Process" ? QStringLiteral("&Process")
                                                : QString::fromStdString(caption));
}

void frmMain::SetProgressVisible(bool visible) {
    op_Main->setVisible(visible);
}

void frmMain::SetProgress(int value) {
    op_Main->SetValue(value);
}

void frmMain::RefreshDestinationList() {
    uFile[1]->Refresh();
}

void frmMain::PumpMessages() {
    QCoreApplication::processEvents();
}

MessageAnswer frmMain::ShowMessage(const std::string& text, MessageIcon icon,
                                   MessageButtons buttons) {
    if (sessionEnding_) {
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    }
    const BoxIcon boxIcon =
        icon == MessageIcon::Exclamation ? BoxIcon::Exclamation : BoxIcon::Information;
    return messageBoxes_->Show(this, QString::fromStdString(text), boxIcon, buttons);
}

} // namespace kalvimo
