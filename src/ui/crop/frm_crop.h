#pragma once

#include "crop_model.h"
#include "job_options.h"
#include "presets.h"

#include <array>
#include <cstdint>

#include <QDialog>
#include <QImage>

class QCheckBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QScrollArea;

namespace kalvimo {

class CropHandle;
class CropPicture;
class OrvelSimpleButton;
class XButton;

// What the crop dialog reads from the window that owns it, live, at the moment it needs it.
class CropHost {
public:
    virtual ~CropHost() = default;
    virtual TargetSize NewSize() = 0;
    virtual float CurrentImageScale() = 0;
    // The "Preview" button: the owner renders the current source file into picPreview.
    virtual void PreviewCustomCrop() = 0;
};

// The custom crop dialog. It holds the crop record for the whole program: the four edges in
// twips and the two constraint boxes. It is hidden, never destroyed, when the user closes it,
// so the record outlives each showing.
class frmCrop : public QDialog {
    Q_OBJECT

public:
    explicit frmCrop(CropHost& host, QWidget* parent = nullptr);
    ~frmCrop() override;

    // The crop, in twips from the source picture's top-left corner.
    std::int32_t BoxLeft = 0;
    std::int32_t BoxTop = 0;
    std::int32_t BoxRight = 0;
    std::int32_t BoxBottom = 0;
    bool blnCancelled = false;

    QCheckBox* chkRestrainDim = nullptr;
    QCheckBox* chkKeepProps = nullptr;
    std::array<QLineEdit*, 4> txtCoords{};
    OrvelSimpleButton* cmdPreview = nullptr;
    QLabel* picPreview = nullptr;

    CropBox Edges() const { return {BoxLeft, BoxTop, BoxRight, BoxBottom}; }
    void SetEdges(const CropBox& edges);

    // Takes the snapshot that Cancel goes back to.
    void StoreCrop();
    // Shows the public edges as they are, without putting them in order.
    void LoadCrop();
    // Takes the rectangle from the four boxes.
    void ValidateTextCrop();
    // The restraint or proportion rule, applied to the rectangle being edited.
    void ApplySizeConstraint();

    // The picture the rectangle is drawn on, fitted to its area (never enlarged) until the
    // user zooms; the rectangle stays where it is. A name goes into the caption.
    void SetPicture(const QImage& picture, const QString& name = QString());
    // Screen pixels for one picture pixel.
    double Zoom() const;
    // The zoom the user chose, kept for the next pictures; FitPicture goes back to fitting.
    void SetZoom(double zoom);
    void FitPicture();
    // The preview of the cut, fitted inside picPreview with its proportions kept.
    void SetPreview(const QImage& preview);
    // Opened from the options page: the dialog stays open beside the window.
    void ShowModeless();
    // The per-picture prompt: returns once Accept, Cancel or the close box has hidden the
    // dialog; blnCancelled tells which.
    void ShowModal();

    SelectionRect Selection() const { return selectionRect; }
    SelectionRect StoredSelection() const { return storedRect; }
    int TwipsPerPixel() const { return twipsPerPixel; }
    // Where the picture's top-left corner is, in twips of the dialog.
    PicturePlace PicturePosition() const { return picturePlace; }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int Pixels(double twips) const;
    // The largest zoom, at most full size, at which the whole picture is seen.
    double FittingZoom() const;
    // Zooms about a point of the picture area, which stays under the pointer.
    void ZoomAbout(double zoom, const QPointF& at);
    void ShowZoom(double zoom);
    std::int32_t PointerTwips(double pixels) const;
    std::int32_t PictureWidthTwips() const;
    std::int32_t PictureHeightTwips() const;
    void PlacePicture();
    void MoveHandles();
    void ShowHandles(bool visible);
    // Enter takes a box's typed value, or, with none, accepts the dialog.
    bool CoordsBox_KeyPress(QLineEdit& box, const QKeyEvent& key);
    void RedrawFrame();
    void PlaceHandles();
    void SynchroniseEdges();
    void WriteCoords();
    void cmdAccept_Click();
    void cmdCancel_Click();
    void chkRestrainDim_Click();
    void chkRestrainDim_Ticked();
    // Never larger than the screen's room; the first time, centred on the owner.
    void PlaceOnScreen();
    void chkKeepProps_Click();
    void chkMoveCrop_Click();
    void Nudge_Click(Nudge direction);
    void xbutReset_Click();
    void picCrop_MouseDown(const QPointF& at);
    void picCrop_MouseMove(const QPointF& at);
    void picCrop_MouseUp(const QPointF& at);
    void picM_MouseDown(const QMouseEvent& event);
    void picM_MouseMove(int handle, const QPointF& at);

    CropHost& host_;
    SelectionRect selectionRect;
    SelectionRect storedRect;
    BandRect bandRect;
    int bandState = 0;
    bool syncBusy = false;
    bool validateBusy = false;
    int twipsPerPixel = 15;
    bool handleDragging = false;
    std::int32_t dragStartX = 0;
    std::int32_t dragStartY = 0;
    PicturePlace picturePlace;
    bool fitted_ = true;
    // The dialog fits inside the screen the first time it is shown there.
    bool placed_ = false;

    QGroupBox* fraPanel = nullptr;
    QCheckBox* chkMoveCrop = nullptr;
    XButton* xbutUp = nullptr;
    XButton* xbutLeft = nullptr;
    XButton* xbutRight = nullptr;
    XButton* xbutDown = nullptr;
    XButton* xbutReset = nullptr;
    OrvelSimpleButton* cmdAccept = nullptr;
    OrvelSimpleButton* cmdCancel = nullptr;
    OrvelSimpleButton* cmdZoom = nullptr;
    // picCrop lies on a canvas that scrolls inside this viewport, to the right of the panel.
    QScrollArea* viewport = nullptr;
    QWidget* canvas = nullptr;
    CropPicture* picCrop = nullptr;
    std::array<CropHandle*, kHandleCount> picM{};
};

} // namespace kalvimo
