// The Image Rotation dialog offscreen: layout, typed angles, the dial under the mouse, the knob
// and the clipped preview.
#include "dialogs/dialogunits.h"
#include "dialogs/rotatedlg.h"
#include "image/imageobj.h"
#include "platform/dibutil.h"
#include "tests/common/messagecatcher.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

// A width x height picture of one colour (width a multiple of 4: rows without padding).
void FillPicture(CImageObj &picture, int width, int height, QRgb colour)
{
    DibInfoBlock info {};
    DibInitHeader(info, width, height, 24);
    std::vector<BYTE> bits;
    for (int i = 0; i < width * height; ++i)
        bits.insert(bits.end(), { BYTE(qBlue(colour)), BYTE(qGreen(colour)), BYTE(qRed(colour)) });
    ASSERT_TRUE(picture.CopyFrom(bits.data(), &info));
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
    EXPECT_EQ(dlg.size(), QSize(260, 345));
    EXPECT_EQ(AngleEdit()->geometry(), QRect(120, 240, 60, 18));
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
    // Without a button the mouse only switches the dial cursor on and off.
    Move(150, 150);
    EXPECT_TRUE(dlg.IsOverDial());
    EXPECT_EQ(dlg.cursor().shape(), Qt::BitmapCursor);
    Move(240, 240);
    EXPECT_FALSE(dlg.IsOverDial());
    EXPECT_EQ(dlg.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(dlg.GetAngle(), 180.0);
}

TEST_F(RotateDialog, PreviewIsTurnedAndClippedToItsOutline)
{
    CImageObj square;
    FillPicture(square, 300, 300, kPictureColour);
    CRotateDlg round(
        nullptr, [&](CImageObj &preview, int w, int h) { return square.PreviewCopy(preview, w, h); });
    round.show();
    PumpEvents();
    auto pixel = [&round](int x, int y) {
        QImage shot(round.size(), QImage::Format_RGB32);
        round.render(&shot);
        return shot.pixel(x, y) & 0xFFFFFF;
    };
    const QRgb green = kPictureColour & 0xFFFFFF;
    const QRgb ring = pixel(190, 190); // on the dial's ring, beside the 100 x 100 preview
    EXPECT_EQ(pixel(130, 130), green);
    EXPECT_EQ(pixel(175, 175), green);
    EXPECT_NE(ring, green);
    // At 45 the preview is a diamond: the corners of its turned copy (white) are clipped away.
    FindControlAs<QLineEdit>(&round, CRotateDlg::IDC_ANGLE)->setText(QStringLiteral("45"));
    EXPECT_EQ(pixel(130, 195), green);
    EXPECT_EQ(pixel(190, 190), ring);
    EXPECT_NE(pixel(175, 175), green);
    // The knob: red ring, yellow middle.
    const RECT knob = round.GetKnobRect();
    EXPECT_EQ(pixel(knob.left + 5, knob.top + 5), 0xFFFF00u);
    EXPECT_EQ(pixel(knob.left + 1, knob.top + 5), 0xFF0000u);
}
