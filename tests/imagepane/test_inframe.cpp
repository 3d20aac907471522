// The image pane in the main frame: the frame's commands reach it as posted messages and calls.
#include "app/appsettings.h"
#include "app/programfolder.h"
#include "frame/mainframe.h"
#include "panetestutil.h"
#include "res/resource.h"

using namespace panetest;

namespace
{

class InFrame : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetProgramFolder(settings.Path());
        SetCommandLineFolder(QString());
        frame = std::make_unique<CMainFrame>();
        ASSERT_TRUE(frame->Create());
        PumpEvents();
        pane = dynamic_cast<CViewImage *>(frame->GetImagePane());
        ASSERT_NE(pane, nullptr);
    }

    void Command(UINT id)
    {
        frame->OnCommand(id);
        PumpEvents();
    }

    TempSettings settings;
    Pictures files;
    std::unique_ptr<CMainFrame> frame;
    CViewImage *pane = nullptr;
};

TEST_F(InFrame, CommandsReachThePane)
{
    EXPECT_EQ(pane->objectName(), QStringLiteral("CViewImage"));
    EXPECT_TRUE(pane->Selection().WorkerRunning());
    pane->Open(files.Write("f.bmp", 120, 80));
    ASSERT_NE(pane->Picture(), nullptr);

    Command(ID_TOOL_ELLIPSE);
    EXPECT_EQ(pane->Mode(), CViewImage::OpEllipse);
    EXPECT_EQ(pane->Tool(), kShapeEllipse);
    Command(ID_VIEW_ZOOM_75);
    EXPECT_EQ(pane->Zoom(), 75);
    EXPECT_EQ(pane->Mode(), CViewImage::OpEllipse);
    Command(ID_PICTURE_ZOOM_IN);
    EXPECT_EQ(pane->Zoom(), 85);
    Command(ID_VIEW_ZOOM_100);
    EXPECT_EQ(pane->Zoom(), 100);
    Command(ID_EDIT_ROTATE_LEFT);
    EXPECT_EQ(pane->Picture()->Width(), 80);
    Command(ID_TOOLS_MIRROR);
    Command(ID_EFFECT_NEGATIVE);
    Command(ID_EDIT_RESET); // the edit toolbar's last button: the Reset effect
    EXPECT_EQ(pane->Picture()->Width(), 120);
    EXPECT_EQ(PixelAt(*pane->Picture(), 5, 6), Gradient(5, 6));
    // The program's Image Size and Rotate Free dialogs come up; cancelled, they change nothing.
    {
        ModalDismisser dialogs;
        Command(ID_TOOLS_IMAGE_SIZE);
        Command(ID_TOOLS_ROTATE_FREE);
        EXPECT_EQ(dialogs.Count(), 2);
    }
    EXPECT_EQ(pane->Picture()->Width(), 120);
    Command(ID_EDIT_REMOVE_BLACK_EDGE);
    EXPECT_EQ(pane->Mode(), CViewImage::OpRemoveBlackEdge);
}

TEST_F(InFrame, PreviousOnTheFirstPageLeavesThePageToTheThumbnails)
{
    pane->Open(QStringLiteral(TARNIS_TESTDATA_DIR "/tiff/pillow/good/multipage.tiff"));
    ASSERT_EQ(pane->PageCount(), 3);
    Command(ID_PICTURE_PREVIOUS);
    ASSERT_NE(pane->Picture(), nullptr);
    EXPECT_EQ(pane->Picture()->CurrentPage(), 0);
    Command(ID_PICTURE_NEXT);
    EXPECT_EQ(pane->Picture()->CurrentPage(), 1);
    Command(ID_PICTURE_PREVIOUS);
    EXPECT_EQ(pane->Picture()->CurrentPage(), 0);
}

} // namespace
