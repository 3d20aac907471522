// The image pane in the main frame: the frame's Image Size and Rotate Free commands bring up the
// program's own dialogs over the pane's picture.
#include "appcore/appsettings.h"
#include "appcore/programfolder.h"
#include "frame/mainframe.h"
#include "panetestutil.h"

using namespace panetest;

namespace
{

TEST(InFrame, ImageSizeAndRotateFreeBringUpTheProgramsDialogs)
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
    // The program's Image Size and Rotate Free dialogs come up; cancelled, they change nothing.
    {
        ModalDismisser dialogs;
        for (UINT id : { ID_TOOLS_IMAGE_SIZE, ID_TOOLS_ROTATE_FREE }) {
            frame.OnCommand(id);
            PumpEvents();
        }
        EXPECT_EQ(dialogs.Count(), 2);
    }
    EXPECT_EQ(pane->Picture()->Width(), 120);
}

} // namespace
