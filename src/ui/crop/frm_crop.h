#pragma once

#include "crop_model.h"
#include "job_options.h"
#include "presets.h"

#include <array>
#include <cstdint>

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;

namespace kalvimo {

class OrvelSimpleButton;

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

    SelectionRect Selection() const { return selectionRect; }
    SelectionRect StoredSelection() const { return storedRect; }
    int TwipsPerPixel() const { return twipsPerPixel; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void PlaceHandles();
    void SynchroniseEdges();
    void WriteCoords();
    void cmdAccept_Click();
    void cmdCancel_Click();
    void chkRestrainDim_Click();
    void chkKeepProps_Click();

    CropHost& host_;
    SelectionRect selectionRect;
    SelectionRect storedRect;
    BandRect bandRect;
    int bandState = 0;
    bool syncBusy = false;
    bool validateBusy = false;
    int twipsPerPixel = 15;

    QGroupBox* fraPanel = nullptr;
    OrvelSimpleButton* cmdAccept = nullptr;
    OrvelSimpleButton* cmdCancel = nullptr;
};

} // namespace kalvimo
