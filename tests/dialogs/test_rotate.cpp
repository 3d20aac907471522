// The Image Rotation dialog offscreen: layout, typed angles, the dial under the mouse, the knob
// and the clipped preview.
#include "dialogs/dialogunits.h"
#include "dialogs/rotatedlg.h"
#include "image/imageobj.h"
#include "platform/dibutil.h"
#include "platform/globalmem.h"
#include "tests/common/messagecatcher.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

// A width x height picture of one colour.
void FillPicture(CImageObj &picture, int width, int height, QRgb colour)
{
    DibInfoBlock info {};
    DibInitHeader(info, width, height, 24);
    const auto stride = static_cast<std::size_t>(DibStride(width, 24));
    auto *bits = static_cast<BYTE *>(GlobalAlloc(GPTR, stride * static_cast<std::size_t>(height)));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            BYTE *p = bits + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 3;
            p[0] = static_cast<BYTE>(qBlue(colour));
            p[1] = static_cast<BYTE>(qGreen(colour));
            p[2] = static_cast<BYTE>(qRed(colour));
        }
    ASSERT_TRUE(picture.CopyFrom(bits, &info));
    GlobalFree(bits);
}

constexpr QRgb kPictureColour = qRgb(10, 200, 30);

class RotateDialog : public ::testing::Test
{
protected:
    RotateDialog()
        : app(TestApp())
        , dlg(nullptr, [this](CImageObj &preview, int w, int h) {
            requested = QSize(w, h);
            return source.PreviewCopy(preview, w, h);
        })
    {
        FillPicture(source, 400, 200, kPictureColour);
        dlg.show();
        PumpEvents();
    }

    QLineEdit *AngleEdit() { return FindControlAs<QLineEdit>(&dlg, CRotateDlg::IDC_ANGLE); }
    void Press(int x, int y, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(&dlg, button, Qt::NoModifier, QPoint(x, y));
    }
    void Release(int x, int y, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseRelease(&dlg, button, Qt::NoModifier, QPoint(x, y));
    }
    void Move(int x, int y)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y), dlg.mapToGlobal(QPointF(x, y)), Qt::NoButton,
            dlg.IsDragging() ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&dlg, &move);
    }
    std::pair<int, int> KnobCentre() const
    {
        const RECT r = dlg.GetKnobRect();
        return { (r.left + r.right) / 2, (r.top + r.bottom) / 2 };
    }

    QApplication &app;
    CImageObj source;
    QSize requested;
    CRotateDlg dlg;
};

} // namespace

TEST_F(RotateDialog, OpensAtItsSizeWithThePreviewAndZero)
{
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Image Rotation"));
    EXPECT_EQ(dlg.size(), QSize(260, 345));
    EXPECT_EQ(FindControl(&dlg, CRotateDlg::IDC_DIAL_GROUP)->geometry(), QRect(12, 12, 232, 260));
    EXPECT_EQ(FindControl(&dlg, CRotateDlg::IDC_ANGLE_LABEL)->geometry(), QRect(65, 240, 50, 18));
    EXPECT_EQ(AngleEdit()->geometry(), QRect(120, 240, 60, 18));
    EXPECT_EQ(FindControl(&dlg, 1)->geometry(), QRect(42, 288, 68, 21));
    EXPECT_EQ(FindControl(&dlg, 2)->geometry(), QRect(148, 288, 68, 21));
    EXPECT_EQ(AngleEdit()->text(), QStringLiteral("0.00"));
    EXPECT_EQ(dlg.GetAngle(), 0.0);
    EXPECT_EQ(requested, QSize(100, 100));
    ASSERT_NE(dlg.GetPreview(), nullptr);
    EXPECT_EQ(dlg.GetPreview()->Width(), 100);
    EXPECT_EQ(dlg.GetPreview()->Height(), 50);
    EXPECT_EQ(KnobCentre(), std::make_pair(130, 36));
}

TEST_F(RotateDialog, TypedAnglesAreNormalisedAndMoveTheKnob)
{
    AngleEdit()->setText(QStringLiteral("-90"));
    EXPECT_EQ(dlg.GetAngle(), 270.0);
    EXPECT_EQ(KnobCentre(), std::make_pair(36, 130));
    EXPECT_EQ(AngleEdit()->text(), QStringLiteral("-90")); // the text itself stays
    AngleEdit()->setText(QStringLiteral("725"));
    EXPECT_EQ(dlg.GetAngle(), 5.0);
    AngleEdit()->setText(QStringLiteral("twelve"));
    EXPECT_EQ(dlg.GetAngle(), 0.0);
}

TEST_F(RotateDialog, ClicksOnTheDialSetTheAngle)
{
    Press(200, 130);
    EXPECT_TRUE(dlg.IsDragging());
    Release(200, 130);
    EXPECT_FALSE(dlg.IsDragging());
    EXPECT_EQ(dlg.GetAngle(), 90.0);
    EXPECT_EQ(AngleEdit()->text(), QStringLiteral("90.00"));
    EXPECT_EQ(KnobCentre(), std::make_pair(224, 130));

    Press(60, 200, Qt::RightButton);
    Release(60, 200, Qt::RightButton);
    EXPECT_EQ(AngleEdit()->text(), QStringLiteral("-135.00"));
    EXPECT_EQ(dlg.GetAngle(), 225.0);
    // The same point again: still -135 on the dial, and the stored angle stays normalised.
    Press(60, 200);
    Release(60, 200);
    EXPECT_EQ(dlg.GetAngle(), 225.0);

    Press(231, 130); // just off the dial
    EXPECT_FALSE(dlg.IsDragging());
    Release(231, 130);
    EXPECT_EQ(dlg.GetAngle(), 225.0);
    Press(230, 130); // on its edge
    Release(230, 130);
    EXPECT_EQ(dlg.GetAngle(), 90.0);

    Press(130, 130); // the centre has no direction: the angle stays
    Release(130, 130);
    EXPECT_EQ(dlg.GetAngle(), 90.0);
    Press(130, 129);
    Release(130, 129);
    EXPECT_EQ(dlg.GetAngle(), 0.0);
}

TEST_F(RotateDialog, DraggingFollowsTheMouseOffTheDial)
{
    Press(130, 60);
    EXPECT_EQ(dlg.GetAngle(), 0.0);
    Move(200, 130);
    EXPECT_EQ(dlg.GetAngle(), 90.0);
    Move(130, 300); // far below, outside the dial: still dragging
    EXPECT_EQ(dlg.GetAngle(), 180.0);
    EXPECT_TRUE(dlg.IsDragging());
    Release(130, 300);
    EXPECT_FALSE(dlg.IsDragging());
    EXPECT_FALSE(dlg.IsOverDial());
    Move(20, 130); // moves without a button change nothing
    EXPECT_EQ(dlg.GetAngle(), 180.0);
}

TEST_F(RotateDialog, DialCursorWhileOverTheDial)
{
    EXPECT_FALSE(dlg.IsOverDial());
    Move(150, 150);
    EXPECT_TRUE(dlg.IsOverDial());
    EXPECT_EQ(dlg.cursor().shape(), Qt::BitmapCursor);
    Move(240, 240);
    EXPECT_FALSE(dlg.IsOverDial());
    EXPECT_EQ(dlg.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(RotateDialog, PreviewIsTurnedAndClippedToItsOutline)
{
    auto pixel = [this](int x, int y) {
        QImage shot(dlg.size(), QImage::Format_RGB32);
        dlg.render(&shot);
        return shot.pixel(x, y) & 0xFFFFFF;
    };
    const QRgb green = kPictureColour & 0xFFFFFF;
    // At 0 the 100 x 50 preview lies across the centre.
    EXPECT_EQ(pixel(130, 130), green);
    EXPECT_EQ(pixel(175, 130), green);
    EXPECT_NE(pixel(130, 160), green);
    // A quarter turn stands it up.
    AngleEdit()->setText(QStringLiteral("90"));
    EXPECT_EQ(pixel(130, 175), green);
    EXPECT_NE(pixel(175, 130), green);
    // At 45 the corners of the rotated bounding box are outside the outline.
    AngleEdit()->setText(QStringLiteral("45"));
    EXPECT_EQ(pixel(130, 130), green);
    EXPECT_NE(pixel(130 + 40, 130 - 40), green); // within the bounding box, off the picture
    EXPECT_EQ(pixel(130 + 20, 130 + 20), green);
    // The knob: red ring, yellow middle.
    const auto [kx, ky] = KnobCentre();
    EXPECT_EQ(pixel(kx, ky), qRgb(255, 255, 0) & 0xFFFFFF);
    EXPECT_EQ(pixel(kx + 4, ky), qRgb(255, 0, 0) & 0xFFFFFF);
}

TEST_F(RotateDialog, OkKeepsTheAngleAndCancelCloses)
{
    AngleEdit()->setText(QStringLiteral("-30"));
    QTest::mouseClick(FindControlAs<QPushButton>(&dlg, 1), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.GetAngle(), 330.0);
}
