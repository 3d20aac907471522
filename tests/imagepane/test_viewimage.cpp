// The image pane opened on real files: opening zoom, centring, painting, zoom commands, status
// texts, paging, and every operation code of the posted messages.
#include "panetestutil.h"
#include "res/resource.h"

#include <QCoreApplication>
#include <QFile>
#include <QMouseEvent>
#include <QTest>

using namespace panetest;

namespace
{

class ViewImage : public PaneFixture
{
};

TEST_F(ViewImage, StartsEmptyOnGreyWithTheWorkerRunning)
{
    CViewImage &v = MakePane();
    EXPECT_EQ(v.Zoom(), kInitialZoom);
    EXPECT_EQ(v.Mode(), 0);
    EXPECT_EQ(v.Tool(), 0);
    EXPECT_EQ(v.Picture(), nullptr);
    EXPECT_EQ(v.PageCount(), 0);
    EXPECT_TRUE(v.Selection().WorkerRunning());
    const QImage shot = Grab();
    EXPECT_EQ(ClientPixel(shot, 0, 0), kGrey);
    EXPECT_EQ(ClientPixel(shot, 799, 599), kGrey);
}

TEST_F(ViewImage, WideOpensAtFortyPercentFillingTheWidth)
{
    CViewImage &v = MakePane(800, 600);
    v.Open(files.Write("wide.bmp", 2000, 1000));
    ASSERT_NE(v.Picture(), nullptr);
    EXPECT_EQ(v.Zoom(), 40);
    EXPECT_EQ(v.CentringOffset().x, 0);
    EXPECT_EQ(v.CentringOffset().y, 100); // (600 − 400) / 2
    EXPECT_EQ(v.horizontalScrollBar()->maximum(), 0);
    const QImage shot = Grab();
    EXPECT_EQ(ClientPixel(shot, 400, 50), kGrey);
    // Client (400, 300) shows picture pixel (1001, 501).
    EXPECT_EQ(ClientPixel(shot, 400, 300), Gradient(1001, 501));
    EXPECT_EQ(ClientPixel(shot, 0, 100), Gradient(1, 1));
}

TEST_F(ViewImage, NarrowOpensAtHundredPercentCentred)
{
    CViewImage &v = MakePane(800, 600);
    v.Open(files.Write("narrow.bmp", 300, 200));
    EXPECT_EQ(v.Zoom(), 100);
    EXPECT_EQ(v.CentringOffset().x, 250);
    EXPECT_EQ(v.CentringOffset().y, 200);
    const QImage shot = Grab();
    EXPECT_EQ(ClientPixel(shot, 249, 300), kGrey);
    EXPECT_EQ(ClientPixel(shot, 250, 200), Gradient(0, 0));
    EXPECT_EQ(ClientPixel(shot, 549, 399), Gradient(299, 199));
    EXPECT_EQ(ClientPixel(shot, 550, 399), kGrey);
    EXPECT_EQ(ClientPixel(shot, 400, 400), kGrey);
}

TEST_F(ViewImage, ZoomStopsAtTenAndEightHundred)
{
    CViewImage &v = MakePane(800, 600);
    v.Open(files.Write("p.bmp", 300, 200));
    for (int i = 0; i < 75; ++i)
        v.OnImageOperation(CViewImage::OpZoomIn, 0);
    EXPECT_EQ(v.Zoom(), 800);
    EXPECT_EQ(v.horizontalScrollBar()->maximum(), 2400 - v.viewport()->width());
    for (int i = 0; i < 90; ++i)
        v.OnImageOperation(CViewImage::OpZoomOut, 0);
    EXPECT_EQ(v.Zoom(), 10);
    EXPECT_EQ(Post(WMU_IMAGE_OPERATION, CViewImage::OpZoomOut), 0);
    EXPECT_EQ(v.Zoom(), 10);
    EXPECT_EQ(v.Mode(), CViewImage::OpZoomOut);
    // 100 % keeps the centring: at 10 % the picture (30 × 20) sat at (385, 290).
    EXPECT_EQ(v.CentringOffset().x, 385);
    Post(WMU_IMAGE_OPERATION, CViewImage::OpZoom100);
    EXPECT_EQ(v.Zoom(), 100);
    EXPECT_EQ(v.CentringOffset().x, 250);
}

TEST_F(ViewImage, FitWidthThatComputesZeroIsIgnored)
{
    CViewImage &v = MakePane(30, 600);
    v.Open(files.Write("huge.bmp", 4000, 100));
    ASSERT_NE(v.Picture(), nullptr);
    EXPECT_EQ(v.Zoom(), kInitialZoom); // the opening zoom (0) was ignored as well
    v.OnImageOperation(CViewImage::OpZoomOut, 0);
    EXPECT_EQ(v.Zoom(), kInitialZoom - 10);
    v.Fit(1);
    EXPECT_EQ(v.Zoom(), kInitialZoom - 10);
    EXPECT_EQ(Post(WMU_IMAGE_OPERATION, kOperationViewZoom, ID_VIEW_FIT_WIDTH), 0);
    EXPECT_EQ(v.Zoom(), kInitialZoom - 10);
    // Fit height works: the client height over 100 rows.
    const int expected = FitZoom(v.viewport()->height(), 100);
    ASSERT_GT(expected, 500);
    v.Fit(2);
    EXPECT_EQ(v.Zoom(), expected);
}

TEST_F(ViewImage, ViewMenuZoomsResetTheCentringAndLeaveTheMode)
{
    CViewImage &v = MakePane(800, 600);
    v.Open(files.Write("p.bmp", 400, 300));
    Post(WMU_IMAGE_OPERATION, CViewImage::OpRectangle);
    const int percents[] = { 300, 200, 150, 100, 75, 50, 25 };
    for (UINT id = ID_VIEW_ZOOM_300; id <= ID_VIEW_ZOOM_25; ++id) {
        EXPECT_EQ(Post(WMU_IMAGE_OPERATION, kOperationViewZoom, id), 0);
        EXPECT_EQ(v.Zoom(), percents[id - ID_VIEW_ZOOM_300]);
    }
    EXPECT_EQ(v.Mode(), CViewImage::OpRectangle);
    EXPECT_EQ(v.CentringOffset().x, (800 - 100) / 2);
    Post(WMU_IMAGE_OPERATION, kOperationViewZoom, ID_VIEW_FIT_HEIGHT);
    EXPECT_EQ(v.Zoom(), 200);
    Post(WMU_IMAGE_OPERATION, kOperationViewZoom, ID_VIEW_FIT_WIDTH);
    EXPECT_EQ(v.Zoom(), 200); // 800 / 400
}

TEST_F(ViewImage, ScrollingMovesThePictureUnderTheClient)
{
    CViewImage &v = MakePane(800, 600);
    v.Open(files.Write("big.bmp", 2000, 1500));
    v.OnImageOperation(CViewImage::OpZoom100, 0);
    ASSERT_GT(v.horizontalScrollBar()->maximum(), 500);
    v.horizontalScrollBar()->setValue(500);
    v.verticalScrollBar()->setValue(300);
    PumpEvents();
    EXPECT_EQ(v.Origin().x, -500);
    EXPECT_EQ(v.Origin().y, -300);
    const QImage shot = Grab();
    EXPECT_EQ(ClientPixel(shot, 0, 0), Gradient(500, 300));
    EXPECT_EQ(ClientPixel(shot, 123, 45), Gradient(623, 345));
}

TEST_F(ViewImage, StatusTextsOfTheOpenedFile)
{
    CViewImage &v = MakePane();
    const QString path = files.Write("status.bmp", 640, 480);
    v.Open(path);
    EXPECT_EQ(frame.texts[0], path);
    EXPECT_EQ(frame.texts[1], QStringLiteral("640x480"));
    EXPECT_EQ(frame.texts[2], QStringLiteral("24Bit"));
    EXPECT_EQ(frame.texts[3], QString::asprintf("%dK", int(QFile(path).size() / 1024)));
    EXPECT_EQ(frame.texts[3], QStringLiteral("900K")); // 54 + 640 × 480 × 3 bytes

    // Palette pictures report colours.
    CImageObj grey;
    ASSERT_TRUE(MakePicture(grey, 16, 8, Gradient));
    ASSERT_TRUE(grey.Grey());
    const QString greyPath = files.Path("grey.bmp");
    ASSERT_TRUE(grey.Save(greyPath.toStdString()));
    v.Open(greyPath);
    EXPECT_EQ(frame.texts[2], QStringLiteral("256Color"));
    ASSERT_TRUE(grey.BlackWhite(128));
    ASSERT_TRUE(grey.Save(greyPath.toStdString()));
    v.Open(greyPath);
    EXPECT_EQ(frame.texts[2], QStringLiteral("2Color"));
    EXPECT_EQ(frame.texts[1], QStringLiteral("16x8"));

    // The mouse position in picture pixels: 16 × 8 at 100 % sits at (392, 296).
    QMouseEvent move(QEvent::MouseMove, QPointF(400, 300), v.viewport()->mapToGlobal(QPointF(400, 300)),
        Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(v.viewport(), &move);
    EXPECT_EQ(frame.texts[4], QStringLiteral("(8,4)"));
}

TEST_F(ViewImage, FailedOpenLeavesOnlyTheBackground)
{
    CViewImage &v = MakePane();
    const QString good = files.Write("good.bmp", 300, 200);
    v.Open(good);
    ASSERT_NE(v.Picture(), nullptr);
    const QString broken = files.Path("broken.bmp");
    {
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("BM this is not a bitmap");
    }
    v.Open(broken);
    EXPECT_EQ(v.Picture(), nullptr);
    EXPECT_EQ(v.PageCount(), 0);
    EXPECT_EQ(frame.texts[0], good); // the status texts stay
    const QImage shot = Grab();
    for (int y = 0; y < shot.height(); y += 7)
        for (int x = 0; x < shot.width(); x += 7)
            ASSERT_EQ(ClientPixel(shot, x, y), kGrey) << x << ", " << y;
    // Commands now find no picture.
    EXPECT_EQ(Post(WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR), -1);
    EXPECT_EQ(Post(WMU_EFFECT_COMMAND, ID_EFFECT_BRIGHT), -1);
    v.Open(QString()); // nothing
    v.Open(files.Path("missing.bmp"));
    EXPECT_EQ(v.Picture(), nullptr);
    EXPECT_FALSE(v.Save(files.Path("out.bmp")));
}

TEST_F(ViewImage, PagesOfAMultiPageFile)
{
    CViewImage &v = MakePane();
    v.Open(QStringLiteral(TARNIS_TESTDATA_DIR "/tiff/pillow/good/multipage.tiff"));
    ASSERT_NE(v.Picture(), nullptr);
    ASSERT_EQ(v.PageCount(), 3);
    // Previous on the first page fails, so the frame falls back to the previous file.
    EXPECT_FALSE(v.GotoPage(false));
    EXPECT_EQ(v.Picture()->CurrentPage(), 0);
    EXPECT_TRUE(v.GotoPage(true));
    EXPECT_EQ(v.Picture()->CurrentPage(), 1);
    EXPECT_TRUE(v.GotoPage(true));
    EXPECT_FALSE(v.GotoPage(true));
    EXPECT_EQ(v.Picture()->CurrentPage(), 2);
    EXPECT_TRUE(v.GotoPage(false));
    EXPECT_EQ(v.Picture()->CurrentPage(), 1);
    const QImage shot = Grab();
    const ZoomView view = v.DisplayView();
    EXPECT_NE(ClientPixel(shot, view.origin.x + view.zoomedWidth / 2, view.origin.y + view.zoomedHeight / 2),
        kGrey);
}

TEST_F(ViewImage, SaveWritesThePictureAsEdited)
{
    CViewImage &v = MakePane();
    const QString path = files.Write("save.bmp", 50, 40);
    v.Open(path);
    Post(WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR);
    const QString copy = files.Path("copy.bmp");
    ASSERT_TRUE(v.Save(copy));
    CImageObj saved;
    ASSERT_TRUE(saved.Load(copy.toStdString()));
    EXPECT_EQ(PixelAt(saved, 0, 0), Gradient(49, 0));
    ASSERT_TRUE(v.Save(QString())); // its own file
    ASSERT_TRUE(saved.Load(path.toStdString()));
    EXPECT_EQ(PixelAt(saved, 0, 3), Gradient(49, 3));
}

TEST_F(ViewImage, PreviewCopyFitsTheBox)
{
    CViewImage &v = MakePane();
    CImageObj preview;
    EXPECT_FALSE(v.PreviewCopy(preview, 100, 100));
    v.Open(files.Write("p.bmp", 400, 200));
    ASSERT_TRUE(v.PreviewCopy(preview, 100, 100));
    EXPECT_EQ(preview.Width(), 100);
    EXPECT_EQ(preview.Height(), 50);
    EXPECT_EQ(v.Picture()->Width(), 400);
}

// --- operation codes ---

TEST_F(ViewImage, SelectionToolCodesSetToolAndMode)
{
    CViewImage &v = MakePane();
    const int tools[] = { 0, kShapeRect, kShapeEllipse, kShapePolygon };
    for (int code = 0; code <= 3; ++code) {
        EXPECT_EQ(Post(WMU_IMAGE_OPERATION, WPARAM(code)), 0);
        EXPECT_EQ(v.Mode(), code);
        EXPECT_EQ(v.Tool(), tools[code]);
    }
    Post(WMU_IMAGE_OPERATION, 4);
    EXPECT_EQ(v.Mode(), 4);
    EXPECT_EQ(v.Tool(), kShapePolygon);
}

TEST_F(ViewImage, RotationsTurnThePicture)
{
    CViewImage &v = MakePane();
    v.Open(files.Write("r.bmp", 300, 100));
    Post(WMU_IMAGE_OPERATION, CViewImage::OpRotateLeft);
    EXPECT_EQ(v.Picture()->Width(), 100);
    EXPECT_EQ(v.Picture()->Height(), 300);
    EXPECT_EQ(v.CentringOffset().x, (800 - 100) / 2);
    Post(WMU_IMAGE_OPERATION, CViewImage::OpRotateRight);
    EXPECT_EQ(v.Picture()->Width(), 300);
    EXPECT_EQ(PixelAt(*v.Picture(), 10, 20), Gradient(10, 20));

    // Rotate Free asks the dialog; Cancel changes nothing.
    answers.rotateOk = false;
    Post(WMU_IMAGE_OPERATION, CViewImage::OpRotateFree);
    EXPECT_EQ(answers.rotateCalls, 1);
    EXPECT_EQ(v.Picture()->Width(), 300);
    EXPECT_EQ(v.Mode(), CViewImage::OpRotateFree);
    answers.rotateOk = true;
    answers.angle = 30;
    Post(WMU_IMAGE_OPERATION, CViewImage::OpRotateFree);
    EXPECT_EQ(answers.rotateCalls, 2);
    EXPECT_GT(v.Picture()->Width(), 300);
    EXPECT_GT(v.Picture()->Height(), 100);

    // Tools menu.
    v.Open(files.Write("t.bmp", 300, 100));
    EXPECT_EQ(Post(WMU_TOOLS_COMMAND, ID_TOOLS_ROTATE_RIGHT), 0);
    EXPECT_EQ(v.Picture()->Width(), 100);
    EXPECT_EQ(Post(WMU_TOOLS_COMMAND, ID_TOOLS_ROTATE_LEFT), 0);
    EXPECT_EQ(v.Picture()->Width(), 300);
    EXPECT_EQ(Post(WMU_TOOLS_COMMAND, ID_TOOLS_ROTATE_FREE), 0);
    EXPECT_EQ(answers.rotateCalls, 3);
}

TEST_F(ViewImage, MirrorAndFlip)
{
    CViewImage &v = MakePane();
    v.Open(files.Write("m.bmp", 60, 40));
    EXPECT_EQ(Post(WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR), 0);
    EXPECT_EQ(PixelAt(*v.Picture(), 0, 5), Gradient(59, 5));
    EXPECT_EQ(Post(WMU_TOOLS_COMMAND, ID_TOOLS_FLIP), 0);
    EXPECT_EQ(PixelAt(*v.Picture(), 0, 0), Gradient(59, 39));
    // The pane shows the edited picture.
    const ZoomView view = v.DisplayView();
    EXPECT_EQ(ClientPixel(Grab(), view.origin.x, view.origin.y), Gradient(59, 39));
}

TEST_F(ViewImage, ToneCodesAndEffects)
{
    CViewImage &v = MakePane();
    const auto colour = [](int, int) -> std::uint32_t { return 0x406080; };
    v.Open(files.Write("tone.bmp", 20, 10, colour));
    Post(WMU_IMAGE_OPERATION, CViewImage::OpBrightness);
    EXPECT_EQ(PixelAt(*v.Picture(), 3, 3), 0x456585u);
    Post(WMU_IMAGE_OPERATION, CViewImage::OpDarkness);
    Post(WMU_IMAGE_OPERATION, CViewImage::OpDarkness);
    EXPECT_EQ(PixelAt(*v.Picture(), 3, 3), 0x3B5B7Bu);
    Post(WMU_IMAGE_OPERATION, CViewImage::OpNegative);
    EXPECT_EQ(PixelAt(*v.Picture(), 3, 3), 0xC4A484u);
    EXPECT_EQ(Post(WMU_EFFECT_COMMAND, ID_EFFECT_NEGATIVE), 0);
    EXPECT_EQ(PixelAt(*v.Picture(), 3, 3), 0x3B5B7Bu);
    EXPECT_EQ(Post(WMU_EFFECT_COMMAND, ID_EFFECT_BRIGHT), 0);
    EXPECT_EQ(PixelAt(*v.Picture(), 3, 3), 0x406080u);
    EXPECT_EQ(Post(WMU_EFFECT_COMMAND, ID_EFFECT_DARK), 0);
    EXPECT_EQ(PixelAt(*v.Picture(), 3, 3), 0x3B5B7Bu);
    EXPECT_EQ(ClientPixel(Grab(), 400, 300), 0x3B5B7Bu); // shown as edited

    EXPECT_EQ(Post(WMU_EFFECT_COMMAND, ID_EFFECT_GRAY), 0);
    EXPECT_EQ(v.Picture()->BitCount(), 8);
    EXPECT_EQ(Post(WMU_EFFECT_COMMAND, ID_EFFECT_BLACK_WHITE), 0);
    EXPECT_EQ(v.Picture()->BitCount(), 1);
    EXPECT_EQ(ClientPixel(Grab(), 400, 300), 0x000000u); // grey 84 is below 128

    // Reset reads the file again at 100 %.
    v.OnImageOperation(CViewImage::OpZoomIn, 0);
    EXPECT_EQ(Post(WMU_EFFECT_COMMAND, ID_EFFECT_RESET), 0);
    EXPECT_EQ(v.Picture()->BitCount(), 24);
    EXPECT_EQ(PixelAt(*v.Picture(), 3, 3), 0x406080u);
    EXPECT_EQ(v.Zoom(), 100);
    EXPECT_EQ(Post(WMU_EFFECT_COMMAND, 12345), 0);
}

TEST_F(ViewImage, ResetKeepsTheEditsWhenTheFileIsGone)
{
    CViewImage &v = MakePane();
    const QString path = files.Write("gone.bmp", 20, 10);
    v.Open(path);
    Post(WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR);
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(Post(WMU_EFFECT_COMMAND, ID_EFFECT_RESET), 0);
    ASSERT_NE(v.Picture(), nullptr);
    EXPECT_EQ(PixelAt(*v.Picture(), 0, 0), Gradient(19, 0));
}

TEST_F(ViewImage, RemoveBlackEdgeByTheToolbarCode)
{
    CViewImage &v = MakePane();
    // A picture with 10 black columns at each side.
    const auto framed = [](int x, int) -> std::uint32_t { return (x < 10 || x >= 90) ? 0 : 0xA0B0C0; };
    v.Open(files.Write("edge.bmp", 100, 50, framed));
    Post(WMU_IMAGE_OPERATION, CViewImage::OpRemoveBlackEdge);
    EXPECT_EQ(v.Mode(), CViewImage::OpRemoveBlackEdge);
    EXPECT_EQ(v.Picture()->Width(), 80);
    EXPECT_EQ(PixelAt(*v.Picture(), 0, 0), 0xA0B0C0u);
    EXPECT_EQ(v.CentringOffset().x, (800 - 80) / 2);
    v.Open(files.Path("edge.bmp"));
    Post(WMU_IMAGE_OPERATION, CViewImage::OpRemoveBlackEdgeDirect);
    EXPECT_EQ(v.Picture()->Width(), 80);
}

TEST_F(ViewImage, ImageSizeAsksTheDialogOrSaysThereIsNoPicture)
{
    CViewImage &v = MakePane();
    Post(WMU_IMAGE_OPERATION, CViewImage::OpImageSize);
    ASSERT_EQ(answers.messages.size(), 1u);
    EXPECT_EQ(answers.messages[0], QStringLiteral("你没有可设置的图像，请选择后再使用该功能！"));
    EXPECT_EQ(answers.imageSizeCalls, 0);
    EXPECT_EQ(Post(WMU_TOOLS_COMMAND, ID_TOOLS_IMAGE_SIZE), -1);
    EXPECT_EQ(answers.messages.size(), 1u);

    v.Open(files.Write("size.bmp", 200, 100));
    answers.imageWidth = 50;
    answers.imageHeight = 30;
    Post(WMU_IMAGE_OPERATION, CViewImage::OpImageSize);
    EXPECT_EQ(answers.imageSizeCalls, 1);
    EXPECT_EQ(v.Picture()->Width(), 50);
    EXPECT_EQ(v.Picture()->Height(), 30);
    answers.imageSizeOk = false;
    answers.imageWidth = 10;
    EXPECT_EQ(Post(WMU_TOOLS_COMMAND, ID_TOOLS_IMAGE_SIZE), 0);
    EXPECT_EQ(answers.imageSizeCalls, 2);
    EXPECT_EQ(v.Picture()->Width(), 50);
}

TEST_F(ViewImage, KeyboardRules)
{
    // A parent sees what the pane passes on.
    struct Parent : QWidget {
        std::vector<int> keys;
        void keyPressEvent(QKeyEvent *e) override { keys.push_back(e->key()); }
    } parent;
    parent.resize(400, 300);
    auto *v = new CViewImage(&parent); // owned by the parent
    v->SetDialogs(DialogsFor(answers));
    v->resize(400, 300);
    parent.show();
    PumpEvents();
    QTest::keyClick(v, Qt::Key_Escape);
    QTest::keyClick(v, Qt::Key_Return);
    QTest::keyClick(v, Qt::Key_Enter);
    EXPECT_TRUE(parent.keys.empty());
    QTest::keyClick(v, Qt::Key_F1);
    EXPECT_EQ(v->Mode(), 1);
    EXPECT_EQ(v->Tool(), 0); // the tool does not follow
    EXPECT_EQ(parent.keys, std::vector<int> { Qt::Key_F1 });
    QTest::keyClick(v, Qt::Key_F1);
    QTest::keyClick(v, Qt::Key_F1);
    EXPECT_EQ(v->Mode(), 3);
    QTest::keyClick(v, Qt::Key_F1);
    EXPECT_EQ(v->Mode(), 0);
    QTest::keyClick(v, Qt::Key_A);
    EXPECT_EQ(parent.keys.back(), Qt::Key_A);
    // Delete outside the selection modes goes on as well.
    v->OnImageOperation(CViewImage::OpNegative, 0);
    QTest::keyClick(v, Qt::Key_Delete);
    EXPECT_EQ(parent.keys.back(), Qt::Key_Delete);
    v->OnImageOperation(CViewImage::OpSelect, 0);
    const std::size_t before = parent.keys.size();
    QTest::keyClick(v, Qt::Key_Delete);
    EXPECT_EQ(parent.keys.size(), before);
}

} // namespace
