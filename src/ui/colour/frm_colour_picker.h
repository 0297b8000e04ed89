#pragma once

#include "system_colours.h"

#include <array>
#include <functional>

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QScrollBar;

namespace kalvimo {

class ColourShape;
class ColourSpot;
class OrvelSimpleButton;

// The background colour chooser: 220 spots of hue across and brightness down at a chosen
// saturation, red, green and blue bars with boxes to type into, and a preview. Controls carry
// their member names as object names ("hscrSpots", "lblSpot(12)", "txtRed"), by which the
// tests find them.
// OK calls the owner back and hides the dialog; Cancel, Escape and the close box only hide it.
// Whatever way it is hidden, the saturation stays for the next showing.
class frmColourPicker : public QDialog {
    Q_OBJECT

public:
    static constexpr int kSpotCount = 220;
    static constexpr int kSpotRows = 10;
    static constexpr int kSpotColumns = kSpotCount / kSpotRows;

    // acceptColourChange runs on OK, before the dialog hides, and reads SelectedColour.
    explicit frmColourPicker(std::function<void()> acceptColourChange, QWidget* parent = nullptr);
    ~frmColourPicker() override;

    // The colour of the preview.
    Colour SelectedColour = 0;

    // Shows a colour on the bars, the boxes and the preview; a system colour value shows its
    // colour of the moment.
    void SetColour(Colour lngColour);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Form_Load();
    void Place(QWidget* control, int left, int top, int width, int height) const;
    int Pixels(int twips) const;
    void ApplyLabelColours();

    void ColourSpots();
    void UpdatePreview();
    // Sets the three bars and rewrites the boxes to match, even where a bar did not move.
    void ShowComponents(Colour colour);
    void MakeCurrentSpot(int index);

    void hscrSpots_Change();
    // Index 0, 1, 2: hscrRed, hscrGreen, hscrBlue and txtRed, txtGreen, txtBlue.
    void hscrColour_Change(int index);
    void txtColour_Change(int index);
    void txtColour_LostFocus(int index);
    void lblSpot_Click(int index);
    void lblSpot_Step(int index, int columns, int rows);
    void cmdOK_Click();

    std::function<void()> acceptColourChange_;
    int twipsPerPixel = 15;
    int spotSaturation = 100;
    bool colourBusy = false;
    // The spot that Tab reaches; the others are skipped so the grid is one stop.
    int currentSpot_ = 0;

    QScrollBar* hscrSpots = nullptr;
    QLabel* lblSat = nullptr;
    std::array<ColourSpot*, kSpotCount> lblSpot{};
    QFrame* fraOptions = nullptr;
    // "Red", "Green", "Blue" and "Saturation:".
    std::array<QLabel*, 4> captions_{};
    std::array<QLineEdit*, 3> txtColour{};
    std::array<QScrollBar*, 3> hscrColour{};
    ColourShape* shpPreview = nullptr;
    OrvelSimpleButton* cmdOK = nullptr;
    OrvelSimpleButton* cmdCancel = nullptr;
};

} // namespace kalvimo
