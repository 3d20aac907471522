// The Image Size Setting dialog offscreen: what it shows, how width, height and resolution
// follow each other, what OK writes into the picture header.
#include "dialogs/dialogunits.h"
#include "dialogs/imagesizedlg.h"
#include "dialogs/resolutionunits.h"
#include "tests/common/messagecatcher.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

const QString kErrorFormat = QStringLiteral("Error format, please reinput new");

// An 800 x 600 picture's header at the given resolution.
BITMAPINFOHEADER Header(LONG pixelsPerMetre)
{
    BITMAPINFOHEADER h {};
    h.biWidth = 800;
    h.biHeight = 600;
    h.biXPelsPerMeter = h.biYPelsPerMeter = pixelsPerMetre;
    return h;
}

class ImageSizeDialog : public ::testing::Test
{
protected:
    // Opens the dialog on h, an 800 x 600 picture at pixelsPerMetre, with the given width.
    void Open(LONG pixelsPerMetre = 3780, int width = 0)
    {
        h = Header(pixelsPerMetre);
        dlg.SetUp(&h, width, 0);
        dlg.show();
        Activate();
    }
    // Focus changes reach the edits only in the active window (a message box takes it away).
    void Activate()
    {
        dlg.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));
        PumpEvents();
    }
    QLineEdit *Edit(UINT id) { return FindControlAs<QLineEdit>(&dlg, id); }
    QComboBox *Units() { return FindControlAs<QComboBox>(&dlg, CImageSizeDlg::IDC_UNIT); }
    QCheckBox *KeepAspect() { return FindControlAs<QCheckBox>(&dlg, CImageSizeDlg::IDC_KEEP_ASPECT); }
    void ChooseUnit(int index)
    {
        Units()->setCurrentIndex(index);
        emit Units()->activated(index);
    }
    QString Text(UINT id) { return Edit(id)->text(); }

    BITMAPINFOHEADER h {};
    MessageCatcher messages;
    CImageSizeDlg dlg;
};

} // namespace

TEST_F(ImageSizeDialog, OpensWithTheHeadersValuesAndSwitchesUnits)
{
    Open();
    EXPECT_EQ(Text(CImageSizeDlg::IDC_RESOLUTION), QStringLiteral("96.01"));
    EXPECT_EQ(Text(CImageSizeDlg::IDC_WIDTH), QStringLiteral("800"));
    EXPECT_EQ(Text(CImageSizeDlg::IDC_HEIGHT), QStringLiteral("600"));
    EXPECT_EQ(Units()->itemText(0), QStringLiteral("pixel/inch"));
    EXPECT_EQ(Units()->itemText(1), QStringLiteral("pixel/cm"));

    ChooseUnit(1);
    EXPECT_EQ(Text(CImageSizeDlg::IDC_RESOLUTION), QStringLiteral("37.80"));
    EXPECT_EQ(dlg.GetWidth(), 800); // the sizes stay as they were
    ChooseUnit(0);
    EXPECT_EQ(Text(CImageSizeDlg::IDC_RESOLUTION), QStringLiteral("96.01"));
    EXPECT_TRUE(messages.Texts().isEmpty());
}

TEST_F(ImageSizeDialog, LinkedSizesFollowTypingAndLeavingStoresThem)
{
    Open();
    KeepAspect()->setChecked(true);
    QLineEdit *width = Edit(CImageSizeDlg::IDC_WIDTH);
    width->setFocus();
    width->selectAll();
    QTest::keyClicks(width, QStringLiteral("400"));
    EXPECT_EQ(Text(CImageSizeDlg::IDC_HEIGHT), QStringLiteral("300"));
    EXPECT_EQ(dlg.GetWidth(), 800); // typing alone stores nothing
    Edit(CImageSizeDlg::IDC_HEIGHT)->setText(QStringLiteral("150"));
    EXPECT_EQ(Text(CImageSizeDlg::IDC_WIDTH), QStringLiteral("200")); // 800 × 150 / 600
    Edit(CImageSizeDlg::IDC_RESOLUTION)->setFocus();
    PumpEvents();
    EXPECT_EQ(dlg.GetWidth(), 200);
    EXPECT_EQ(dlg.GetHeight(), 150);

    KeepAspect()->setChecked(false);
    Edit(CImageSizeDlg::IDC_WIDTH)->setText(QStringLiteral("123"));
    EXPECT_EQ(Text(CImageSizeDlg::IDC_HEIGHT), QStringLiteral("150"));
    EXPECT_TRUE(messages.Texts().isEmpty());
}

TEST_F(ImageSizeDialog, NegativeNumbersShowTheErrorAndKeepTheValues)
{
    Open();
    Edit(CImageSizeDlg::IDC_WIDTH)->setText(QStringLiteral("-5"));
    EXPECT_EQ(messages.Texts(), QStringList { kErrorFormat });

    messages.Clear();
    QLineEdit *resolution = Edit(CImageSizeDlg::IDC_RESOLUTION);
    resolution->setText(QStringLiteral("-72"));
    EXPECT_EQ(messages.Texts(), QStringList { kErrorFormat });
    EXPECT_FLOAT_EQ(dlg.GetResolution(), ResolutionFromPixelsPerMetre(3780));
    EXPECT_EQ(Text(CImageSizeDlg::IDC_HEIGHT), QStringLiteral("600"));

    // Leaving the edits with a negative width: the height is stored, the width is not.
    messages.Clear();
    Activate();
    Edit(CImageSizeDlg::IDC_HEIGHT)->setText(QStringLiteral("50"));
    Edit(CImageSizeDlg::IDC_WIDTH)->setFocus();
    resolution->setFocus();
    PumpEvents();
    EXPECT_EQ(messages.Texts(), QStringList { kErrorFormat });
    EXPECT_EQ(dlg.GetHeight(), 50);
    EXPECT_EQ(dlg.GetWidth(), 800);
}

TEST_F(ImageSizeDialog, ResolutionChangesScaleBothSizes)
{
    Open(0);
    QLineEdit *resolution = Edit(CImageSizeDlg::IDC_RESOLUTION);
    resolution->setText(QStringLiteral("72"));
    EXPECT_EQ(dlg.GetWidth(), 800); // from 0 nothing scales
    resolution->setText(QStringLiteral("144"));
    EXPECT_EQ(Text(CImageSizeDlg::IDC_WIDTH), QStringLiteral("1600"));
    EXPECT_EQ(Text(CImageSizeDlg::IDC_HEIGHT), QStringLiteral("1200"));
    EXPECT_EQ(dlg.GetHeight(), 1200);
    // Text that is no number reads as 0; the next change then only stores its value.
    resolution->setText(QStringLiteral("abc"));
    resolution->setText(QStringLiteral("300"));
    EXPECT_EQ(dlg.GetWidth(), 1600);
    EXPECT_FLOAT_EQ(dlg.GetResolution(), 300.0f);
}

TEST_F(ImageSizeDialog, OkWritesTheResolutionIntoTheHeader)
{
    Open();
    Edit(CImageSizeDlg::IDC_RESOLUTION)->setText(QStringLiteral("72.00"));
    KeepAspect()->setChecked(true);
    QTest::mouseClick(FindControlAs<QPushButton>(&dlg, CImageSizeDlg::IDC_OK), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(h.biXPelsPerMeter, 2834); // 72 × 0.3937 × 100 = 2834.64
    EXPECT_EQ(h.biYPelsPerMeter, 2834);
    EXPECT_EQ(dlg.GetKeepAspect(), 1);
    EXPECT_EQ(dlg.GetWidth(), 599); // 800 × 72 / 96.012
}

TEST_F(ImageSizeDialog, EnterInASizeEditStoresItAndCancelWritesNothing)
{
    Open(3780, 640);
    EXPECT_EQ(Text(CImageSizeDlg::IDC_WIDTH), QStringLiteral("640")); // a given size wins
    ChooseUnit(1);
    QLineEdit *width = Edit(CImageSizeDlg::IDC_WIDTH);
    width->setFocus();
    width->setText(QStringLiteral("320"));
    QTest::keyClick(width, Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.GetWidth(), 320);
    EXPECT_EQ(h.biXPelsPerMeter, 3779); // 37.8 pixels per centimetre in single precision, truncated

    BITMAPINFOHEADER other = Header(3780);
    CImageSizeDlg second;
    second.SetUp(&other, 0, 0);
    second.show();
    FindControlAs<QLineEdit>(&second, CImageSizeDlg::IDC_RESOLUTION)->setText(QStringLiteral("300"));
    QTest::mouseClick(FindControlAs<QPushButton>(&second, CImageSizeDlg::IDC_CANCEL), Qt::LeftButton);
    EXPECT_EQ(second.result(), QDialog::Rejected);
    EXPECT_EQ(other.biXPelsPerMeter, 3780);
}
