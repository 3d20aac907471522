// Selections made with simulated mouse drags, the edits through them, the crawling outline, and
// the measuring ruler of mode 11.
#include "panetestutil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <algorithm>

using namespace panetest;

namespace
{

class Mouse : public PaneFixture
{
protected:
    // 300 × 200 at 100 %, placed at (250, 200) in an 800 × 600 pane.
    CViewImage &OpenPicture()
    {
        CViewImage &v = MakePane(800, 600);
        v.Open(files.Write("sel.bmp", 300, 200));
        EXPECT_EQ(v.Zoom(), 100);
        EXPECT_EQ(v.Origin().x, 250);
        EXPECT_EQ(v.Origin().y, 200);
        return v;
    }

    void Send(
        QEvent::Type type, QPoint p, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QWidget *target = pane->viewport();
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(p), target->mapToGlobal(QPointF(p)), button, buttons, keys);
        QCoreApplication::sendEvent(target, &event);
    }
    void Press(QPoint p, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        Send(QEvent::MouseButtonPress, p, Qt::LeftButton, keys);
    }
    void Move(QPoint p, bool down) { Send(QEvent::MouseMove, p, down ? Qt::LeftButton : Qt::NoButton); }
    void Release(QPoint p, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        Send(QEvent::MouseButtonRelease, p, Qt::NoButton, keys);
    }
    void DoubleClick(QPoint p)
    {
        Send(QEvent::MouseButtonDblClick, p, Qt::LeftButton);
        Release(p);
    }
    void Click(QPoint p)
    {
        Press(p);
        Release(p);
    }
    void Drag(QPoint from, QPoint to)
    {
        Press(from);
        Move((from + to) / 2, true);
        Move(to, true);
        Release(to);
    }

    static bool Selected(CViewImage &v, int x, int y)
    {
        // Through the edit: the pixel is white after Delete.
        return PixelAt(*v.Picture(), x, y) == 0xFFFFFF;
    }
};

TEST_F(Mouse, RectangleDragThenDeleteKeyWhitensExactlyTheRectangle)
{
    CViewImage &v = OpenPicture();
    Post(WMU_IMAGE_OPERATION, CViewImage::OpRectangle);
    Drag(QPoint(260, 210), QPoint(360, 260));
    ASSERT_TRUE(v.Selection().HasSelection());
    const RECT b = v.Selection().Bounds();
    EXPECT_EQ(b.left, 10);
    EXPECT_EQ(b.top, 10);
    EXPECT_EQ(b.right, 110);
    EXPECT_EQ(b.bottom, 60);

    QTest::keyClick(&v, Qt::Key_Delete);
    EXPECT_FALSE(v.Selection().HasSelection());
    EXPECT_TRUE(Selected(v, 10, 10));
    EXPECT_TRUE(Selected(v, 109, 59));
    EXPECT_EQ(PixelAt(*v.Picture(), 110, 59), Gradient(110, 59));
    EXPECT_EQ(PixelAt(*v.Picture(), 9, 10), Gradient(9, 10));
    EXPECT_EQ(PixelAt(*v.Picture(), 50, 60), Gradient(50, 60));
    EXPECT_EQ(ClientPixel(Grab(), 300, 230), 0xFFFFFFu);
}

TEST_F(Mouse, DeleteCodeWithoutSelectionChangesNothing)
{
    CViewImage &v = OpenPicture();
    Post(WMU_IMAGE_OPERATION, CViewImage::OpDelete);
    EXPECT_EQ(PixelAt(*v.Picture(), 10, 10), Gradient(10, 10));
    // With a selection made at 200 %, the mask is brought back to the picture's size.
    Post(WMU_IMAGE_OPERATION, kOperationViewZoom, 31788);
    ASSERT_EQ(v.Zoom(), 200);
    const POINT o = v.Origin();
    Post(WMU_IMAGE_OPERATION, CViewImage::OpRectangle);
    Drag(QPoint(o.x + 20, o.y + 20), QPoint(o.x + 60, o.y + 40));
    Post(WMU_IMAGE_OPERATION, CViewImage::OpDelete);
    EXPECT_TRUE(Selected(v, 10, 10));
    EXPECT_TRUE(Selected(v, 29, 19));
    EXPECT_EQ(PixelAt(*v.Picture(), 30, 19), Gradient(30, 19));
    EXPECT_EQ(PixelAt(*v.Picture(), 9, 10), Gradient(9, 10));
}

TEST_F(Mouse, CropToTheDraggedRectangle)
{
    CViewImage &v = OpenPicture();
    Post(WMU_IMAGE_OPERATION, CViewImage::OpRectangle);
    Drag(QPoint(360, 260), QPoint(260, 210)); // dragged up and to the left
    Post(WMU_IMAGE_OPERATION, CViewImage::OpCrop);
    EXPECT_EQ(v.Picture()->Width(), 100);
    EXPECT_EQ(v.Picture()->Height(), 50);
    EXPECT_EQ(PixelAt(*v.Picture(), 0, 0), Gradient(10, 10));
    EXPECT_FALSE(v.Selection().HasSelection());
    EXPECT_EQ(v.CentringOffset().x, 350);
    // Crop without a selection does nothing.
    Post(WMU_IMAGE_OPERATION, CViewImage::OpCrop);
    EXPECT_EQ(v.Picture()->Width(), 100);
}

TEST_F(Mouse, ReverseSelectsTheRestThenEverything)
{
    CViewImage &v = OpenPicture();
    Post(WMU_IMAGE_OPERATION, CViewImage::OpRectangle);
    Drag(QPoint(260, 210), QPoint(360, 260));
    Post(WMU_IMAGE_OPERATION, CViewImage::OpReverse);
    EXPECT_EQ(v.Tool(), 0);
    EXPECT_EQ(v.Mode(), CViewImage::OpReverse);
    Post(WMU_IMAGE_OPERATION, CViewImage::OpDelete);
    EXPECT_TRUE(Selected(v, 0, 0));
    EXPECT_TRUE(Selected(v, 299, 199));
    EXPECT_EQ(PixelAt(*v.Picture(), 10, 10), Gradient(10, 10));
    EXPECT_EQ(PixelAt(*v.Picture(), 109, 59), Gradient(109, 59));

    // Reverse without a selection selects the whole picture.
    Post(WMU_IMAGE_OPERATION, CViewImage::OpReverse);
    const RECT b = v.Selection().Bounds();
    EXPECT_EQ(b.right - b.left, 300);
    EXPECT_EQ(b.bottom - b.top, 200);
    Post(WMU_IMAGE_OPERATION, CViewImage::OpDelete);
    EXPECT_TRUE(Selected(v, 50, 50));
}

TEST_F(Mouse, ClickWithoutDragAddsNothing)
{
    CViewImage &v = OpenPicture();
    Post(WMU_IMAGE_OPERATION, CViewImage::OpRectangle);
    Click(QPoint(300, 300));
    EXPECT_FALSE(v.Selection().HasSelection());
    Post(WMU_IMAGE_OPERATION, CViewImage::OpEllipse);
    Click(QPoint(300, 300));
    EXPECT_FALSE(v.Selection().HasSelection());
    // A new drag replaces the previous selection.
    Drag(QPoint(260, 210), QPoint(300, 250));
    Drag(QPoint(400, 300), QPoint(440, 340));
    const RECT b = v.Selection().Bounds();
    EXPECT_GE(b.left, 150);
    // ... and a click drops it.
    Click(QPoint(300, 300));
    EXPECT_FALSE(v.Selection().HasSelection());
}

TEST_F(Mouse, EllipseSelectsItsInside)
{
    CViewImage &v = OpenPicture();
    Post(WMU_IMAGE_OPERATION, CViewImage::OpEllipse);
    Drag(QPoint(260, 210), QPoint(360, 310));
    QTest::keyClick(&v, Qt::Key_Delete);
    EXPECT_TRUE(Selected(v, 60, 60));
    EXPECT_FALSE(Selected(v, 11, 11)); // corner of the bounding box
    EXPECT_FALSE(Selected(v, 108, 108));
}

TEST_F(Mouse, PolygonClosesOnDoubleClick)
{
    CViewImage &v = OpenPicture();
    Post(WMU_IMAGE_OPERATION, CViewImage::OpPolygon);
    Click(QPoint(260, 210));
    Move(QPoint(300, 210), false);
    Click(QPoint(360, 210));
    Move(QPoint(340, 260), false);
    Click(QPoint(310, 300));
    EXPECT_FALSE(v.Selection().HasSelection());
    DoubleClick(QPoint(310, 300));
    ASSERT_TRUE(v.Selection().HasSelection());
    QTest::keyClick(&v, Qt::Key_Delete);
    EXPECT_TRUE(Selected(v, 60, 30)); // inside the triangle (10,10) (110,10) (60,100)
    EXPECT_FALSE(Selected(v, 15, 90));
    EXPECT_FALSE(Selected(v, 105, 90));
}

TEST_F(Mouse, PolygonSmallerThanThreeByThreeIsDiscarded)
{
    CViewImage &v = OpenPicture();
    Post(WMU_IMAGE_OPERATION, CViewImage::OpPolygon);
    Click(QPoint(260, 210));
    Click(QPoint(262, 210));
    Click(QPoint(261, 212));
    DoubleClick(QPoint(261, 212));
    EXPECT_FALSE(v.Selection().HasSelection());
    // Three pixels wide but only two high is still too small.
    Click(QPoint(260, 210));
    Click(QPoint(263, 210));
    Click(QPoint(261, 212));
    DoubleClick(QPoint(261, 212));
    EXPECT_FALSE(v.Selection().HasSelection());
    // 3 × 3 is kept.
    Click(QPoint(260, 210));
    Click(QPoint(263, 210));
    Click(QPoint(261, 213));
    DoubleClick(QPoint(261, 213));
    EXPECT_TRUE(v.Selection().HasSelection());
}

TEST_F(Mouse, NoSelectionWithoutAPictureOrOutsideTheSelectionModes)
{
    CViewImage &v = MakePane();
    Post(WMU_IMAGE_OPERATION, CViewImage::OpRectangle);
    Drag(QPoint(10, 10), QPoint(100, 100));
    EXPECT_FALSE(v.Selection().HasSelection());
    v.Open(files.Write("p.bmp", 300, 200));
    Post(WMU_IMAGE_OPERATION, CViewImage::OpSelect);
    Drag(QPoint(260, 210), QPoint(360, 260));
    EXPECT_FALSE(v.Selection().HasSelection());
    // F1 puts the mouse in mode 1, but no tool is chosen: still nothing.
    QTest::keyClick(&v, Qt::Key_F1);
    Drag(QPoint(260, 210), QPoint(360, 260));
    EXPECT_FALSE(v.Selection().HasSelection());
}

TEST_F(Mouse, OutlineCrawlsInRedAndGreen)
{
    CViewImage &v = OpenPicture();
    Post(WMU_IMAGE_OPERATION, CViewImage::OpRectangle);
    Drag(QPoint(260, 210), QPoint(360, 260));
    // The dashes along the top edge, once the worker has drawn them, and again after they moved.
    auto topEdge = [&] {
        PumpEvents();
        const QImage shot = Grab();
        std::vector<std::uint32_t> row;
        for (int x = 260; x < 360; ++x)
            row.push_back(ClientPixel(shot, x, 210));
        return row;
    };
    QElapsedTimer timer;
    timer.start();
    std::vector<std::uint32_t> first = topEdge();
    while (std::count(first.begin(), first.end(), 0xFF0000u) == 0 && timer.elapsed() < 5000) {
        QTest::qWait(10);
        first = topEdge();
    }
    std::vector<std::uint32_t> later = first;
    while (later == first && timer.elapsed() < 5000) {
        QTest::qWait(10);
        later = topEdge();
    }
    EXPECT_NE(later, first); // the dashes crawl
    const auto red = std::count(later.begin(), later.end(), 0xFF0000u);
    const auto green = std::count(later.begin(), later.end(), 0x00FF00u);
    EXPECT_GT(red, 30);
    EXPECT_GT(green, 30);
    EXPECT_EQ(red + green, 100);
    const QImage shot = Grab();
    // The inside is the picture.
    EXPECT_EQ(ClientPixel(shot, 300, 230), Gradient(50, 30));
    // After Delete the outline is gone at the next repaint.
    QTest::keyClick(&v, Qt::Key_Delete);
    PumpEvents();
    EXPECT_EQ(ClientPixel(Grab(), 280, 210), 0xFFFFFFu);
}

TEST_F(Mouse, OutlineFollowsScrollingOverTheVisiblePart)
{
    CViewImage &v = MakePane(400, 300);
    v.Open(files.Write("big.bmp", 1200, 900, [](int, int) -> std::uint32_t { return 0x808080; }));
    v.OnImageOperation(kOperationViewZoom, 31790); // 100 % from the View menu resets the centring
    v.OnImageOperation(CViewImage::OpReverse, 0); // everything: the outline is the picture's edge
    auto count = [&](const QImage &shot, int x0, int y0, int x1, int y1) {
        int found = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                found += ClientPixel(shot, x, y) != 0x808080;
        return found;
    };
    // Until the worker has drawn the dashes at (x, y).
    auto shotWithDashesAt = [&](int x, int y) {
        QElapsedTimer timer;
        timer.start();
        QImage shot = Grab();
        while (ClientPixel(shot, x, y) == 0x808080 && timer.elapsed() < 5000) {
            QTest::qWait(10);
            PumpEvents();
            shot = Grab();
        }
        return shot;
    };
    // The top edge of the picture runs along the client's first row.
    QImage shot = shotWithDashesAt(0, 0);
    EXPECT_EQ(count(shot, 0, 0, 300, 0), 301);
    EXPECT_EQ(count(shot, 1, 1, 300, 200), 0);
    // Scrolled to the far corner: the right and bottom edges.
    v.horizontalScrollBar()->setValue(v.horizontalScrollBar()->maximum());
    v.verticalScrollBar()->setValue(v.verticalScrollBar()->maximum());
    const int right = v.Origin().x + 1200 - 1, bottom = v.Origin().y + 900 - 1;
    ASSERT_LT(right, 400);
    ASSERT_LT(bottom, 300);
    shot = shotWithDashesAt(right, 10);
    EXPECT_EQ(count(shot, right, 10, right, 200), 191);
    EXPECT_EQ(count(shot, 10, bottom, 200, bottom), 191);
    EXPECT_EQ(count(shot, 0, 0, 200, 0), 0);
    EXPECT_EQ(count(shot, 0, 0, right - 1, bottom - 1), 0);
}

TEST_F(Mouse, WorkerStartsAndStopsWithEveryPane)
{
    for (int i = 0; i < 20; ++i) {
        CViewImage &v = MakePane(200, 100);
        EXPECT_TRUE(v.Selection().WorkerRunning());
        if (i % 2 == 0) {
            v.Open(files.Write("w.bmp", 60, 40));
            v.OnImageOperation(CViewImage::OpReverse, 0);
            QTest::qWait(i);
        }
        pane.reset();
    }
}

TEST_F(Mouse, RulerInModeElevenThenThePopup)
{
    CViewImage &v = OpenPicture();
    Post(WMU_IMAGE_OPERATION, CViewImage::OpRotateFree);
    ASSERT_EQ(answers.rotateCalls, 1); // the code rotates first (by 30° here), then measures
    ASSERT_EQ(v.Mode(), CViewImage::OpRotateFree);
    const int widthAfterRotation = v.Picture()->Width();
    Press(QPoint(100, 100));
    EXPECT_TRUE(v.Ruler().IsActive());
    EXPECT_EQ(v.Ruler().Zoom(), v.Zoom());
    Move(QPoint(100, 180), true);
    EXPECT_EQ(v.Ruler().AngleText(), QStringLiteral("Angle: +90.0 "));
    const QImage shot = Grab();
    EXPECT_EQ(ClientPixel(shot, 100, 140), 0x3D3D3Du); // the grey inverted
    EXPECT_EQ(answers.popups, 0);
    Release(QPoint(100, 180));
    EXPECT_FALSE(v.Ruler().IsActive());
    EXPECT_EQ(answers.popups, 1);
    EXPECT_EQ(ClientPixel(Grab(), 100, 140), kGrey);
    EXPECT_EQ(v.Picture()->Width(), widthAfterRotation);
    EXPECT_FALSE(v.Selection().HasSelection());
}

} // namespace
