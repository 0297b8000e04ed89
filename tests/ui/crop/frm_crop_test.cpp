#include "../qt_application.h"
#include "frm_crop.h"
#include "orvel_simple_button.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

namespace kalvimo {
namespace {

class FixedHost : public CropHost {
public:
    TargetSize NewSize() override { return size; }
    float CurrentImageScale() override { return ImageScale(size.width, size.height); }
    void PreviewCustomCrop() override { ++previews; }
    TargetSize size{800, 600};
    int previews = 0;
};

class CropDialogTest : public ::testing::Test {
protected:
    QStringList Texts() const {
        QStringList texts;
        for (const QLineEdit* box : dialog.txtCoords) {
            texts.append(box->text());
        }
        return texts;
    }
    void Type(std::size_t box, const QString& text) {
        dialog.txtCoords[box]->setText(text);
        emit dialog.txtCoords[box]->editingFinished();
    }
    void Click(const char* button) {
        auto* control = dialog.findChild<OrvelSimpleButton*>(QString::fromLatin1(button));
        ASSERT_NE(control, nullptr);
        QTest::mouseClick(control, Qt::LeftButton);
    }
    std::array<std::int32_t, 4> Edges() const {
        return {dialog.BoxLeft, dialog.BoxTop, dialog.BoxRight, dialog.BoxBottom};
    }

    FixedHost host;
    frmCrop dialog{host};
};

TEST_F(CropDialogTest, LoadShowsTheEdgesAsTheyAre) {
    ASSERT_EQ(dialog.TwipsPerPixel(), 15);
    EXPECT_EQ(Texts(), QStringList({"0", "0", "0", "0"}));
    dialog.SetEdges({10500, 750, 1500, 7500});
    dialog.LoadCrop();
    EXPECT_EQ(Texts(), QStringList({"700", "50", "-600", "450"}));
    EXPECT_EQ(Edges(), (std::array{10500, 750, 1500, 7500}));
    EXPECT_EQ(dialog.StoredSelection(), (SelectionRect{10500, 750, -9000, 6750}));
}

TEST_F(CropDialogTest, TypedValuesAreTakenRoundedAndOrdered) {
    dialog.SetEdges({1500, 750, 10500, 7500});
    dialog.LoadCrop();
    Type(2, QStringLiteral("-50"));
    EXPECT_EQ(Texts(), QStringList({"50", "50", "50", "450"}));
    EXPECT_EQ(Edges(), (std::array{750, 750, 1500, 7500}));

    Type(0, QStringLiteral("12.5"));
    EXPECT_EQ(dialog.BoxLeft, 188);
    EXPECT_EQ(Texts().first(), QStringLiteral("13"));

    // Text that is no number goes back to the value the box had; the boxes are read again
    // whole, so X is now the 13 it shows.
    Type(1, QStringLiteral("lots"));
    Type(3, QStringLiteral("99999999999"));
    EXPECT_EQ(Texts(), QStringList({"13", "50", "50", "450"}));
    EXPECT_EQ(Edges(), (std::array{195, 750, 945, 7500}));
}

TEST_F(CropDialogTest, RestraintReplacesTypedSizeWithTheTarget) {
    dialog.chkRestrainDim->setChecked(true);
    EXPECT_FALSE(dialog.chkKeepProps->isEnabled());
    dialog.txtCoords[0]->setText(QStringLiteral("30"));
    Type(2, QStringLiteral("5"));
    EXPECT_EQ(Texts(), QStringList({"30", "0", "800", "600"}));
    EXPECT_EQ(Edges(), (std::array{450, 0, 12450, 9000}));
}

TEST_F(CropDialogTest, ZeroRectangleStaysZero) {
    Type(0, QStringLiteral("40"));
    EXPECT_EQ(Texts(), QStringList({"40", "0", "0", "0"}));
    EXPECT_EQ(Edges(), (std::array{600, 0, 600, 0}));
}

TEST_F(CropDialogTest, ConstraintAppliesToTheSelection) {
    dialog.chkKeepProps->setChecked(true);
    EXPECT_FALSE(dialog.chkRestrainDim->isEnabled());
    dialog.SetEdges({0, 0, 4500, 6000});
    dialog.LoadCrop();
    dialog.ApplySizeConstraint();
    EXPECT_EQ(dialog.Selection(), (SelectionRect{0, 0, 4500, 3375}));
}

TEST_F(CropDialogTest, CancelRestoresTheSnapshotAcceptKeepsTheEdit) {
    dialog.SetEdges({1500, 750, 10500, 7500});
    dialog.LoadCrop();
    dialog.show();
    Type(0, QStringLiteral("10"));
    Click("cmdCancel");
    EXPECT_TRUE(dialog.blnCancelled);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Edges(), (std::array{1500, 750, 10500, 7500}));
    EXPECT_EQ(Texts(), QStringList({"100", "50", "600", "450"}));

    dialog.show();
    dialog.StoreCrop();
    Type(0, QStringLiteral("10"));
    Click("cmdAccept");
    EXPECT_FALSE(dialog.blnCancelled);
    EXPECT_EQ(dialog.StoredSelection(), (SelectionRect{150, 750, 9000, 6750}));

    dialog.show();
    Type(1, QStringLiteral("0"));
    dialog.close();
    EXPECT_TRUE(dialog.blnCancelled);
    EXPECT_EQ(dialog.BoxTop, 750);

    Click("cmdPreview");
    EXPECT_EQ(host.previews, 1);
}

} // namespace
} // namespace kalvimo
