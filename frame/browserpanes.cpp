#include "frame/browserpanes.h"

#include "browser/codexacodec.h"
#include "browser/shelltree.h"
#include "browser/thumbwnd.h"
#include "paneapi/imainframe.h"
#include "paneapi/panemessage.h"

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
    : CViewThumb(CodexaThumbCodec(), parent)
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
