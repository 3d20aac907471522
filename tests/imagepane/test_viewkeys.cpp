// Viewing the picture from the keyboard and the wheel: the key table, the whole-picture zoom,
// Ctrl + wheel about the pointer, stepping, the page number, full screen and the slideshow.
#include "imagepane/viewnav.h"
#include "paneapi/imainframe.h"
#include "paneapi/panemessage.h"
#include "panetestutil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QWheelEvent>

using namespace panetest;

namespace
{

// Stands in for the main window: records what the pane posts to it.
class PostedToFrame : public QObject, public IMainFrame
{
public:
    PostedToFrame() { SetMainFrame(this); }
    ~PostedToFrame() override { SetMainFrame(nullptr); }
    void SetStatusPaneText(int, const QString &) override { }
    QObject *MessageTarget() override { return this; }
    bool event(QEvent *e) override
    {
        if (const PaneMessageEvent *m = PaneMessageEvent::From(e)) {
            messages.push_back(m->Message());
            return true;
        }
        return QObject::event(e);
    }
    std::vector<UINT> messages;
};

class ViewKeys : public PaneFixture
{
protected:
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QKeyEvent press(QEvent::KeyPress, key, mods);
        QCoreApplication::sendEvent(pane.get(), &press);
        PumpEvents();
    }
    void Wheel(QPoint at, int notches, Qt::KeyboardModifiers mods)
    {
        QWheelEvent wheel(QPointF(at), pane->viewport()->mapToGlobal(QPointF(at)), QPoint(),
            QPoint(0, notches * 120), Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(pane->viewport(), &wheel);
        PumpEvents();
    }
    // The picture pixel under a client point.
    QPointF PicturePoint(QPoint at) const
    {
        POINT o = pane->Origin();
        return QPointF((at.x() - o.x) * 100.0 / pane->Zoom(), (at.y() - o.y) * 100.0 / pane->Zoom());
    }
};

} // namespace

TEST(ViewNav, KeysWholeZoomAndWheel)
{
    struct KeyCase {
        int key;
        bool ctrl;
        ViewKey expected;
    };
    for (KeyCase c :
        { KeyCase { Qt::Key_Plus, false, ViewKey::ZoomIn }, { Qt::Key_Equal, false, ViewKey::ZoomIn },
            { Qt::Key_Minus, false, ViewKey::ZoomOut }, { Qt::Key_1, false, ViewKey::Zoom100 },
            { Qt::Key_F, false, ViewKey::FitWhole }, { Qt::Key_Space, false, ViewKey::Next },
            { Qt::Key_PageDown, false, ViewKey::Next }, { Qt::Key_Backspace, false, ViewKey::Previous },
            { Qt::Key_PageUp, false, ViewKey::Previous }, { Qt::Key_F11, false, ViewKey::FullScreen },
            { Qt::Key_S, false, ViewKey::Slideshow }, { Qt::Key_Plus, true, ViewKey::None },
            { Qt::Key_S, true, ViewKey::None }, { Qt::Key_A, false, ViewKey::None } })
        EXPECT_EQ(ViewKeyFor(c.key, c.ctrl, false), c.expected) << c.key;

    struct FitCase {
        int cw, ch, pw, ph, zoom;
    };
    for (FitCase c : { FitCase { 800, 600, 400, 300, 200 }, { 800, 600, 1600, 600, 50 },
             { 800, 600, 100, 1200, 50 }, { 800, 600, 100000, 10, 10 }, { 800, 600, 2, 2, 800 },
             { 800, 600, 0, 10, 0 }, { 0, 600, 10, 10, 0 } })
        EXPECT_EQ(WholePictureZoom(c.cw, c.ch, c.pw, c.ph), c.zoom) << c.pw << "x" << c.ph;

    EXPECT_EQ(WheelZoom(100, 1), 110);
    EXPECT_EQ(WheelZoom(100, -3), 70);
    EXPECT_EQ(WheelZoom(15, -1), 10);
    EXPECT_EQ(WheelZoom(795, 2), 800);

    // The point under the pointer stays: at twice the zoom, the scroll moves by the distance
    // from the origin to the pointer.
    POINT s = ScrollForZoomAbout(POINT { 100, 50 }, POINT { 0, 0 }, 100, 200, POINT { 0, 0 });
    EXPECT_EQ(s.x, 100);
    EXPECT_EQ(s.y, 50);
    s = ScrollForZoomAbout(POINT { 100, 50 }, POINT { -30, -40 }, 100, 100, POINT { 0, 0 });
    EXPECT_EQ(s.x, 30) << "the same zoom keeps the scroll";
    EXPECT_EQ(s.y, 40);
}

TEST_F(ViewKeys, ZoomKeysAndFitWhole)
{
    CViewImage &v = OpenNew(400, 300);
    ASSERT_EQ(v.Zoom(), 100);
    Key(Qt::Key_Plus);
    EXPECT_EQ(v.Zoom(), 110);
    Key(Qt::Key_Minus);
    Key(Qt::Key_Minus);
    EXPECT_EQ(v.Zoom(), 90);
    Key(Qt::Key_1);
    EXPECT_EQ(v.Zoom(), 100);
    Key(Qt::Key_F);
    EXPECT_EQ(v.Zoom(), 200);
    Key(Qt::Key_Plus, Qt::ControlModifier); // not a viewing key with Ctrl
    EXPECT_EQ(v.Zoom(), 200);
    // The View menu's command does the same as F.
    Key(Qt::Key_1);
    EXPECT_EQ(Post(WMU_IMAGE_OPERATION, kOperationViewZoom, ID_VIEW_FIT_PICTURE), 0);
    EXPECT_EQ(v.Zoom(), 200);
}

TEST_F(ViewKeys, CtrlWheelZoomsAboutThePointerAndTheWheelAloneScrolls)
{
    CViewImage &v = OpenNew(2000, 1000);
    ASSERT_EQ(v.Zoom(), 40);
    Key(Qt::Key_1); // 100 %: the picture is larger than the pane both ways
    // From the middle of the picture, so that zooming out can keep the point too.
    v.horizontalScrollBar()->setValue(v.horizontalScrollBar()->maximum() / 2);
    v.verticalScrollBar()->setValue(v.verticalScrollBar()->maximum() / 2);
    PumpEvents();
    const QPoint at(300, 200);
    QPointF before = PicturePoint(at);
    Wheel(at, 1, Qt::ControlModifier);
    EXPECT_EQ(v.Zoom(), 110);
    QPointF after = PicturePoint(at);
    EXPECT_NEAR(after.x(), before.x(), 1.0);
    EXPECT_NEAR(after.y(), before.y(), 1.0);
    Wheel(at, -3, Qt::ControlModifier);
    EXPECT_EQ(v.Zoom(), 80);
    EXPECT_NEAR(PicturePoint(at).x(), before.x(), 1.5);
    EXPECT_NEAR(PicturePoint(at).y(), before.y(), 1.5);

    int scroll = v.verticalScrollBar()->value();
    Wheel(at, -1, Qt::NoModifier);
    EXPECT_EQ(v.Zoom(), 80);
    EXPECT_GT(v.verticalScrollBar()->value(), scroll);
}

TEST_F(ViewKeys, StepKeysGoToTheFrameAndPagesShowInTheStatusBar)
{
    PostedToFrame frameWindow;
    MakePane().Open(QStringLiteral(TARNIS_TESTDATA_DIR "/tiff/pillow/good/multipage.tiff"));
    ASSERT_EQ(pane->PageCount(), 3);
    EXPECT_TRUE(frame.texts[2].endsWith(QStringLiteral("  1/3"))) << frame.texts[2].toStdString();
    ASSERT_TRUE(pane->GotoPage(true));
    EXPECT_TRUE(frame.texts[2].endsWith(QStringLiteral("  2/3")));
    EXPECT_EQ(pane->PageText(), QStringLiteral("2/3"));

    for (int key : { Qt::Key_Space, Qt::Key_PageDown, Qt::Key_Backspace, Qt::Key_PageUp })
        Key(key);
    EXPECT_EQ(frameWindow.messages,
        (std::vector<UINT> {
            WMU_NEXT_PICTURE, WMU_NEXT_PICTURE, WMU_PREVIOUS_PICTURE, WMU_PREVIOUS_PICTURE }));

    // A single page shows no number.
    pane->Open(files.Write(QStringLiteral("one.bmp"), 20, 10));
    EXPECT_EQ(frame.texts[2], QStringLiteral("24Bit"));
}

TEST_F(ViewKeys, SlideshowStepsUntilAKey)
{
    PostedToFrame frameWindow;
    CViewImage &v = OpenNew(400, 300);
    v.StartSlideshow(10);
    EXPECT_TRUE(v.SlideshowRunning());
    QElapsedTimer clock;
    clock.start();
    while (frameWindow.messages.size() < 2 && clock.elapsed() < 10000)
        PumpEvents();
    ASSERT_GE(frameWindow.messages.size(), 2u);
    EXPECT_EQ(frameWindow.messages[0], WMU_NEXT_PICTURE);
    Key(Qt::Key_Plus); // stops the show and does nothing else
    EXPECT_FALSE(v.SlideshowRunning());
    EXPECT_EQ(v.Zoom(), 100);
}

TEST_F(ViewKeys, F11ShowsThePictureAloneAndEscapeBringsItBack)
{
    QWidget host;
    host.resize(900, 700);
    CViewImage &v = OpenNew(400, 300);
    v.setParent(&host);
    v.setGeometry(10, 10, 800, 600);
    host.show();
    PumpEvents();
    Key(Qt::Key_F11);
    EXPECT_TRUE(v.IsFullScreen());
    EXPECT_TRUE(v.isWindow());
    Key(Qt::Key_Escape);
    EXPECT_FALSE(v.IsFullScreen());
    EXPECT_EQ(v.parentWidget(), &host);
    EXPECT_EQ(v.geometry(), QRect(10, 10, 800, 600));
    v.setParent(nullptr); // the fixture owns the pane
}
