// Printing into a PDF file, checked by rendering the page back with poppler's pdftoppm.
#include "panetestutil.h"
#include "res/resource.h"

#include <QFile>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cstdlib>

using namespace panetest;

namespace
{

class Print : public PaneFixture
{
protected:
    // Runs program with args; its standard output, or a failure.
    static QString Run(const QString &program, const QStringList &args)
    {
        const QString exe = QStandardPaths::findExecutable(program);
        if (exe.isEmpty()) {
            ADD_FAILURE() << program.toStdString()
                          << " is missing (tools/install-deps.sh installs poppler-utils)";
            return QString();
        }
        QProcess process;
        process.start(exe, args);
        if (!process.waitForFinished(60000) || process.exitCode() != 0) {
            ADD_FAILURE() << program.toStdString()
                          << " failed: " << process.readAllStandardError().toStdString();
            return QString();
        }
        return QString::fromUtf8(process.readAllStandardOutput());
    }
};

// The bounding box of the pixels of one colour (within a tolerance for the renderer's edges).
QRect BoxOf(const QImage &page, QRgb colour)
{
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QRgb c = page.pixel(x, y);
            if (std::abs(qRed(c) - qRed(colour)) < 40 && std::abs(qGreen(c) - qGreen(colour)) < 40
                && std::abs(qBlue(c) - qBlue(colour)) < 40)
                box = box.united(QRect(x, y, 1, 1));
        }
    return box;
}

TEST_F(Print, PdfPageShowsThePictureFitted)
{
    CViewImage &v = MakePane();
    // 400 × 200: red left half, blue right half.
    v.Open(files.Write(
        "print.bmp", 400, 200, [](int x, int) -> std::uint32_t { return x < 200 ? 0xFF0000 : 0x0000FF; }));
    const QString pdf = files.Path("page.pdf");
    QRectF paintRect;
    answers.print = [&](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        paintRect = printer.pageLayout().paintRectPoints();
        return true;
    };
    EXPECT_EQ(Post(WMU_EFFECT_COMMAND, ID_PICTURE_PRINT), 0);
    ASSERT_TRUE(QFile::exists(pdf));
    ASSERT_FALSE(paintRect.isEmpty());

    const QString info = Run(QStringLiteral("pdfinfo"), { pdf });
    EXPECT_TRUE(info.contains(QStringLiteral("Pexora Document-TarnisTech"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\b")))) << info.toStdString();

    // At 72 dpi one pixel of the rendering is one point.
    const QString base = files.Path("page");
    Run(QStringLiteral("pdftoppm"),
        { QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"), QStringLiteral("-singlefile"),
            pdf, base });
    const QImage page(base + QStringLiteral(".png"));
    ASSERT_FALSE(page.isNull());

    // Portrait page: the picture takes the printable width and half of it in height, centred.
    ASSERT_LT(paintRect.width() / paintRect.height(), 2.0);
    const double width = paintRect.width(), height = width / 2;
    const double top = paintRect.top() + (paintRect.height() - height) / 2;
    const QRect red = BoxOf(page, qRgb(255, 0, 0)), blue = BoxOf(page, qRgb(0, 0, 255));
    ASSERT_FALSE(red.isEmpty());
    ASSERT_FALSE(blue.isEmpty());
    EXPECT_NEAR(red.left(), paintRect.left(), 2);
    EXPECT_NEAR(red.right() + 1, paintRect.left() + width / 2, 2);
    EXPECT_NEAR(blue.left(), paintRect.left() + width / 2, 2);
    EXPECT_NEAR(blue.right() + 1, paintRect.left() + width, 2);
    EXPECT_NEAR(red.top(), top, 2);
    EXPECT_NEAR(red.bottom() + 1, top + height, 2);
    EXPECT_EQ(red.top(), blue.top());
    // Nothing else on the page: the corners stay white.
    EXPECT_EQ(page.pixel(1, 1) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(page.pixel(page.width() - 2, page.height() - 2) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(Print, CancelledDialogPrintsNothing)
{
    CViewImage &v = MakePane();
    v.Open(files.Write("print.bmp", 40, 20));
    const QString pdf = files.Path("cancel.pdf");
    answers.print = [&](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return false;
    };
    EXPECT_EQ(Post(WMU_EFFECT_COMMAND, ID_PICTURE_PRINT), 0);
    EXPECT_FALSE(QFile::exists(pdf));
    v.Open(files.Path("none.bmp"));
    EXPECT_EQ(Post(WMU_EFFECT_COMMAND, ID_PICTURE_PRINT), -1);
}

} // namespace
