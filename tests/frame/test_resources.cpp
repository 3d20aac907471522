#include "frame/filefilter.h"
#include "res/resource.h"
#include "res/resources.h"
#include "res/strings.h"
#include "tests/common/qtapp.h"

#include <gtest/gtest.h>

namespace
{

TEST(StringTableTest, PromptPartsAndMissingIdentifiers)
{
    EXPECT_EQ(ResSubString(59392, 1), QStringLiteral("Show/Hide Tool Bar"));
    EXPECT_TRUE(ResSubString(32839, 1).isEmpty()); // edit tool prompts carry no tool tip
    for (UINT id : { 32775u, 32786u, 32840u, 4711u }) // the main toolbar's own commands have none
        EXPECT_FALSE(HasResString(id)) << id;
}

TEST(BitmapResourceTest, IconsCursorsMappedColoursAndFallbacks)
{
    TestApp();
    EXPECT_TRUE(LoadBitmapResource(4711).isNull());
    EXPECT_FALSE(LoadCursorResource(IDC_DIAL).pixmap().isNull());
    EXPECT_EQ(LoadCursorResource(4711).shape(), Qt::ArrowCursor);
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
    EXPECT_TRUE(FilterListToNameFilters(QString()).isEmpty());
    EXPECT_EQ(FilterListToNameFilters(QStringLiteral("Text|*.txt")),
        QStringList { QStringLiteral("Text (*.txt)") });

    const std::pair<int, const char *> extensions[]
        = { { 0, "jpg" }, { 1, "jpg" }, { 2, "bmp" }, { 6, "png" }, { 9, "tif" } };
    for (const auto &[index, extension] : extensions)
        EXPECT_EQ(NameFilterExtension(filters[index], QStringLiteral("jpg")), QLatin1String(extension))
            << index;
    for (const char *odd : { "Any (*.*)", "Any (*)", "None", "Two (*.a *.b)", "Wild (*.j?g)" })
        EXPECT_EQ(NameFilterExtension(QLatin1String(odd), QStringLiteral("jpg")), QStringLiteral("jpg"))
            << odd;
}

TEST(FileFilterTest, LaterFormatsFollowTheFixedList)
{
    const QStringList open = PictureNameFilters(LoadResString(IDS_FILE_FILTER), false);
    const QStringList save = PictureNameFilters(LoadResString(IDS_FILE_FILTER), true);
    const QStringList fixed = FilterListToNameFilters(LoadResString(IDS_FILE_FILTER));
    ASSERT_GT(open.size(), fixed.size());
    EXPECT_EQ(open.mid(0, fixed.size()), fixed);
    EXPECT_EQ(save.mid(0, fixed.size()), fixed);
    const QStringList extraOpen = open.mid(fixed.size()), extraSave = save.mid(fixed.size());
    EXPECT_TRUE(extraOpen.contains(QStringLiteral("WebP (*.webp)")));
    EXPECT_TRUE(extraOpen.contains(QStringLiteral("HEIC (*.heic *.heif *.hif)")));
    EXPECT_TRUE(extraOpen.contains(QStringLiteral("JPEG XL (*.jxl)")));
    // Opening ends with every readable extension; saving offers only the writable formats.
    EXPECT_TRUE(extraOpen.last().startsWith(QStringLiteral("All pictures (*.bmp")));
    EXPECT_TRUE(extraOpen.last().contains(QStringLiteral("*.avif")));
    EXPECT_EQ(extraSave, (QStringList { QStringLiteral("WebP (*.webp)"), QStringLiteral("AVIF (*.avif)") }));
    for (const QString &filter : extraSave)
        EXPECT_NE(NameFilterExtension(filter, QStringLiteral("jpg")), QStringLiteral("jpg"))
            << filter.toStdString();
}

} // namespace
