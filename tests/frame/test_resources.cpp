#include "frame/filefilter.h"
#include "res/menus.h"
#include "res/resource.h"
#include "res/resources.h"
#include "res/strings.h"
#include "res/toolbars.h"
#include "tests/common/qtapp.h"

#include <QSet>
#include <gtest/gtest.h>

namespace
{

TEST(StringTableTest, TextsTheProgramShows)
{
    EXPECT_EQ(LoadResString(57344), QStringLiteral("Tarnis Viewer"));
    EXPECT_EQ(LoadResString(57345), QStringLiteral("Ready"));
    EXPECT_EQ(LoadResString(20103), QString(50, QLatin1Char('0')));
    EXPECT_EQ(LoadResString(20106), QStringLiteral("BB(000000K)"));
    EXPECT_EQ(LoadResString(5000) + QStringLiteral("1024") + LoadResString(5001),
        QStringLiteral("Just browse1024It's for speed1"));
    EXPECT_EQ(LoadResString(5014), QStringLiteral("Fail to create, please check your disk!!! "));
    EXPECT_EQ(LoadResString(61457), QStringLiteral("It has finished %d files conversion!"));
    EXPECT_EQ(LoadResString(59392), QStringLiteral("Show/Hide Tool Bar\nShow/Hide Tool Bar"));
    EXPECT_EQ(ResSubString(59392, 1), QStringLiteral("Show/Hide Tool Bar"));
    EXPECT_TRUE(LoadResString(4711).isEmpty());
    EXPECT_FALSE(HasResString(4711));
}

TEST(StringTableTest, EveryGivenIdentifierIsPresent)
{
    std::vector<UINT> ids
        = { 105, 128, 5000, 5001, 20100, 20101, 20102, 57344, 57345, 61453, 61454, 61455, 61456, 61457 };
    for (UINT id = 5011; id <= 5027; ++id)
        ids.push_back(id);
    for (UINT id = 20103; id <= 20107; ++id)
        ids.push_back(id);
    for (UINT id : { 32822u, 32823u, 32824u, 32825u, 32827u, 32828u, 32829u, 32832u, 32833u, 32834u, 32835u,
             32836u, 32837u, 32838u, 32839u })
        ids.push_back(id);
    for (UINT id : ids)
        EXPECT_TRUE(HasResString(id)) << id;
    // Edit tool prompts carry no tool tip; the main toolbar's own commands have no string.
    EXPECT_EQ(LoadResString(32837), QStringLiteral("Negtive"));
    EXPECT_TRUE(ResSubString(32839, 1).isEmpty());
    for (UINT id = 32775; id <= 32786; ++id)
        EXPECT_FALSE(HasResString(id)) << id;
    EXPECT_FALSE(HasResString(32840));
}

TEST(StringTableTest, DocumentStringHasSevenParts)
{
    const QStringList parts = LoadResString(128).split(QLatin1Char('\n'));
    EXPECT_EQ(parts,
        (QStringList { QStringLiteral("Tarnis Viewer"), QString(), QStringLiteral("Pexora"), QString(),
            QString(), QStringLiteral("Pexora.Document"), QStringLiteral("Pexora Document") }));
}

TEST(MenuResourceTest, MainMenuOrderAndSeparators)
{
    const std::vector<PopupResource> &menu = LoadMenuResource(IDR_MAINFRAME);
    ASSERT_EQ(menu.size(), 5u);
    std::vector<std::vector<UINT>> ids;
    for (const PopupResource &popup : menu) {
        ids.emplace_back();
        for (const MenuItemResource &item : popup.items)
            ids.back().push_back(item.id);
    }
    EXPECT_EQ(
        ids[0], (std::vector<UINT> { 32775, 32776, 32777, 0, 57607, 57609, 57606, 0, 57616, 0, 57665 }));
    EXPECT_EQ(ids[1], (std::vector<UINT> { 32868, 32869, 0, 32870, 32871, 32872, 0, 32873 }));
    EXPECT_EQ(ids[2], (std::vector<UINT> { 32851, 0, 32852, 32853, 32854, 32855, 32856, 0, 32857 }));
    EXPECT_EQ(ids[3],
        (std::vector<UINT> {
            31785, 31786, 31787, 31788, 31789, 31790, 31791, 31792, 31793, 0, 59392, 59393 }));
    EXPECT_EQ(ids[4], (std::vector<UINT> { 32786, 0, 57664 }));
    EXPECT_STREQ(menu[0].items[1].text, "Save(&S)\tCtrl+S");
    EXPECT_STREQ(menu[1].items[3].text, "Black&White");
    EXPECT_STREQ(menu[3].items[1].text, "Fit height");
    EXPECT_STREQ(menu[4].items[2].text, "About TarnisViewer(&A)...");
    EXPECT_TRUE(LoadMenuResource(4711).empty());
}

TEST(MenuResourceTest, AcceleratorTable)
{
    TestApp();
    std::map<QString, UINT> table;
    for (const AcceleratorResource &entry : LoadAcceleratorResource(IDR_MAINFRAME))
        table[entry.keys.toString(QKeySequence::PortableText)] = entry.id;
    EXPECT_EQ(table.size(), 14u);
    EXPECT_EQ(table[QStringLiteral("Ctrl+O")], 57601u);
    EXPECT_EQ(table[QStringLiteral("Ctrl+S")], 57603u);
    EXPECT_EQ(table[QStringLiteral("Alt+Backspace")], 57643u);
    EXPECT_EQ(table[QStringLiteral("Shift+Ins")], 57637u);
    EXPECT_EQ(table[QStringLiteral("Shift+F6")], 57681u);
}

TEST(BitmapResourceTest, ToolbarStripsHaveTheirSizesDepthsAndDistinctButtons)
{
    TestApp();
    struct Strip {
        UINT id;
        int width, height, bits, buttons;
    };
    for (const Strip &strip : { Strip { 130, 384, 32, 8, 12 }, Strip { 144, 384, 24, 4, 16 } }) {
        SCOPED_TRACE(strip.id);
        const QImage image = LoadBitmapResource(strip.id);
        ASSERT_EQ(image.size(), QSize(strip.width, strip.height));
        EXPECT_EQ(BitmapResourceBitCount(strip.id), strip.bits);
        const ToolBarResource *resource = FindToolBarResource(strip.id);
        ASSERT_NE(resource, nullptr);
        EXPECT_EQ(static_cast<int>(std::count_if(
                      resource->items.begin(), resource->items.end(), [](WORD id) { return id != 0; })),
            strip.buttons);
        const QRgb key = image.pixel(0, 0);
        const int size = strip.width / strip.buttons;
        QSet<QByteArray> seen;
        for (int b = 0; b < strip.buttons; ++b) {
            const QImage button = image.copy(b * size, 0, size, size).convertToFormat(QImage::Format_RGB32);
            int drawn = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    drawn += button.pixel(x, y) != key;
            EXPECT_GT(drawn, 40) << "button " << b;
            seen.insert(QByteArray(reinterpret_cast<const char *>(button.constBits()), button.sizeInBytes()));
        }
        EXPECT_EQ(seen.size(), strip.buttons);
    }
}

TEST(BitmapResourceTest, StatusIconsCursorsAndApplicationIcon)
{
    TestApp();
    for (UINT id : { 386u, 387u }) {
        EXPECT_EQ(LoadBitmapResource(id).size(), QSize(14, 14));
        EXPECT_EQ(BitmapResourceBitCount(id), 4);
    }
    EXPECT_TRUE(LoadBitmapResource(4711).isNull());
    EXPECT_EQ(BitmapResourceBitCount(4711), 0);
    const QCursor drag = LoadCursorResource(IDC_DRAG_FILES);
    EXPECT_EQ(drag.hotSpot(), QPoint(16, 8));
    EXPECT_EQ(drag.pixmap().size(), QSize(32, 32));
    EXPECT_FALSE(LoadCursorResource(IDC_SELECTION).pixmap().isNull());
    EXPECT_FALSE(LoadCursorResource(IDC_DIAL).pixmap().isNull());
    EXPECT_EQ(LoadCursorResource(4711).shape(), Qt::ArrowCursor);
    const QIcon icon = LoadIconResource(IDI_MAINFRAME);
    EXPECT_EQ(icon.availableSizes().size(), 4);
}

TEST(BitmapResourceTest, MappedBitmapTakesThePaletteColours)
{
    TestApp();
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    const QImage mapped = LoadMappedBitmap(IDB_STATUS_POSITION, palette);
    ASSERT_FALSE(mapped.isNull());
    EXPECT_EQ(mapped.pixel(0, 0), qRgb(1, 2, 3)); // light grey background becomes the button face
}

TEST(FileFilterTest, FilterListBecomesNameFilters)
{
    const QStringList filters = FilterListToNameFilters(LoadResString(IDS_FILE_FILTER));
    ASSERT_EQ(filters.size(), 10);
    EXPECT_EQ(
        filters[0], QStringLiteral("All images (*.bmp *.jpg *.gif *.tga *.pcx *.tif *.img *.mac *.png)"));
    EXPECT_EQ(filters[1], QStringLiteral("JPEG Compliant (*.jpg)"));
    EXPECT_EQ(filters[5], QStringLiteral("img(*.img)"));
    EXPECT_EQ(filters[6], QStringLiteral("Portable Network Graphics(*.png)"));
    EXPECT_TRUE(FilterListToNameFilters(QString()).isEmpty());
    EXPECT_EQ(FilterListToNameFilters(QStringLiteral("Text|*.txt")),
        QStringList { QStringLiteral("Text (*.txt)") });
}

} // namespace
