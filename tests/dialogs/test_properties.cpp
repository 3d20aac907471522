// The properties dialog on pictures made here: file facts for any picture, EXIF rows and the map
// link only where the photo has them.
#include "dialogs/propertiesdlg.h"
#include "tests/common/photoexif.h"
#include "tests/common/qtapp.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

namespace
{

std::map<QString, QString> RowsOf(const QString &path, QString *link = nullptr)
{
    std::map<QString, QString> rows;
    for (const auto &[label, value] : PicturePropertyRows(path, link))
        rows[label] = value;
    return rows;
}

TEST(PropertiesDialog, FileFactsAndPhotoFields)
{
    TestApp();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage plain(30, 20, QImage::Format_RGB888);
    plain.fill(Qt::blue);
    const QString png = dir.filePath(QStringLiteral("plain.png"));
    ASSERT_TRUE(plain.save(png, "PNG"));
    QString link = QStringLiteral("stale");
    std::map<QString, QString> rows = RowsOf(png, &link);
    EXPECT_EQ(rows[QStringLiteral("File name")], QStringLiteral("plain.png"));
    EXPECT_EQ(rows[QStringLiteral("Folder")], dir.path());
    EXPECT_EQ(rows[QStringLiteral("Format")], QStringLiteral("Portable Network Graphics"));
    EXPECT_EQ(rows[QStringLiteral("Size")], QStringLiteral("30 \u00d7 20 pixels"));
    EXPECT_EQ(rows[QStringLiteral("Depth")], QStringLiteral("24 bits"));
    EXPECT_EQ(rows[QStringLiteral("Pages")], QStringLiteral("1"));
    EXPECT_TRUE(rows[QStringLiteral("File size")].endsWith(QStringLiteral(" bytes")));
    EXPECT_FALSE(rows[QStringLiteral("Modified")].isEmpty());
    EXPECT_EQ(rows.count(QStringLiteral("Camera")), 0u);
    EXPECT_EQ(rows.count(QStringLiteral("GPS position")), 0u);
    EXPECT_TRUE(link.isEmpty());
    CPropertiesDlg noMap(png);
    EXPECT_EQ(noMap.MapLabel(), nullptr);

    const std::vector<std::uint8_t> jpg = testexif::JpegWith(testexif::PhotoExif(true, false));
    const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
    QFile f(photo);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char *>(jpg.data()), static_cast<qint64>(jpg.size()));
    f.close();
    rows = RowsOf(photo, &link);
    EXPECT_EQ(rows[QStringLiteral("Format")], QStringLiteral("JPEG Compliant"));
    EXPECT_EQ(rows[QStringLiteral("Camera")], QStringLiteral("Tarnis T1"));
    EXPECT_EQ(rows[QStringLiteral("Date taken")], QStringLiteral("2024:04:30 18:45:12"));
    EXPECT_EQ(rows[QStringLiteral("ISO")], QStringLiteral("400"));
    EXPECT_TRUE(rows[QStringLiteral("GPS position")].contains(QStringLiteral("\u00b0 S")));
    EXPECT_TRUE(link.startsWith(QStringLiteral("https://www.openstreetmap.org/?mlat=-48.")));
    CPropertiesDlg dialog(photo);
    ASSERT_NE(dialog.MapLabel(), nullptr);
    EXPECT_TRUE(dialog.MapLabel()->openExternalLinks());
    EXPECT_TRUE(dialog.MapLabel()->text().contains(link.toHtmlEscaped()));

    // A file that is no picture still shows its file facts.
    const QString text = dir.filePath(QStringLiteral("notes.txt"));
    QFile t(text);
    ASSERT_TRUE(t.open(QIODevice::WriteOnly));
    t.write("hello");
    t.close();
    rows = RowsOf(text);
    EXPECT_EQ(rows[QStringLiteral("Format")], QStringLiteral("Not a picture"));
    EXPECT_EQ(rows.count(QStringLiteral("Size")), 0u);
    EXPECT_EQ(rows[QStringLiteral("File size")], QStringLiteral("5 bytes"));
}

} // namespace
