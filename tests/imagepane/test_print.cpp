// Printing into a PDF file, checked by rendering the page back with poppler's pdftoppm.
#include "imagepane/printpicture.h"
#include "panetestutil.h"

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
    // Prints the pane's picture into `pdf`; the answer is the print dialog's.
    LRESULT PrintInto(const QString &pdf, bool ok)
    {
        answers.print = [pdf, ok, this](QPrinter &printer) {
            printerUsed = &printer;
            orientation = printer.pageLayout().orientation();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            paintRect = printer.pageLayout().paintRectPoints();
            return ok;
        };
        return Post(WMU_EFFECT_COMMAND, ID_PICTURE_PRINT);
    }
    QRectF paintRect;
    QPrinter *printerUsed = nullptr;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
};

// Runs a poppler tool; its standard output, or a failure.
QString RunTool(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(QStandardPaths::findExecutable(program), args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        ADD_FAILURE() << program.toStdString() << " failed (tools/install-deps.sh installs poppler-utils): "
                      << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

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

TEST_F(Print, NothingWithoutPictureOrWhenCancelledElseAPdfPageWithThePictureFitted)
{
    // 400 × 200: red left half, blue right half.
    CViewImage &v = MakePane();
    EXPECT_EQ(PrintInto(files.Path("none.pdf"), true), -1); // no picture
    v.Open(files.Write(
        "picture.bmp", 400, 200, [](int x, int) -> std::uint32_t { return x < 200 ? 0xFF0000 : 0x0000FF; }));
    EXPECT_EQ(PrintInto(files.Path("cancel.pdf"), false), 0); // the dialog cancelled
    EXPECT_FALSE(QFile::exists(files.Path("none.pdf")) || QFile::exists(files.Path("cancel.pdf")));
    const QString pdf = files.Path("page.pdf");
    EXPECT_EQ(PrintInto(pdf, true), 0);
    ASSERT_TRUE(QFile::exists(pdf));
    ASSERT_FALSE(paintRect.isEmpty());
    const QString info = RunTool(QStringLiteral("pdfinfo"), { pdf });
    EXPECT_TRUE(info.contains(QStringLiteral("Pexora Document-TarnisTech"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\b")))) << info.toStdString();

    // At 72 dpi one pixel of the rendering is one point.
    RunTool(QStringLiteral("pdftoppm"),
        { QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"), QStringLiteral("-singlefile"),
            pdf, files.Path("page") });
    const QImage page(files.Path("page.png"));
    ASSERT_FALSE(page.isNull());
    // Portrait page: the picture takes the printable width and half of it in height, centred.
    ASSERT_LT(paintRect.width() / paintRect.height(), 2.0);
    const double width = paintRect.width(), height = width / 2;
    const double top = paintRect.top() + (paintRect.height() - height) / 2;
    const QRect red = BoxOf(page, qRgb(255, 0, 0)), blue = BoxOf(page, qRgb(0, 0, 255));
    ASSERT_FALSE(red.isEmpty() || blue.isEmpty());
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

// The print starts from the printer that Print Setup edits, with the choices made there.
TEST_F(Print, StartsFromThePrinterSetUpChose)
{
    CViewImage &v = MakePane();
    v.Open(files.Write("picture.bmp", 40, 20, [](int, int) -> std::uint32_t { return 0xFF0000; }));
    ProgramPrinter().setPageOrientation(QPageLayout::Landscape); // as the set-up dialog would
    EXPECT_EQ(PrintInto(files.Path("landscape.pdf"), true), 0);
    ProgramPrinter().setPageOrientation(QPageLayout::Portrait);
    EXPECT_EQ(printerUsed, &ProgramPrinter());
    EXPECT_EQ(orientation, QPageLayout::Landscape);
}

} // namespace

// Without a printer the print goes to a PDF file the user names (the print dialog is not shown);
// a print that cannot be written says so.
TEST_F(Print, WithoutAPrinterToAPdfFileAndAFailedPrintSaysSo)
{
    OpenNew(120, 80);
    std::vector<QString> suggested;
    QString answer;
    CImagePaneDialogs dialogs = answers.Dialogs();
    dialogs.hasPrinter = [] { return false; };
    dialogs.pdfFile = [&](QWidget *, const QString &start) {
        suggested.push_back(start);
        return answer;
    };
    bool dialogShown = false;
    dialogs.print = [&](QWidget *, QPrinter &) { return dialogShown = true; };
    pane->SetDialogs(dialogs);

    Post(WMU_EFFECT_COMMAND, ID_PICTURE_PRINT); // Cancel in the file dialog
    ASSERT_EQ(suggested.size(), 1u);
    EXPECT_EQ(suggested[0], files.Path("picture.pdf"));
    answer = files.Path("out.pdf");
    Post(WMU_EFFECT_COMMAND, ID_PICTURE_PRINT);
    QFile pdf(answer);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_FALSE(dialogShown);
    EXPECT_TRUE(answers.messages.empty());
    EXPECT_TRUE(ProgramPrinter().outputFileName().isEmpty());

    answer = files.Path("no/such/folder/out.pdf");
    Post(WMU_EFFECT_COMMAND, ID_PICTURE_PRINT);
    ASSERT_EQ(answers.messages.size(), 1u);
    EXPECT_EQ(answers.messages[0],
        QStringLiteral("Cannot print to %1: the file could not be written.").arg(answer));
}
