#include "paneapi/imainframe.h"

#include "paneapi/panemessage.h"

namespace
{
IMainFrame *g_mainFrame = nullptr;
}

IMainFrame *GetMainFrame()
{
    return g_mainFrame;
}

void SetMainFrame(IMainFrame *frame)
{
    g_mainFrame = frame;
}

bool PostToMainFrame(unsigned int message)
{
    return g_mainFrame && PostPaneMessage(g_mainFrame->MessageTarget(), message, 0, 0);
}
