#include "frame/toolbarex.h"
#include "frame/toolbarimages.h"
#include "res/resource.h"
#include "res/resources.h"
#include "tests/common/qtapp.h"

#include <QAction>
#include <QHoverEvent>
#include <QMainWindow>
#include <QSet>
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

TEST(ToolBarImagesTest, BrighteningCapsEachChannel)
{
    EXPECT_EQ(HotColour(qRgb(240, 200, 240)), qRgb(255, 255, 255));
    EXPECT_EQ(HotColour(qRgb(239, 199, 239)), qRgb(254, 254, 254));
    EXPECT_EQ(HotColour(qRgb(0, 0, 0)), qRgb(15, 55, 15));
    EXPECT_EQ(DisabledGrey(qRgb(255, 255, 255)), 204);
    EXPECT_EQ(DisabledGrey(qRgb(1, 1, 1)), 0);
}

TEST(ToolBarImagesTest, GreyCopyCoversTheShiftedCopyAndTheKeyIsTopLeft)
{
    QImage strip = Strip(4, 4);
    strip.setPixel(1, 1, qRgb(0, 0, 0));
    strip.setPixel(2, 2, qRgb(255, 255, 255));
    strip.setPixel(3, 3, qRgb(100, 100, 100)); // its shadow falls outside the strip
    const ToolBarImageLists lists = BuildToolBarImageLists(strip);
    EXPECT_EQ(lists.disabled.pixel(2, 2), qRgb(204, 204, 204));
    EXPECT_EQ(lists.disabled.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(lists.disabled.pixel(3, 3), qRgb(80, 80, 80));

    // The transparent colour is the top-left pixel's, whatever it is.
    QImage grey(2, 1, QImage::Format_RGB32);
    grey.setPixel(0, 0, qRgb(192, 192, 192));
    grey.setPixel(1, 0, qRgb(255, 0, 255));
    const ToolBarImageLists greyKey = BuildToolBarImageLists(grey);
    EXPECT_EQ(qAlpha(greyKey.normal.pixel(0, 0)), 0);
    EXPECT_EQ(greyKey.normal.pixel(1, 0), qRgb(255, 0, 255));
    EXPECT_EQ(ToolBarImageWidth(384, 0), 0);
    EXPECT_TRUE(CutImageList(QImage(), QSize(32, 32)).isEmpty());
}

// Each bar comes from its strip: sizes, depth, separators, and every button drawn and distinct.
TEST(ToolBarTest, BarsFromTheirStripResources)
{
    TestApp();
    struct Bar {
        UINT id;
        int buttons, separators, image, button, bits;
    };
    for (const Bar &expected :
        { Bar { IDR_TOOLBAR_MAIN, 12, 4, 32, 39, 8 }, Bar { IDR_TOOLBAR_EDIT, 16, 2, 24, 31, 4 } }) {
        SCOPED_TRACE(expected.id);
        CToolBarEx bar(QStringLiteral("bar"));
        ASSERT_TRUE(bar.LoadToolBar(expected.id));
        EXPECT_EQ(bar.GetButtonCount(), expected.buttons);
        EXPECT_EQ(bar.GetSeparatorCount(), expected.separators);
        EXPECT_EQ(bar.GetImageSize(), QSize(expected.image, expected.image));
        EXPECT_EQ(bar.GetButtonSize(), QSize(expected.button, expected.button));
        EXPECT_EQ(bar.GetBitsPerPixel(), expected.bits);
        EXPECT_EQ(BitmapResourceBitCount(expected.id), expected.bits);
        const QImage strip = LoadBitmapResource(expected.id);
        ASSERT_EQ(strip.size(), QSize(384, expected.image));
        const int size = expected.image;
        QSet<QByteArray> seen;
        for (int b = 0; b < expected.buttons; ++b) {
            const QImage button = strip.copy(b * size, 0, size, size).convertToFormat(QImage::Format_RGB32);
            int drawn = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    drawn += button.pixel(x, y) != strip.pixel(0, 0);
            EXPECT_GT(drawn, 40) << "button " << b;
            seen.insert(QByteArray(reinterpret_cast<const char *>(button.constBits()), button.sizeInBytes()));
        }
        EXPECT_EQ(seen.size(), expected.buttons);
    }
    CToolBarEx main(QStringLiteral("main"));
    ASSERT_TRUE(main.LoadToolBar(IDR_TOOLBAR_MAIN));
    EXPECT_TRUE(main.IsSeparator(3));
    EXPECT_FALSE(main.IsSeparator(0));
    ASSERT_NE(main.GetButton(ID_PICTURE_OPEN), nullptr);
    EXPECT_EQ(main.GetButton(ID_PICTURE_OPEN)->size(), QSize(39, 39));
    QHelpEvent tip(QEvent::ToolTip, QPoint(5, 5), QPoint(5, 5)); // no tool tip text: none shown
    EXPECT_TRUE(main.eventFilter(main.GetButton(ID_PICTURE_OPEN), &tip));

    // A command without a tip of its own is named by its menu text.
    struct TipCase {
        const char *menu;
        const char *tip;
    };
    for (TipCase c : { TipCase { "Open(&O)...\tCtrl+O", "Open (Ctrl+O)" },
             { "&Next Picture", "Next Picture" }, { "Save &As...", "Save As" }, { "", "" }, { "(&X)", "" } })
        EXPECT_EQ(CToolBarEx::MenuTextTip(QString::fromUtf8(c.menu)), QString::fromUtf8(c.tip)) << c.menu;

    CToolBarEx none(QStringLiteral("none"));
    EXPECT_FALSE(none.LoadToolBar(4711));
    EXPECT_TRUE(none.actions().isEmpty());
}

TEST(ToolBarTest, ButtonIconsCarryTheThreeImageLists)
{
    TestApp();
    CToolBarEx bar(QStringLiteral("edit"));
    ASSERT_TRUE(bar.LoadToolBar(IDR_TOOLBAR_EDIT));
    const ToolBarImageLists &lists = bar.GetImageLists();
    const QIcon icon = bar.GetButton(ID_TOOL_ELLIPSE)->icon(); // the third image
    const std::pair<QIcon::Mode, const QImage *> modes[] = { { QIcon::Normal, &lists.normal },
        { QIcon::Active, &lists.hot }, { QIcon::Disabled, &lists.disabled } };
    for (const auto &[mode, list] : modes) {
        EXPECT_EQ(icon.pixmap(QSize(24, 24), mode).toImage().convertToFormat(QImage::Format_ARGB32),
            list->copy(48, 0, 24, 24).convertToFormat(QImage::Format_ARGB32))
            << mode;
    }
}

TEST(ToolBarTest, MoveCursorOverTheFirstEightPixelsOfADockedBar)
{
    TestApp();
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
}

} // namespace
