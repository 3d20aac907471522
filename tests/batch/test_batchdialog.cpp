// The Batch Convert dialog offscreen: controls, a run with its counter, progress and summary,
// Stop, the fields' validation and the folder browser.
#include "batch/batchconvertdlg.h"
#include "dialogs/dialogunits.h"
#include "tests/batch/batch_testutil.h"
#include "tests/common/messagecatcher.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

using namespace batchtest;
namespace fs = std::filesystem;

namespace
{

class BatchDialog : public ::testing::Test
{
protected:
    void Open(const fs::path &source, const fs::path &target)
    {
        dlg.SetSourceFolder(QString::fromStdString(source.string()));
        dlg.SetTargetFolder(QString::fromStdString(target.string()));
        dlg.show();
        PumpEvents();
    }
    template <class T> T *Control(UINT id) { return FindControlAs<T>(&dlg, id); }
    QPushButton *Button(UINT id) { return Control<QPushButton>(id); }
    QString Counter() { return Control<QLabel>(CBatchConvertDlg::IDC_COUNTER)->text(); }
    QProgressBar *Progress() { return Control<QProgressBar>(CBatchConvertDlg::IDC_PROGRESS); }
    // Clicks Start and waits for the run's end; the count it reported.
    int Run()
    {
        QSignalSpy finished(&dlg, &CBatchConvertDlg::RunFinished);
        QTest::mouseClick(Button(CBatchConvertDlg::IDC_START), Qt::LeftButton);
        if (finished.isEmpty() && !finished.wait(60000))
            return -1;
        return finished.constFirst().constFirst().toInt();
    }
    void Check(UINT id) { Control<QRadioButton>(id)->setChecked(true); }

    MessageCatcher messages;
    CBatchConvertDlg dlg;
};

void WritePictures(const fs::path &folder, int first, int count)
{
    for (int i = first; i < first + count; ++i)
        ASSERT_TRUE(WritePicture(folder / ("p" + std::to_string(i) + ".bmp"), 2, 2, "bmp", i));
}

} // namespace

TEST_F(BatchDialog, RunConvertsCountsAndSummarises)
{
    TempDir src, dst;
    ASSERT_TRUE(WritePicture(src / "wide.bmp", 1000, 500, "bmp"));
    ASSERT_TRUE(WritePicture(src / "tall.jpg", 500, 1000, "jpg"));
    ASSERT_TRUE(WritePicture(src / "odd.tga", 40, 40, "tga"));
    WriteBytes(src / "notes.txt", "text");
    Open(src.Path(), dst.Path());
    EXPECT_FALSE(Control<QCheckBox>(CBatchConvertDlg::IDC_REDUCED_READ)->isChecked()); // exact by default
    Control<QComboBox>(CBatchConvertDlg::IDC_FORMAT)->setCurrentIndex(4); // png
    Check(CBatchConvertDlg::IDC_KEEP_RATIO);
    EXPECT_EQ(Run(), 3);
    EXPECT_EQ(messages.Texts(), QStringList { QStringLiteral("It has finished 3 files conversion!") });
    EXPECT_EQ(Counter(), QStringLiteral("3"));
    EXPECT_EQ(Progress()->value(), 3);
    EXPECT_EQ(PictureSize(dst / "wide.png"), std::make_pair(200, 100));
    EXPECT_EQ(PictureSize(dst / "tall.png"), std::make_pair(150, 300));
    EXPECT_EQ(Names(dst.Path()), (std::vector<std::string> { "odd.png", "tall.png", "wide.png" }));
}

TEST_F(BatchDialog, ProgressWrapsAtOneHundred)
{
    TempDir src, dst;
    WritePictures(src.Path(), 0, 100);
    Open(src.Path(), dst.Path());
    EXPECT_EQ(Counter(), QStringLiteral("1/100"));
    Control<QComboBox>(CBatchConvertDlg::IDC_FORMAT)->setCurrentIndex(1); // bmp
    EXPECT_EQ(Run(), 100);
    EXPECT_EQ(Counter(), QStringLiteral("100"));
    EXPECT_EQ(dlg.GetProgressPosition(), 0);
    EXPECT_EQ(Progress()->value(), 1); // below the range: the bar shows its minimum

    WritePictures(src.Path(), 100, 1);
    EXPECT_EQ(Run(), 101);
    EXPECT_EQ(Counter(), QStringLiteral("101"));
    EXPECT_EQ(dlg.GetProgressPosition(), 1);
    EXPECT_EQ(Progress()->value(), 1);
}

TEST_F(BatchDialog, StopEndsTheRunAfterTheFilesInProgress)
{
    TempDir src, dst;
    WritePictures(src.Path(), 0, 60);
    Open(src.Path(), dst.Path());
    dlg.SetThreads(2);
    QSignalSpy finished(&dlg, &CBatchConvertDlg::RunFinished);
    QTest::mouseClick(Button(CBatchConvertDlg::IDC_START), Qt::LeftButton);
    EXPECT_TRUE(dlg.IsRunning());
    EXPECT_FALSE(Button(CBatchConvertDlg::IDC_START)->isEnabled());
    EXPECT_TRUE(Button(CBatchConvertDlg::IDC_STOP)->isEnabled());
    QTest::mouseClick(Button(CBatchConvertDlg::IDC_STOP), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(60000));
    const int count = finished.constFirst().constFirst().toInt();
    EXPECT_LT(count, 60);
    EXPECT_EQ(static_cast<int>(Names(dst.Path()).size()), count);
    EXPECT_EQ(
        messages.Texts(), QStringList { QStringLiteral("It has finished %1 files conversion!").arg(count) });
    EXPECT_TRUE(Button(CBatchConvertDlg::IDC_START)->isEnabled());

    // Esc during a run stops it too, and leaves the dialog open.
    QSignalSpy again(&dlg, &CBatchConvertDlg::RunFinished);
    QTest::mouseClick(Button(CBatchConvertDlg::IDC_START), Qt::LeftButton);
    QTest::keyClick(&dlg, Qt::Key_Escape);
    ASSERT_TRUE(again.wait(60000));
    EXPECT_LT(again.constFirst().constFirst().toInt(), 60);
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(BatchDialog, InvalidSizeShowsTheMessageAndTheRunKeepsTheOldValues)
{
    TempDir src, dst;
    ASSERT_TRUE(WritePicture(src / "a.bmp", 30, 30, "bmp"));
    Open(src.Path(), dst.Path());
    Control<QComboBox>(CBatchConvertDlg::IDC_FORMAT)->setCurrentIndex(5); // tga
    Control<QLineEdit>(CBatchConvertDlg::IDC_HEIGHT)->setText(QStringLiteral("0"));
    Control<QLineEdit>(CBatchConvertDlg::IDC_WIDTH)->setText(QStringLiteral("50"));
    Check(CBatchConvertDlg::IDC_SAME_SIZE); // after the height: not read either
    EXPECT_EQ(Run(), 1);
    ASSERT_EQ(messages.Texts().size(), 2);
    EXPECT_EQ(messages.Texts()[0], QStringLiteral("Please enter an integer between 1 and 20000."));
    EXPECT_EQ(dlg.GetWidth(), 200);
    EXPECT_EQ(dlg.GetSizeOption(), 0);
    EXPECT_EQ(PictureSize(dst / "a.tga"), std::make_pair(30, 30));

    // Quit reads the fields first: an invalid one keeps the dialog open.
    messages.Clear();
    Control<QLineEdit>(CBatchConvertDlg::IDC_HEIGHT)->setText(QStringLiteral("40"));
    Control<QLineEdit>(CBatchConvertDlg::IDC_WIDTH)->setText(QStringLiteral("4o"));
    QTest::mouseClick(Button(CBatchConvertDlg::IDC_QUIT), Qt::LeftButton);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(messages.Texts(), QStringList { QStringLiteral("Please enter an integer.") });
    Control<QLineEdit>(CBatchConvertDlg::IDC_WIDTH)->setText(QStringLiteral("64"));
    QTest::mouseClick(Button(CBatchConvertDlg::IDC_QUIT), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.GetWidth(), 64);
    EXPECT_EQ(dlg.GetSizeOption(), 1);
}

// Browse asks for the target folder, and the fields are refreshed from the members.
TEST(BatchDialogBrowse, BrowseSetsTheTargetFolder)
{
    TempDir root;
    const QString chosen = QString::fromStdString(root.Sub("chosen").string());
    QString title;
    MessageCatcher catcher([&](QDialog *modal) {
        title = modal->windowTitle();
        if (auto *files = qobject_cast<QFileDialog *>(modal))
            files->setDirectory(chosen);
        modal->QDialog::accept();
    });
    CBatchConvertDlg dlg;
    dlg.show();
    PumpEvents();
    FindControlAs<QLineEdit>(&dlg, CBatchConvertDlg::IDC_WIDTH)->setText(QStringLiteral("77"));
    QTest::mouseClick(FindControlAs<QPushButton>(&dlg, CBatchConvertDlg::IDC_BROWSE), Qt::LeftButton);
    EXPECT_EQ(title, QStringLiteral("Please select folder"));
    EXPECT_EQ(dlg.GetTargetFolder(), chosen);
    EXPECT_EQ(FindControlAs<QLineEdit>(&dlg, CBatchConvertDlg::IDC_TARGET)->text(), chosen);
    EXPECT_EQ(FindControlAs<QLineEdit>(&dlg, CBatchConvertDlg::IDC_WIDTH)->text(), QStringLiteral("200"));
}

namespace
{

std::string FileBytes(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

// The defaults convert to JPEG with Overwrite: in place, the originals would go. The run asks
// first, and No leaves every file as it was.
TEST_F(BatchDialog, ReplacingOriginalsInPlaceAsksFirst)
{
    TempDir src;
    ASSERT_TRUE(WritePicture(src / "a.jpg", 20, 20, "jpg", 1));
    ASSERT_TRUE(WritePicture(src / "b.jpg", 20, 20, "jpg", 2));
    ASSERT_TRUE(WritePicture(src / "c.bmp", 20, 20, "bmp", 3));
    const std::string a = FileBytes(src / "a.jpg");
    Open(src.Path(), src.Path());
    QSignalSpy finished(&dlg, &CBatchConvertDlg::RunFinished);
    QTest::mouseClick(Button(CBatchConvertDlg::IDC_START), Qt::LeftButton);
    ASSERT_EQ(messages.Texts().size(), 1);
    EXPECT_EQ(messages.Texts()[0],
        QStringLiteral("2 pictures in %1 will be replaced.")
            .arg(QString::fromStdString(src.Path().string())));
    EXPECT_FALSE(dlg.IsRunning());
    EXPECT_TRUE(finished.isEmpty());
    EXPECT_EQ(FileBytes(src / "a.jpg"), a);
    EXPECT_EQ(Names(src.Path()), (std::vector<std::string> { "a.jpg", "b.jpg", "c.bmp" }));

    messages.Clear();
    messages.SetAnswer(QMessageBox::Yes);
    EXPECT_EQ(Run(), 3);
    EXPECT_EQ(messages.Texts().size(), 2);
    EXPECT_EQ(messages.Texts().back(), QStringLiteral("It has finished 3 files conversion!"));
    EXPECT_EQ(Names(src.Path()), (std::vector<std::string> { "a.jpg", "b.jpg", "c.bmp", "c.jpg" }));

    // Skip replaces nothing: no question.
    messages.Clear();
    Check(CBatchConvertDlg::IDC_SKIP);
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(messages.Texts(), QStringList { QStringLiteral("It has finished 0 files conversion!") });
}

TEST_F(BatchDialog, MissingTargetFolderIsCreatedAndUnwrittenFilesAreNamed)
{
    TempDir src, dst;
    WritePictures(src.Path(), 0, 3);
    const fs::path target = dst / "new" / "deeper";
    Open(src.Path(), target);
    Control<QComboBox>(CBatchConvertDlg::IDC_FORMAT)->setCurrentIndex(4); // png
    EXPECT_EQ(Run(), 3);
    EXPECT_EQ(Names(target), (std::vector<std::string> { "p0.png", "p1.png", "p2.png" }));

    // A folder where a picture would go cannot be replaced: counted, named, not written.
    fs::remove(target / "p1.png");
    fs::create_directory(target / "p1.png");
    messages.Clear();
    EXPECT_EQ(Run(), 3);
    ASSERT_EQ(messages.Texts().size(), 2);
    EXPECT_EQ(messages.Texts()[0], QStringLiteral("It has finished 3 files conversion!"));
    EXPECT_EQ(messages.Texts()[1],
        QStringLiteral("1 files could not be written:\n%1")
            .arg(QString::fromStdString((target / "p1.png").string())));
    EXPECT_TRUE(fs::is_directory(target / "p1.png"));

    // A target that is a file cannot become a folder: a clear error and no run.
    WriteBytes(dst / "plain", "x");
    Control<QLineEdit>(CBatchConvertDlg::IDC_TARGET)
        ->setText(QString::fromStdString((dst / "plain").string()));
    messages.Clear();
    QSignalSpy finished(&dlg, &CBatchConvertDlg::RunFinished);
    QTest::mouseClick(Button(CBatchConvertDlg::IDC_START), Qt::LeftButton);
    EXPECT_EQ(messages.Texts(),
        QStringList { QStringLiteral("The target folder %1 cannot be created.")
                          .arg(QString::fromStdString((dst / "plain").string())) });
    EXPECT_TRUE(finished.isEmpty());
}
