#include "frame/toolbarex.h"
#include "frame/toolbarimages.h"
#include "res/resource.h"
#include "tests/common/qtapp.h"

#include <QAction>
#include <QHoverEvent>
#include <QMainWindow>
#include <QToolButton>
#include <gtest/gtest.h>

namespace
{

constexpr QRgb kKey = 0xFFFF00FF;

QImage Strip(int width, int height)
{
    QImage strip(width, height, QImage::Format_RGB32);
    strip.fill(kKey);
    return strip;
}

TEST(ToolBarImagesTest, HotAndDisabledPixelRules)
{
    QImage strip = Strip(6, 4);
    strip.setPixel(1, 1, qRgb(10, 150, 250));
    const ToolBarImageLists lists = BuildToolBarImageLists(strip);
    EXPECT_EQ(lists.normal.pixel(1, 1), qRgb(10, 150, 250));
    EXPECT_EQ(lists.hot.pixel(1, 1), qRgb(25, 205, 255));
    EXPECT_EQ(lists.disabled.pixel(1, 1), qRgb(112, 112, 112));
    // The near-white copy one pixel right and down shows where no grey pixel lies.
    EXPECT_EQ(lists.disabled.pixel(2, 2), qRgb(250, 250, 250));
    // Transparent pixels are left out of every list.
    for (const QImage *list : { &lists.normal, &lists.hot, &lists.disabled }) {
        EXPECT_EQ(qAlpha(list->pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(list->pixel(2, 1)), 0);
        EXPECT_EQ(qAlpha(list->pixel(5, 3)), 0);
    }
    EXPECT_EQ(qAlpha(lists.hot.pixel(2, 2)), 0);
}

TEST(ToolBarImagesTest, GreyCopyCoversTheShiftedCopy)
{
    QImage strip = Strip(4, 4);
    strip.setPixel(1, 1, qRgb(0, 0, 0));
    strip.setPixel(2, 2, qRgb(255, 255, 255));
    strip.setPixel(3, 3, qRgb(100, 100, 100)); // its shadow falls outside the strip
    const ToolBarImageLists lists = BuildToolBarImageLists(strip);
    EXPECT_EQ(lists.disabled.pixel(2, 2), qRgb(204, 204, 204));
    EXPECT_EQ(lists.disabled.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(lists.disabled.pixel(3, 3), qRgb(80, 80, 80));
}

TEST(ToolBarImagesTest, BrighteningCapsEachChannel)
{
    EXPECT_EQ(HotColour(qRgb(241, 201, 241)), qRgb(255, 255, 255));
    EXPECT_EQ(HotColour(qRgb(240, 200, 240)), qRgb(255, 255, 255));
    EXPECT_EQ(HotColour(qRgb(239, 199, 239)), qRgb(254, 254, 254));
    EXPECT_EQ(HotColour(qRgb(0, 0, 0)), qRgb(15, 55, 15));
    EXPECT_EQ(DisabledGrey(qRgb(10, 150, 250)), 112);
    EXPECT_EQ(DisabledGrey(qRgb(255, 255, 255)), 204);
    EXPECT_EQ(DisabledGrey(qRgb(1, 1, 1)), 0);
}

TEST(ToolBarImagesTest, TransparentColourIsTheTopLeftPixel)
{
    QImage strip(2, 1, QImage::Format_RGB32);
    strip.setPixel(0, 0, qRgb(192, 192, 192));
    strip.setPixel(1, 0, qRgb(255, 0, 255));
    const ToolBarImageLists lists = BuildToolBarImageLists(strip);
    EXPECT_EQ(qAlpha(lists.normal.pixel(0, 0)), 0);
    EXPECT_EQ(lists.normal.pixel(1, 0), qRgb(255, 0, 255));
}

TEST(ToolBarImagesTest, ImageWidthAndCutting)
{
    EXPECT_EQ(ToolBarImageWidth(384, 12), 32);
    EXPECT_EQ(ToolBarImageWidth(384, 16), 24);
    EXPECT_EQ(ToolBarImageWidth(384, 0), 0);
    const QList<QImage> images = CutImageList(Strip(96, 32), QSize(32, 32));
    EXPECT_EQ(images.size(), 3);
    EXPECT_TRUE(CutImageList(QImage(), QSize(32, 32)).isEmpty());
}

class ToolBarTest : public ::testing::Test
{
protected:
    void SetUp() override { TestApp(); }
};

TEST_F(ToolBarTest, MainToolBarFromResource130)
{
    CToolBarEx bar(QStringLiteral("main"));
    ASSERT_TRUE(bar.LoadToolBar(IDR_TOOLBAR_MAIN));
    EXPECT_EQ(bar.GetButtonCount(), 12);
    EXPECT_EQ(bar.GetSeparatorCount(), 4);
    EXPECT_EQ(bar.GetImageSize(), QSize(32, 32));
    EXPECT_EQ(bar.GetButtonSize(), QSize(39, 39));
    EXPECT_EQ(bar.GetBitsPerPixel(), 8);
    EXPECT_TRUE(bar.IsSeparator(3));
    EXPECT_FALSE(bar.IsSeparator(0));
    QToolButton *open = bar.GetButton(ID_PICTURE_OPEN);
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->size(), QSize(39, 39));
    EXPECT_EQ(bar.iconSize(), QSize(32, 32));
}

TEST_F(ToolBarTest, EditToolBarFromResource144)
{
    CToolBarEx bar(QStringLiteral("edit"));
    ASSERT_TRUE(bar.LoadToolBar(IDR_TOOLBAR_EDIT));
    EXPECT_EQ(bar.GetButtonCount(), 16);
    EXPECT_EQ(bar.GetSeparatorCount(), 2);
    EXPECT_EQ(bar.GetImageSize(), QSize(24, 24));
    EXPECT_EQ(bar.GetButtonSize(), QSize(31, 31));
    EXPECT_EQ(bar.GetBitsPerPixel(), 4);
    EXPECT_NE(bar.GetButton(ID_EDIT_RESET), nullptr);
}

TEST_F(ToolBarTest, MissingResourceFailsAndLeavesTheBarEmpty)
{
    CToolBarEx bar(QStringLiteral("none"));
    EXPECT_FALSE(bar.LoadToolBar(4711));
    EXPECT_TRUE(bar.actions().isEmpty());
}

TEST_F(ToolBarTest, ButtonIconsCarryTheThreeImageLists)
{
    CToolBarEx bar(QStringLiteral("edit"));
    ASSERT_TRUE(bar.LoadToolBar(IDR_TOOLBAR_EDIT));
    const ToolBarImageLists &lists = bar.GetImageLists();
    const QIcon icon = bar.GetButton(ID_TOOL_ELLIPSE)->icon(); // the third image
    const QImage normal
        = icon.pixmap(QSize(24, 24), QIcon::Normal).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage hot
        = icon.pixmap(QSize(24, 24), QIcon::Active).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage disabled
        = icon.pixmap(QSize(24, 24), QIcon::Disabled).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(normal.size(), QSize(24, 24));
    int opaque = 0;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 24; ++x) {
            ASSERT_EQ(normal.pixel(x, y), lists.normal.pixel(48 + x, y));
            ASSERT_EQ(hot.pixel(x, y), lists.hot.pixel(48 + x, y));
            ASSERT_EQ(disabled.pixel(x, y), lists.disabled.pixel(48 + x, y));
            opaque += qAlpha(normal.pixel(x, y)) == 255;
        }
    }
    EXPECT_GT(opaque, 30);
}

TEST_F(ToolBarTest, MoveCursorOverTheFirstEightPixelsOfADockedBar)
{
    QMainWindow window;
    auto &bar = *new CToolBarEx(QStringLiteral("main"), &window);
    window.addToolBar(Qt::TopToolBarArea, &bar);
    ASSERT_TRUE(bar.LoadToolBar(IDR_TOOLBAR_MAIN));
    bar.resize(600, 45);
    ASSERT_FALSE(bar.isFloating());
    EXPECT_TRUE(bar.InGripperZone(QPoint(0, 20)));
    EXPECT_TRUE(bar.InGripperZone(QPoint(7, 20)));
    EXPECT_FALSE(bar.InGripperZone(QPoint(8, 20)));
    QHoverEvent inside(QEvent::HoverMove, QPointF(3, 20), QPointF(3, 20), QPointF(100, 20));
    QCoreApplication::sendEvent(&bar, &inside);
    EXPECT_EQ(bar.cursor().shape(), Qt::SizeAllCursor);
    QHoverEvent outside(QEvent::HoverMove, QPointF(100, 20), QPointF(100, 20), QPointF(3, 20));
    QCoreApplication::sendEvent(&bar, &outside);
    EXPECT_EQ(bar.cursor().shape(), Qt::ArrowCursor);

    bar.setOrientation(Qt::Vertical);
    EXPECT_TRUE(bar.InGripperZone(QPoint(30, 5)));
    EXPECT_FALSE(bar.InGripperZone(QPoint(3, 30)));
}

TEST_F(ToolBarTest, ButtonsWithoutToolTipTextShowNone)
{
    CToolBarEx bar(QStringLiteral("main"));
    ASSERT_TRUE(bar.LoadToolBar(IDR_TOOLBAR_MAIN));
    QToolButton *open = bar.GetButton(ID_PICTURE_OPEN);
    QHelpEvent tip(QEvent::ToolTip, QPoint(5, 5), QPoint(5, 5));
    EXPECT_TRUE(bar.eventFilter(open, &tip));
}

} // namespace
