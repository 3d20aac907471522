#include "frame/browserpanes.h"

#include "browser/codexacodec.h"
#include "browser/folderlisting.h"
#include "browser/shelltree.h"
#include "browser/thumbwnd.h"
#include "paneapi/imainframe.h"
#include "paneapi/panemessage.h"

#include <algorithm>
#include <chrono>

namespace
{

// What the grid reads through: the codec library, every read slowed by TARNIS_READ_DELAY_MS
// milliseconds when that is set (a network share or a slow card, to try the window with).
const ThumbCodec &GridCodec()
{
    static const int delay = std::clamp(qEnvironmentVariableIntValue("TARNIS_READ_DELAY_MS"), 0, 1000);
    if (delay == 0)
        return CodexaThumbCodec();
    static const DelayedThumbCodec slowed(CodexaThumbCodec(), std::chrono::milliseconds(delay));
    return slowed;
}

} // namespace

CFramedFolderPane::CFramedFolderPane(QWidget *parent)
    : CViewFolder(parent)
{
    setObjectName(QStringLiteral("CViewFolder"));
    // Activating the pane focuses its tree.
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(Tree());
    connect(this, &CViewFolder::folderChanged, this, [] { PostToMainFrame(WMU_FOLDER_CHANGED); });
}

CFramedThumbPane::CFramedThumbPane(QWidget *parent)
    : CViewThumb(GridCodec(), parent)
{
    setObjectName(QStringLiteral("CViewThumb"));
    // Activating the pane focuses its grid.
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(Grid());
    connect(this, &CViewThumb::thumbChosen, this, [] { PostToMainFrame(WMU_THUMB_CHOSEN); });
}

QString CFramedThumbPane::GetCurrentFile() const
{
    QString path;
    // The grid's query does not change it; it is only declared without const.
    if (!const_cast<CFramedThumbPane *>(this)->CViewThumb::GetCurrentFile(path))
        return {};
    return path;
}
