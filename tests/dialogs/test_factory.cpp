// The shell's entry points run the real dialogs modally and hand back their results.
#include "dialogs/dialogunits.h"
#include "dialogs/imagesizedlg.h"
#include "dialogs/rotatedlg.h"
#include "frame/dialogfactory.h"
#include "image/imageobj.h"
#include "paneapi/iimagepane.h"
#include "tests/common/messagecatcher.h"

#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace
{

class PreviewPane : public IImagePane
{
public:
    void Open(const QString &) override { }
    bool Save(const QString &) override { return false; }
    int PageCount() const override { return 0; }
    bool GotoPage(bool) override { return false; }
    void Fit(int) override { }
    QWidget *Window() override { return &window; }
    bool PreviewCopy(CImageObj &, int maxWidth, int maxHeight) const override
    {
        asked = QSize(maxWidth, maxHeight);
        return false;
    }
    QWidget window;
    mutable QSize asked;
};

// Types text into the dialog's edit id and presses its button; Cancel when text is empty.
std::function<void(QDialog *)> Answer(UINT edit, const QString &text, UINT ok, UINT cancel)
{
    return [=](QDialog *dialog) {
        if (!text.isEmpty())
            FindControlAs<QLineEdit>(dialog, edit)->setText(text);
        FindControlAs<QPushButton>(dialog, text.isEmpty() ? cancel : ok)->click();
    };
}

} // namespace

// Each entry point hands back its dialog's result on OK and leaves it alone on Cancel.
TEST(DialogFactory, EntryPointsReturnResultsOnlyWhenAccepted)
{
    TestApp();
    BITMAPINFOHEADER header {};
    header.biWidth = 800;
    header.biHeight = 600;
    int width = 0, height = 0;
    {
        MessageCatcher answer(Answer(CImageSizeDlg::IDC_RESOLUTION, QStringLiteral("72"),
            CImageSizeDlg::IDC_OK, CImageSizeDlg::IDC_CANCEL));
        ASSERT_TRUE(RunImageSizeDialog(nullptr, header, width, height));
    }
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(800, 600));
    EXPECT_EQ(header.biXPelsPerMeter, 2834);
    {
        MessageCatcher cancel(Answer(0, QString(), CImageSizeDlg::IDC_OK, CImageSizeDlg::IDC_CANCEL));
        width = 1;
        EXPECT_FALSE(RunImageSizeDialog(nullptr, header, width, height));
        EXPECT_EQ(width, 1);
    }

    PreviewPane pane; // the rotate dialog takes its preview from the pane
    double angle = -1;
    {
        MessageCatcher answer(Answer(CRotateDlg::IDC_ANGLE, QStringLiteral("-90"), 1, 2));
        ASSERT_TRUE(RunRotateFreeDialog(pane, angle));
    }
    EXPECT_EQ(angle, 270.0);
    EXPECT_EQ(pane.asked, QSize(100, 100));
    MessageCatcher cancel(Answer(0, QString(), 1, 2));
    EXPECT_FALSE(RunRotateFreeDialog(pane, angle));
    EXPECT_EQ(angle, 270.0);
}
