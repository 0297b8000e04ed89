#include "frm_main.h"

#include "file_list.h"
#include "folder_list.h"
#include "folder_pages.h"
#include "frm_crop.h"
#include "intro_page.h"
#include "log_page.h"
#include "options_page.h"
#include "orvel_simple_button.h"
#include "orvel_tab.h"
#include "presets.h"
#include "preview_area.h"
#include "text_helpers.h"

#include <algorithm>
#include <filesystem>

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QShortcut>
#include <QThread>
#include <QUrl>

namespace kalvimo {

namespace {

// Positions in twips, so that the window scales with the screen's twips per pixel.
constexpr int kTabLeft = 120;
constexpr int kTabTop = 120;
constexpr int kTabWidth = 9615;
constexpr int kTabHeight = 3855;

// System colours by their index above 0x80000000.
constexpr Colour kWindowFrame = 0x80000006;
constexpr Colour kInactiveBorder = 0x8000000B;
constexpr Colour kDarkShadow = 0x80000015;
constexpr Colour kButtonText = 0x80000012;

// Where the settings, the presets and the guide are, for an application folder; an empty one is
// the executable's.
FileLocations LocateFor(const QString& applicationFolder) {
    const std::string appPath = AddBackslash(
        (applicationFolder.isEmpty() ? QCoreApplication::applicationDirPath() : applicationFolder)
            .toStdString());
    return LocateFiles(ProcessLocationInputs(appPath));
}

// The local files and folders among dropped addresses; others are not ours to open.
std::vector<std::string> DroppedPaths(const QMimeData* data) {
    std::vector<std::string> paths;
    if (data == nullptr) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            std::string path = LocalPathOf(url);
            std::error_code error;
            if (std::filesystem::exists(path, error)) {
                paths.push_back(std::move(path));
            }
        }
    }
    return paths;
}

} // namespace

std::string LocalPathOf(const QUrl& url) {
    // Decoded from its bytes: the text of the path would lose a name that is not UTF-8.
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

frmMain::frmMain(std::unique_ptr<MessageBoxes> messageBoxes, const QString& applicationFolder,
                 QWidget* parent)
    : QWidget(parent),
      messageBoxes_(messageBoxes ? std::move(messageBoxes) : std::make_unique<QtMessageBoxes>()),
      colourPicker_(std::make_unique<DialogColourPicker>(*this)) {
    setWindowTitle(QStringLiteral("Kalvimo"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    twipsPerPixel = kalvimo::TwipsPerPixel(*this);
    locations_ = LocateFor(applicationFolder);
    crop_ = new frmCrop(*this, this);
    model_ = new OptionsModel(this);

    BuildTabs();
    intro_ = new IntroPage(twipsPerPixel, QString::fromStdString(locations_.guidePath), this);
    folders_ = new FolderPages(*model_, *messageBoxes_, twipsPerPixel, *this);
    options_ = new OptionsPage(*model_, twipsPerPixel, this);
    log_ = new LogPage(twipsPerPixel, this);
    fraTab = {intro_, folders_->SourcePage(), folders_->DestinationPage(), options_, log_};
    preview_ = new PreviewArea(twipsPerPixel, *this);

    for (Page* page : fraTab) {
        connect(page, &Page::Notify, this, &frmMain::ShowMessageBox);
    }
    connect(intro_, &IntroPage::GuideOpened, this, [this] { oTab->SelectTabManually(1); });
    connect(folders_, &FolderPages::PictureClicked, this, &frmMain::PreviewPicture);
    connect(folders_, &FolderPages::SourcePictureOpened, this, &frmMain::PreviewResult);
    connect(options_, &OptionsPage::CustomCropChosen, this, &frmMain::ReadyCustomCrop);
    connect(options_->cmdCustomCrop, &OrvelSimpleButton::Click, this,
            &frmMain::cmdCustomCrop_Click);
    connect(options_->cmdChangeBack, &OrvelSimpleButton::Click, this,
            &frmMain::cmdChangeBack_Click);
    connect(options_->cmdDefault, &OrvelSimpleButton::Click, this, &frmMain::cmdDefault_Click);
    connect(options_->cmdReload, &OrvelSimpleButton::Click, this, &frmMain::cmdReload_Click);
    connect(options_->cmdProcess, &OrvelSimpleButton::Click, this, &frmMain::cmdProcess_Click);
    // The crop dialog shows its picture turned as the options turn it.
    connect(model_, &OptionsModel::Changed, this, &frmMain::ShowCropPicture);

    BuildShortcuts();
    Form_Load();
    RecordStretch();
    setAcceptDrops(true);
}

frmMain::~frmMain() = default;

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
    PlaceInTwips(oTab, twipsPerPixel, kTabLeft, kTabTop, kTabWidth, kTabHeight);
    oTab->SetSelected(0);
    connect(oTab, &OrvelTab::TabClicked, this, &frmMain::oTab_TabClicked);
}

void frmMain::BuildShortcuts() {
    const auto add = [this](const QKeySequence& keys, auto action) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    add(QKeySequence::HelpContents, [this] { intro_->lblLink_Click(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_Tab), [this] { StepPage(1); });
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), [this] { StepPage(-1); });
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), [this] { StepPage(-1); });
    add(QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });
}

void frmMain::StepPage(int step) {
    const int count = oTab->TabCount();
    oTab->SelectTabManually((oTab->Selected() + step + count) % count);
}

void frmMain::Form_Load() {
    gDip = std::make_unique<cGdiPlus>();
    batch_ = std::make_unique<BatchRun>(*this, *gDip);
    // Pictures are drawn on other threads, the next ones while one is written, so the window
    // answers while a large picture is read, even on one processor.
    batch_->SetJobs(std::max(2, QThread::idealThreadCount()));
    options_->FillPresets(QString::fromStdString(PresetsFile(locations_)));
    // Until the settings file is read, both pages start where its defaults would put them.
    folders_->SetFolderLists(QString::fromStdString(locations_.defaultSource), 0);
    folders_->Folders(1).SetFolderToMake(QString::fromStdString(locations_.defaultDestination));
    folders_->SetFolderLists(QString::fromStdString(locations_.defaultDestination), 1);
    LoadSettings();
    StartGdiPlus();

    const QSize design(oTab->width() + 3 * oTab->x(), oTab->y() + preview_->Bottom());
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
    tabDesign_ = oTab->geometry();
    for (Page* page : fraTab) {
        page->RecordStretch();
    }
    preview_->RecordStretch();
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (designSize_.isValid()) {
        // Extra width goes to the pages; extra height is shared by the pages and the preview.
        const int wider = std::max(0, width() - designSize_.width());
        const int taller = std::max(0, height() - designSize_.height()) / 2;
        oTab->setGeometry(tabDesign_.adjusted(0, 0, wider, taller));
        for (Page* page : fraTab) {
            page->Stretch(wider, taller);
        }
        preview_->Stretch(taller);
    }
    preview_->Fit();
}

void frmMain::OpenPaths(const std::vector<std::string>& paths) {
    if (folders_->Open(paths)) {
        oTab->SelectTabManually(1);
    }
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedPaths(event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void frmMain::dropEvent(QDropEvent* event) {
    const std::vector<std::string> paths = DroppedPaths(event->mimeData());
    if (paths.empty()) {
        return;
    }
    event->acceptProposedAction();
    OpenPaths(paths);
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
    for (int i = 0; i < 2; ++i) {
        folders_->Folders(i).HoldMoves(true);
    }
    call();
    --batchCalls_;
    if (batchCalls_ == 0) {
        for (int i = 0; i < 2; ++i) {
            folders_->Folders(i).HoldMoves(false);
        }
    }
    if (closePending_ && batchCalls_ == 0) {
        closePending_ = false;
        close();
    }
}

void frmMain::cmdProcess_Click() {
    if (batch_ && !batch_->running()) {
        // The lists show the folder above one that vanished; the run must not take it instead.
        for (const auto& [index, role] : {std::pair{0, "source"}, {1, "destination"}}) {
            const QString lost = folders_->Folders(index).LostFolder();
            if (!lost.isEmpty()) {
                ShowMessageBox(QString::fromStdString(FolderGoneMessage(role, lost.toStdString())),
                               BoxIcon::Exclamation);
                return;
            }
        }
    }
    CallBatch([this] { batch_->PressProcess(); });
}

JobOptions frmMain::Options() {
    JobOptions options = model_->Values();
    // The run takes the pictures that the file list shows.
    options.sourceFolder = folders_->Files(0).Path().toStdString();
    return options;
}

TargetSize frmMain::NewSize() {
    return {model_->Values().newWidth, model_->Values().newHeight};
}

float frmMain::CurrentImageScale() {
    return ImageScale(model_->Values().newWidth, model_->Values().newHeight);
}

void frmMain::AcceptColourChange() {
    options_->SetBackColour(colourPicker_->SelectedColour());
}

void frmMain::cmdChangeBack_Click() {
    colourPicker_->SetColour(model_->Values().backColour);
    colourPicker_->ShowModal([this] { AcceptColourChange(); });
}

int frmMain::SourceFileCount() {
    return folders_->Files(0).count();
}

std::string frmMain::SourceFileName(int index) {
    return folders_->Files(0).Name(index);
}

bool frmMain::SourceFileSelected(int index) {
    return folders_->Files(0).Selected(index);
}

void frmMain::AddLogLine(const std::string& line) {
    log_->AddLogLine(QString::fromStdString(line));
}

void frmMain::ReportOutcome(const std::string& /*fileName*/, PictureOutcome outcome,
                            const std::string& reason) {
    reported_ = outcome;
    // Why, on the picture's own line, as the command tells it.
    if (outcome == PictureOutcome::Error && !reason.empty()) {
        log_->AddToLastLine(QStringLiteral(" (") + QString::fromStdString(ShownName(reason)) +
                            QLatin1Char(')'));
    }
}

void frmMain::SetStatus(const std::string& caption) {
    options_->SetStatus(QString::fromStdString(caption));
}

void frmMain::SetProcessCaption(const std::string& caption) {
    // The idle caption keeps its access key.
    options_->SetProcessCaption(caption == "Process" ? QStringLiteral("&Process")
                                                     : QString::fromStdString(caption));
}

void frmMain::SetProgressVisible(bool visible) {
    options_->SetProgressVisible(visible);
}

void frmMain::SetProgress(int value) {
    options_->SetProgress(value);
}

void frmMain::RefreshDestinationList() {
    folders_->Files(1).Refresh();
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
