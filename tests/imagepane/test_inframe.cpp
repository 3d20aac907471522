// The image pane in the main frame: the frame's commands reach it as posted messages and calls.
#include "app/appsettings.h"
#include "app/programfolder.h"
#include "frame/mainframe.h"
#include "panetestutil.h"

using namespace panetest;

namespace
{

TEST(InFrame, CommandsReachThePane)
{
    TempSettings settings;
    Pictures files;
    SetProgramFolder(settings.Path());
    SetCommandLineFolder(QString());
    CMainFrame frame;
    ASSERT_TRUE(frame.Create());
    PumpEvents();
    auto *pane = dynamic_cast<CViewImage *>(frame.GetImagePane());
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(pane->Selection().WorkerRunning());
    pane->Open(files.Write("f.bmp", 120, 80));
    ASSERT_NE(pane->Picture(), nullptr);
    const auto command = [&frame](UINT id) {
        frame.OnCommand(id);
        PumpEvents();
    };

    command(ID_TOOL_ELLIPSE);
    EXPECT_EQ(pane->Mode(), CViewImage::OpEllipse);
    EXPECT_EQ(pane->Tool(), kShapeEllipse);
    command(ID_VIEW_ZOOM_75);
    EXPECT_EQ(pane->Zoom(), 75);
    EXPECT_EQ(pane->Mode(), CViewImage::OpEllipse);
    command(ID_PICTURE_ZOOM_IN);
    EXPECT_EQ(pane->Zoom(), 85);
    command(ID_EDIT_ROTATE_LEFT);
    EXPECT_EQ(pane->Picture()->Width(), 80);
    command(ID_EFFECT_NEGATIVE);
    command(ID_EDIT_RESET); // the edit toolbar's last button: the Reset effect
    EXPECT_EQ(pane->Picture()->Width(), 120);
    EXPECT_EQ(PixelAt(*pane->Picture(), 5, 6), Gradient(5, 6));
    EXPECT_EQ(pane->Zoom(), 100);
    // The program's Image Size and Rotate Free dialogs come up; cancelled, they change nothing.
    {
        ModalDismisser dialogs;
        command(ID_TOOLS_IMAGE_SIZE);
        command(ID_TOOLS_ROTATE_FREE);
        EXPECT_EQ(dialogs.Count(), 2);
    }
    EXPECT_EQ(pane->Picture()->Width(), 120);
    command(ID_EDIT_REMOVE_BLACK_EDGE);
    EXPECT_EQ(pane->Mode(), CViewImage::OpRemoveBlackEdge);
}

} // namespace
