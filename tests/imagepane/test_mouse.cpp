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
    // 300 × 200 at 100 %, placed at (250, 200) in an 800 × 600 pane, in selection mode `code`.
    CViewImage &OpenPicture(int code)
    {
        CViewImage &v = OpenNew(300, 200);
        EXPECT_EQ(v.Origin().x, 250);
        EXPECT_EQ(v.Origin().y, 200);
        Post(WMU_IMAGE_OPERATION, WPARAM(code));
        return v;
    }

    void Send(QEvent::Type type, QPoint p, bool down)
    {
        QWidget *target = pane->viewport();
        QMouseEvent event(type, QPointF(p), target->mapToGlobal(QPointF(p)),
            type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton,
            Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }
    void Press(QPoint p) { Send(QEvent::MouseButtonPress, p, true); }
    void Move(QPoint p, bool down) { Send(QEvent::MouseMove, p, down); }
    void Release(QPoint p) { Send(QEvent::MouseButtonRelease, p, false); }
    void Click(QPoint p, bool twice = false)
    {
        Send(twice ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress, p, true);
        Release(p);
    }
    void Drag(QPoint from, QPoint to)
    {
        Press(from);
        Move((from + to) / 2, true);
        Move(to, true);
        Release(to);
    }
    // Through the edit: a pixel is white after Delete exactly when it was selected.
    bool Selected(int x, int y) { return PixelAt(*pane->Picture(), x, y) == 0xFFFFFF; }
    // Grabs of the client area until `done` holds for one (or 5 s have passed).
    QImage GrabUntil(const std::function<bool(const QImage &)> &done)
    {
        QElapsedTimer timer;
        timer.start();
        QImage shot = Grab();
        while (!done(shot) && timer.elapsed() < 5000) {
            QTest::qWait(10);
            PumpEvents();
            shot = Grab();
        }
        return shot;
    }
    void ExpectUntouched(int x, int y)
    {
        EXPECT_EQ(PixelAt(*pane->Picture(), x, y), Gradient(x, y)) << x << "," << y;
    }
};

TEST_F(Mouse, RectangleDragThenDeleteWhitensExactlyTheRectangle)
{
    CViewImage &v = OpenPicture(CViewImage::OpRectangle);
    Drag(QPoint(260, 210), QPoint(360, 260));
    ASSERT_TRUE(v.Selection().HasSelection());
    const RECT b = v.Selection().Bounds();
    EXPECT_EQ(b.left, 10);
    EXPECT_EQ(b.top, 10);
    EXPECT_EQ(b.right, 110);
    EXPECT_EQ(b.bottom, 60);
    QTest::keyClick(&v, Qt::Key_Delete);
    EXPECT_FALSE(v.Selection().HasSelection());
    EXPECT_TRUE(Selected(10, 10) && Selected(109, 59));
    ExpectUntouched(110, 59);
    ExpectUntouched(9, 10);
    ExpectUntouched(50, 60);
    EXPECT_EQ(Rgb(Grab(), 300, 230), 0xFFFFFFu);
    // The Delete code without a selection changes nothing.
    Post(WMU_IMAGE_OPERATION, CViewImage::OpDelete);
    ExpectUntouched(9, 10);
}

// The selection cursor shows while a shape is being dragged, the arrow once it is done.
TEST_F(Mouse, SelectionCursorOnlyWhileTheTrackerIsActive)
{
    CViewImage &v = OpenPicture(CViewImage::OpRectangle);
    Move(QPoint(270, 220), false); // no tracker yet
    EXPECT_EQ(v.viewport()->cursor().shape(), Qt::ArrowCursor);
    Press(QPoint(260, 210));
    Move(QPoint(300, 240), true);
    EXPECT_EQ(v.viewport()->cursor().shape(), Qt::BitmapCursor);
    Release(QPoint(300, 240));
    Move(QPoint(320, 250), false); // the tracker stays, inactive
    EXPECT_EQ(v.viewport()->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(Mouse, SelectionMadeAtTwoHundredPercentIsBroughtToThePicturesSize)
{
    CViewImage &v = OpenPicture(CViewImage::OpRectangle);
    Post(WMU_IMAGE_OPERATION, kOperationViewZoom, ID_VIEW_ZOOM_200);
    ASSERT_EQ(v.Zoom(), 200);
    const POINT o = v.Origin();
    Drag(QPoint(o.x + 20, o.y + 20), QPoint(o.x + 60, o.y + 40));
    Post(WMU_IMAGE_OPERATION, CViewImage::OpDelete);
    EXPECT_TRUE(Selected(10, 10) && Selected(29, 19));
    ExpectUntouched(30, 19);
    ExpectUntouched(9, 10);
}

TEST_F(Mouse, CropToTheDraggedRectangle)
{
    CViewImage &v = OpenPicture(CViewImage::OpRectangle);
    Drag(QPoint(360, 260), QPoint(260, 210)); // dragged up and to the left
    Post(WMU_IMAGE_OPERATION, CViewImage::OpCrop);
    EXPECT_EQ(v.Picture()->Width(), 100);
    EXPECT_EQ(v.Picture()->Height(), 50);
    EXPECT_EQ(PixelAt(*v.Picture(), 0, 0), Gradient(10, 10));
    EXPECT_FALSE(v.Selection().HasSelection());
    EXPECT_EQ(v.CentringOffset().x, 350);
    Post(WMU_IMAGE_OPERATION, CViewImage::OpCrop); // without a selection: nothing
    EXPECT_EQ(v.Picture()->Width(), 100);
}

TEST_F(Mouse, ReverseSelectsTheRestThenEverything)
{
    CViewImage &v = OpenPicture(CViewImage::OpRectangle);
    Drag(QPoint(260, 210), QPoint(360, 260));
    Post(WMU_IMAGE_OPERATION, CViewImage::OpReverse);
    EXPECT_EQ(v.Tool(), 0);
    EXPECT_EQ(v.Mode(), CViewImage::OpReverse);
    Post(WMU_IMAGE_OPERATION, CViewImage::OpDelete);
    EXPECT_TRUE(Selected(0, 0) && Selected(299, 199));
    ExpectUntouched(10, 10);
    ExpectUntouched(109, 59);
    Post(WMU_IMAGE_OPERATION, CViewImage::OpReverse); // no selection: the whole picture
    const RECT b = v.Selection().Bounds();
    EXPECT_EQ(b.right - b.left, 300);
    EXPECT_EQ(b.bottom - b.top, 200);
}

TEST_F(Mouse, ClickWithoutDragAddsNothingAndModeZeroDragsSelectNothing)
{
    CViewImage &v = OpenPicture(CViewImage::OpRectangle);
    Click(QPoint(300, 300));
    EXPECT_FALSE(v.Selection().HasSelection());
    Post(WMU_IMAGE_OPERATION, CViewImage::OpEllipse);
    Drag(QPoint(260, 210), QPoint(300, 250));
    Drag(QPoint(400, 300), QPoint(440, 340)); // a new drag replaces the previous selection
    EXPECT_GE(v.Selection().Bounds().left, 150);
    Click(QPoint(300, 300));
    EXPECT_FALSE(v.Selection().HasSelection());
    // Outside the selection modes a drag selects nothing.
    Post(WMU_IMAGE_OPERATION, CViewImage::OpSelect);
    Drag(QPoint(260, 210), QPoint(360, 260));
    EXPECT_FALSE(v.Selection().HasSelection());
}

TEST_F(Mouse, EllipseAndPolygonSelectTheirInside)
{
    CViewImage &v = OpenPicture(CViewImage::OpEllipse);
    Drag(QPoint(260, 210), QPoint(360, 310));
    QTest::keyClick(&v, Qt::Key_Delete);
    EXPECT_TRUE(Selected(60, 60));
    EXPECT_FALSE(Selected(11, 11)); // corners of the bounding box
    EXPECT_FALSE(Selected(108, 108));

    CViewImage &polygon = OpenPicture(CViewImage::OpPolygon); // in a new pane
    Click(QPoint(260, 210));
    Move(QPoint(300, 210), false);
    Click(QPoint(360, 210));
    Click(QPoint(310, 300));
    EXPECT_FALSE(polygon.Selection().HasSelection());
    Click(QPoint(310, 300), true); // closes on the double click
    ASSERT_TRUE(polygon.Selection().HasSelection());
    QTest::keyClick(&polygon, Qt::Key_Delete);
    EXPECT_TRUE(Selected(60, 30)); // inside the triangle (10,10) (110,10) (60,100)
    EXPECT_FALSE(Selected(15, 90));
    EXPECT_FALSE(Selected(105, 90));
}

TEST_F(Mouse, PolygonSmallerThanThreeByThreeIsDiscarded)
{
    CViewImage &v = OpenPicture(CViewImage::OpPolygon);
    // 2 × 2, 3 wide but 2 high, then 3 × 3, which is kept.
    const struct {
        int right, bottom;
        bool kept;
    } cases[] = { { 262, 212, false }, { 263, 212, false }, { 263, 213, true } };
    for (const auto &c : cases) {
        Click(QPoint(260, 210));
        Click(QPoint(c.right, 210));
        Click(QPoint(261, c.bottom));
        Click(QPoint(261, c.bottom), true);
        EXPECT_EQ(v.Selection().HasSelection(), c.kept) << c.right << ", " << c.bottom;
    }
}

// Selecting everything makes the picture's edge the outline: along the client's first row it
// crawls in red and green, and scrolled to the far corner (the picture painted under the scroll)
// it runs along the right and bottom edges.
TEST_F(Mouse, OutlineCrawlsInRedAndGreenAndFollowsScrolling)
{
    const auto light = [](int x, int y) { return Gradient(x, y) | 0x808080u; }; // never red or green
    CViewImage &v = MakePane(400, 300);
    v.Open(files.Write("big.bmp", 1200, 900, light));
    v.OnImageOperation(kOperationViewZoom, ID_VIEW_ZOOM_100); // resets the centring
    v.OnImageOperation(CViewImage::OpReverse, 0);
    const auto plain = [&v, light](const QImage &shot, int x, int y) {
        return Rgb(shot, x, y) == light(x - v.Origin().x, y - v.Origin().y);
    };
    const auto marked = [plain](const QImage &shot, int x0, int y0, int x1, int y1) {
        int found = 0;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                found += !plain(shot, x, y);
        return found;
    };
    const auto topRow = [](const QImage &shot) {
        std::vector<std::uint32_t> row;
        for (int x = 0; x <= 300; ++x)
            row.push_back(Rgb(shot, x, 0));
        return row;
    };
    QImage shot = GrabUntil([&](const QImage &s) { return !plain(s, 0, 0); });
    EXPECT_EQ(marked(shot, 0, 0, 300, 0), 301);
    EXPECT_EQ(marked(shot, 1, 1, 300, 200), 0);
    const std::vector<std::uint32_t> first = topRow(shot);
    const std::vector<std::uint32_t> later
        = topRow(GrabUntil([&](const QImage &s) { return topRow(s) != first; }));
    EXPECT_NE(later, first); // the dashes crawl
    const auto red = std::count(later.begin(), later.end(), 0xFF0000u);
    const auto green = std::count(later.begin(), later.end(), 0x00FF00u);
    EXPECT_GT(red, 30);
    EXPECT_GT(green, 30);
    EXPECT_EQ(red + green, 301);

    v.horizontalScrollBar()->setValue(v.horizontalScrollBar()->maximum());
    v.verticalScrollBar()->setValue(v.verticalScrollBar()->maximum());
    const int right = v.Origin().x + 1200 - 1, bottom = v.Origin().y + 900 - 1;
    ASSERT_EQ(right, v.viewport()->width() - 1);
    ASSERT_EQ(bottom, v.viewport()->height() - 1);
    shot = GrabUntil([&](const QImage &s) { return !plain(s, right, 10); });
    EXPECT_EQ(marked(shot, right, 10, right, 200), 191);
    EXPECT_EQ(marked(shot, 10, bottom, 200, bottom), 191);
    EXPECT_EQ(marked(shot, 0, 0, 200, 0), 0);
    EXPECT_EQ(marked(shot, 0, 0, right - 1, bottom - 1), 0);
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
    CViewImage &v = OpenPicture(CViewImage::OpRotateFree);
    ASSERT_EQ(answers.rotateCalls, 1); // the code rotates first (by 30° here), then measures
    const int widthAfterRotation = v.Picture()->Width();
    Press(QPoint(100, 100));
    EXPECT_TRUE(v.Ruler().IsActive());
    EXPECT_EQ(v.Ruler().Zoom(), v.Zoom());
    Move(QPoint(100, 180), true);
    EXPECT_EQ(v.Ruler().AngleText(), QStringLiteral("Angle: +90.0 "));
    EXPECT_EQ(Rgb(Grab(), 100, 140), 0x3D3D3Du); // the grey inverted
    EXPECT_EQ(answers.popups, 0);
    Release(QPoint(100, 180));
    EXPECT_FALSE(v.Ruler().IsActive());
    EXPECT_EQ(answers.popups, 1);
    EXPECT_EQ(Rgb(Grab(), 100, 140), kGrey);
    EXPECT_EQ(v.Picture()->Width(), widthAfterRotation);
    EXPECT_FALSE(v.Selection().HasSelection());
}

} // namespace
