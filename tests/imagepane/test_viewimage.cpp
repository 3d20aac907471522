// The image pane opened on real files: opening zoom, centring, painting, zoom commands, status
// texts, paging, and every operation code of the posted messages.
#include "image/displayimage.h"
#include "panetestutil.h"
#include "tests/image/testpictures.h"

#include <QCoreApplication>
#include <QFile>
#include <QMouseEvent>

using namespace panetest;

namespace
{

class ViewImage : public PaneFixture
{
};

TEST_F(ViewImage, WideOpensAtFortyPercentFillingTheWidthAndNarrowAtHundredCentred)
{
    CViewImage &v = OpenNew(2000, 1000);
    EXPECT_EQ(v.Zoom(), 40);
    EXPECT_EQ(v.CentringOffset().x, 0);
    EXPECT_EQ(v.CentringOffset().y, 100); // (600 − 400) / 2
    QImage shot = Grab();
    EXPECT_EQ(Rgb(shot, 400, 50), kGrey);
    EXPECT_EQ(Rgb(shot, 400, 300), Gradient(1001, 501));
    EXPECT_EQ(Rgb(shot, 0, 100), Gradient(1, 1));

    CViewImage &narrow = OpenNew(300, 200); // in a new pane
    EXPECT_EQ(narrow.Zoom(), 100);
    EXPECT_EQ(narrow.CentringOffset().x, 250);
    EXPECT_EQ(narrow.CentringOffset().y, 200);
    shot = Grab();
    EXPECT_EQ(Rgb(shot, 249, 300), kGrey);
    EXPECT_EQ(Rgb(shot, 250, 200), Gradient(0, 0));
    EXPECT_EQ(Rgb(shot, 549, 399), Gradient(299, 199));
    EXPECT_EQ(Rgb(shot, 550, 399), kGrey);
}

TEST_F(ViewImage, ViewMenuZoomsKeepTheModeAndZoomStopsAtTenAndEightHundred)
{
    CViewImage &v = OpenNew(400, 300);
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

    for (int i = 0; i < 75; ++i)
        v.OnImageOperation(CViewImage::OpZoomIn, 0);
    EXPECT_EQ(v.Zoom(), 800);
    EXPECT_EQ(v.horizontalScrollBar()->maximum(), 3200 - v.viewport()->width());
    for (int i = 0; i < 90; ++i)
        v.OnImageOperation(CViewImage::OpZoomOut, 0);
    EXPECT_EQ(Post(WMU_IMAGE_OPERATION, CViewImage::OpZoomOut), 0);
    EXPECT_EQ(v.Zoom(), 10);
    EXPECT_EQ(v.Mode(), CViewImage::OpZoomOut);
    EXPECT_EQ(v.CentringOffset().x, 380); // 40 wide
    Post(WMU_IMAGE_OPERATION, CViewImage::OpZoom100);
    EXPECT_EQ(v.Zoom(), 100);
    EXPECT_EQ(v.CentringOffset().x, 200);
}

TEST_F(ViewImage, FitWidthThatComputesZeroIsIgnored)
{
    CViewImage &v = MakePane(30, 600);
    v.Open(files.Write("huge.bmp", 4000, 100));
    ASSERT_NE(v.Picture(), nullptr);
    EXPECT_EQ(v.Zoom(), kMinZoom); // the opening zoom (0) is raised to 10 %
    v.OnImageOperation(CViewImage::OpZoomIn, 0);
    v.Fit(1);
    EXPECT_EQ(v.Zoom(), kMinZoom + 10);
    EXPECT_EQ(Post(WMU_IMAGE_OPERATION, kOperationViewZoom, ID_VIEW_FIT_WIDTH), 0);
    EXPECT_EQ(v.Zoom(), kMinZoom + 10);
    const int expected = FitZoom(v.viewport()->height(), 100); // fit height works
    ASSERT_GT(expected, 500);
    v.Fit(2);
    EXPECT_EQ(v.Zoom(), expected);
}

TEST_F(ViewImage, StatusTextsOfTheOpenedFile)
{
    CViewImage &v = MakePane();
    const QString path = files.Write("status.bmp", 640, 480);
    v.Open(path);
    EXPECT_EQ(frame.texts[0], path);
    EXPECT_EQ(frame.texts[1], QStringLiteral("640x480"));
    EXPECT_EQ(frame.texts[2], QStringLiteral("24Bit"));
    EXPECT_EQ(frame.texts[3], QStringLiteral("900K")); // 54 + 640 × 480 × 3 bytes

    // Palette pictures report colours.
    CImageObj grey;
    ASSERT_TRUE(MakePicture(grey, 16, 8, Gradient) && grey.Grey());
    const QString greyPath = files.Path("grey.bmp");
    ASSERT_TRUE(grey.Save(greyPath.toStdString()));
    v.Open(greyPath);
    EXPECT_EQ(frame.texts[2], QStringLiteral("256Color"));
    EXPECT_EQ(frame.texts[1], QStringLiteral("16x8"));

    // The mouse position in picture pixels: 16 × 8 at 100 % sits at (392, 296).
    QMouseEvent move(QEvent::MouseMove, QPointF(400, 300), v.viewport()->mapToGlobal(QPointF(400, 300)),
        Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(v.viewport(), &move);
    EXPECT_EQ(frame.texts[4], QStringLiteral("(8,4)"));
}

// A cut file is shown with what it holds and the path says the file is damaged; the other
// texts are as for any picture, and a whole file drops the notice again.
TEST_F(ViewImage, DamagedFileIsShownAndNamedSo)
{
    CViewImage &v = MakePane();
    const QString whole = files.Write("whole.bmp", 64, 40);
    const QString cut = files.Path("cut.bmp");
    ASSERT_TRUE(QFile::copy(whole, cut));
    ASSERT_TRUE(QFile::resize(cut, 54 + 64 * 3 * 25));
    v.Open(cut);
    ASSERT_NE(v.Picture(), nullptr);
    EXPECT_TRUE(v.Picture()->IsDamaged());
    EXPECT_EQ(frame.texts[0], cut + QStringLiteral(" (damaged file)"));
    EXPECT_EQ(frame.texts[1], QStringLiteral("64x40"));
    EXPECT_EQ(frame.texts[2], QStringLiteral("24Bit"));
    v.Open(whole);
    EXPECT_FALSE(v.Picture()->IsDamaged());
    EXPECT_EQ(frame.texts[0], whole);
}

TEST_F(ViewImage, FailedOpenLeavesOnlyTheBackground)
{
    CViewImage &v = OpenNew(300, 200);
    const QString broken = files.Path("broken.bmp");
    {
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("BM this is not a bitmap");
    }
    v.Open(broken);
    EXPECT_EQ(v.Picture(), nullptr);
    EXPECT_EQ(v.PageCount(), 0);
    EXPECT_EQ(frame.texts[0], files.Path("picture.bmp")); // the status texts stay
    const QImage shot = Grab();
    for (int y = 0; y < shot.height(); y += 7)
        for (int x = 0; x < shot.width(); x += 7)
            ASSERT_EQ(Rgb(shot, x, y), kGrey) << x << ", " << y;
    // Commands now find no picture.
    EXPECT_EQ(Post(WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR), -1);
    EXPECT_EQ(Post(WMU_EFFECT_COMMAND, ID_EFFECT_BRIGHT), -1);
    v.Open(files.Path("missing.bmp"));
    EXPECT_EQ(v.Picture(), nullptr);
    EXPECT_FALSE(v.Save(files.Path("out.bmp")));
}

TEST_F(ViewImage, PagesOfAMultiPageFile)
{
    CViewImage &v = MakePane();
    v.Open(QStringLiteral(TARNIS_TESTDATA_DIR "/tiff/pillow/good/multipage.tiff"));
    ASSERT_EQ(v.PageCount(), 3);
    // Previous on the first page fails, so the frame falls back to the previous file.
    EXPECT_FALSE(v.GotoPage(false));
    EXPECT_EQ(v.Picture()->CurrentPage(), 0);
    EXPECT_TRUE(v.GotoPage(true));
    EXPECT_TRUE(v.GotoPage(true));
    EXPECT_FALSE(v.GotoPage(true));
    EXPECT_EQ(v.Picture()->CurrentPage(), 2);
    EXPECT_TRUE(v.GotoPage(false));
    EXPECT_EQ(v.Picture()->CurrentPage(), 1);
    const ZoomView view = v.DisplayView();
    EXPECT_NE(
        Rgb(Grab(), view.origin.x + view.zoomedWidth / 2, view.origin.y + view.zoomedHeight / 2), kGrey);
}

TEST_F(ViewImage, SaveWritesThePictureAsEditedAndPreviewCopyFitsTheBox)
{
    CViewImage &v = MakePane();
    CImageObj copy;
    EXPECT_FALSE(v.PreviewCopy(copy, 100, 100));
    const QString path = files.Write("save.bmp", 50, 40);
    v.Open(path);
    Post(WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR);
    ASSERT_TRUE(v.Save(files.Path("copy.bmp")));
    ASSERT_TRUE(copy.Load(files.Path("copy.bmp").toStdString()));
    EXPECT_EQ(PixelAt(copy, 0, 0), Gradient(49, 0));
    // After Save As the copy is the picture's file: Save writes it, the first file stays.
    Post(WMU_TOOLS_COMMAND, ID_TOOLS_FLIP);
    ASSERT_TRUE(v.Save(QString()));
    ASSERT_TRUE(copy.Load(files.Path("copy.bmp").toStdString()));
    EXPECT_EQ(PixelAt(copy, 0, 3), Gradient(49, 36));
    ASSERT_TRUE(copy.Load(path.toStdString()));
    EXPECT_EQ(PixelAt(copy, 0, 3), Gradient(0, 3));
    ASSERT_TRUE(v.PreviewCopy(copy, 20, 20));
    EXPECT_EQ(copy.Width(), 20);
    EXPECT_EQ(copy.Height(), 16);
    EXPECT_EQ(v.Picture()->Width(), 50);
}

// Each edit code does to the pane's picture exactly what its edit does to a copy, and the pane
// shows the result centred. Code 8 removes the black edge like code 18.
TEST_F(ViewImage, EachEditCodeDoesItsEditAndShowsIt)
{
    using Edit = std::function<bool(CImageObj &)>;
    const Edit left = [](CImageObj &p) { return p.Rotate(-90); },
               right = [](CImageObj &p) { return p.Rotate(90); };
    const Edit bright = [](CImageObj &p) { return p.ColorTable(5); },
               dark = [](CImageObj &p) { return p.ColorTable(-5); };
    const Edit negative = [](CImageObj &p) { return p.Negative(); },
               edge = [](CImageObj &p) { return p.RemoveBlackEdge(); };
    const struct {
        UINT message;
        WPARAM code;
        Edit edit;
    } cases[] = { { WMU_IMAGE_OPERATION, CViewImage::OpRotateLeft, left },
        { WMU_IMAGE_OPERATION, CViewImage::OpRotateRight, right },
        { WMU_TOOLS_COMMAND, ID_TOOLS_ROTATE_LEFT, left },
        { WMU_TOOLS_COMMAND, ID_TOOLS_ROTATE_RIGHT, right },
        { WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR, [](CImageObj &p) { return p.MirrorFlip(0); } },
        { WMU_TOOLS_COMMAND, ID_TOOLS_FLIP, [](CImageObj &p) { return p.MirrorFlip(1); } },
        { WMU_IMAGE_OPERATION, CViewImage::OpBrightness, bright },
        { WMU_EFFECT_COMMAND, ID_EFFECT_BRIGHT, bright },
        { WMU_IMAGE_OPERATION, CViewImage::OpDarkness, dark }, { WMU_EFFECT_COMMAND, ID_EFFECT_DARK, dark },
        { WMU_IMAGE_OPERATION, CViewImage::OpNegative, negative },
        { WMU_EFFECT_COMMAND, ID_EFFECT_NEGATIVE, negative },
        { WMU_EFFECT_COMMAND, ID_EFFECT_GRAY, [](CImageObj &p) { return p.Grey(); } },
        { WMU_EFFECT_COMMAND, ID_EFFECT_BLACK_WHITE, [](CImageObj &p) { return p.BlackWhite(128); } },
        { WMU_IMAGE_OPERATION, CViewImage::OpRemoveBlackEdge, edge },
        { WMU_IMAGE_OPERATION, CViewImage::OpRemoveBlackEdgeDirect, edge } };
    // Black columns at the left for the edge; the rest light and different everywhere.
    CViewImage &v
        = OpenNew(60, 40, [](int x, int y) { return x < 6 ? 0u : Gradient(3 * x, 5 * y) | 0x808080u; });
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        v.Open(files.Path("picture.bmp"));
        CImageObj expected;
        ASSERT_TRUE(expected.Load(files.Path("picture.bmp").toStdString()) && c.edit(expected));
        EXPECT_EQ(Post(c.message, c.code), 0);
        EXPECT_EQ(testpic::Snapshot(*v.Picture()), testpic::Snapshot(expected));
        EXPECT_EQ(v.CentringOffset().x, (800 - expected.Width()) / 2);
        const QImage shown = MakeDisplayImage(expected.Info(), expected.Bits());
        EXPECT_EQ(Rgb(Grab(), v.Origin().x, v.Origin().y), shown.pixel(0, 0) & 0xFFFFFFu);
    }
    EXPECT_EQ(Post(WMU_EFFECT_COMMAND, 12345), 0); // unknown ids are ignored
}

TEST_F(ViewImage, RotateFreeAsksTheDialogAndResetRereadsTheFile)
{
    CViewImage &v = OpenNew(300, 100);
    answers.rotateOk = false; // Cancel changes nothing
    Post(WMU_IMAGE_OPERATION, CViewImage::OpRotateFree);
    EXPECT_EQ(answers.rotateCalls, 1);
    EXPECT_EQ(v.Picture()->Width(), 300);
    EXPECT_EQ(v.Mode(), CViewImage::OpRotateFree);
    answers.rotateOk = true;
    EXPECT_EQ(Post(WMU_TOOLS_COMMAND, ID_TOOLS_ROTATE_FREE), 0);
    EXPECT_EQ(answers.rotateCalls, 2);
    EXPECT_GT(v.Picture()->Width(), 300);
    EXPECT_GT(v.Picture()->Height(), 100);

    // Reset reads the file again at 100 %; when the file is gone the edits stay.
    Post(WMU_EFFECT_COMMAND, ID_EFFECT_GRAY);
    v.OnImageOperation(CViewImage::OpZoomIn, 0);
    EXPECT_EQ(Post(WMU_EFFECT_COMMAND, ID_EFFECT_RESET), 0);
    EXPECT_EQ(v.Picture()->BitCount(), 24);
    EXPECT_EQ(PixelAt(*v.Picture(), 3, 3), Gradient(3, 3));
    EXPECT_EQ(v.Zoom(), 100);
    Post(WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR);
    ASSERT_TRUE(QFile::remove(files.Path("picture.bmp")));
    EXPECT_EQ(Post(WMU_EFFECT_COMMAND, ID_EFFECT_RESET), 0);
    ASSERT_NE(v.Picture(), nullptr);
    EXPECT_EQ(PixelAt(*v.Picture(), 0, 3), Gradient(299, 3));
}

TEST_F(ViewImage, ImageSizeAsksTheDialogOrSaysThereIsNoPicture)
{
    CViewImage &v = MakePane();
    Post(WMU_IMAGE_OPERATION, CViewImage::OpImageSize);
    EXPECT_EQ(Post(WMU_TOOLS_COMMAND, ID_TOOLS_IMAGE_SIZE), -1);
    ASSERT_EQ(answers.messages.size(), 1u);
    EXPECT_EQ(answers.messages[0], QStringLiteral("你没有可设置的图像，请选择后再使用该功能！"));
    EXPECT_EQ(answers.imageSizeCalls, 0);

    v.Open(files.Write("size.bmp", 200, 100));
    answers.imageWidth = 50;
    answers.imageHeight = 30;
    Post(WMU_IMAGE_OPERATION, CViewImage::OpImageSize);
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
    auto *v = new CViewImage(&parent); // owned by the parent
    v->SetDialogs(answers.Dialogs());
    v->resize(400, 300);
    parent.show();
    PumpEvents();
    for (Qt::Key key : { Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter })
        QTest::keyClick(v, key);
    EXPECT_TRUE(parent.keys.empty());
    for (int mode : { 1, 2, 3, 0 }) { // F1 steps the mode round; the tool does not follow
        QTest::keyClick(v, Qt::Key_F1);
        EXPECT_EQ(v->Mode(), mode);
        EXPECT_EQ(v->Tool(), 0);
    }
    EXPECT_EQ(parent.keys, std::vector<int>(4, Qt::Key_F1));
    // Delete goes on outside the selection modes and is swallowed inside them.
    v->OnImageOperation(CViewImage::OpNegative, 0);
    QTest::keyClick(v, Qt::Key_Delete);
    EXPECT_EQ(parent.keys.back(), Qt::Key_Delete);
    v->OnImageOperation(CViewImage::OpSelect, 0);
    const std::size_t before = parent.keys.size();
    QTest::keyClick(v, Qt::Key_Delete);
    EXPECT_EQ(parent.keys.size(), before);
}

} // namespace
