#include "frame/browserpanes.h"

#include "browser/codexacodec.h"
#include "browser/folderlisting.h"
#include "browser/shelltree.h"
#include "browser/thumbwnd.h"
#include "paneapi/imainframe.h"
#include "paneapi/panemessage.h"

#include <QDir>
#include <QFileInfo>
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
    connect(this, &CViewThumb::thumbChosen, this, [this] {
        m_selectAfterLoad.clear();
        PostToMainFrame(WMU_THUMB_CHOSEN);
    });
    connect(Grid(), &CThumbWnd::loadFinished, this, [this] { SelectPending(); });
}

void CFramedThumbPane::SelectAfterLoad(const QString &path)
{
    m_selectAfterLoad = path;
    m_selectionShown = false;
    if (!Grid()->IsLoadRunning())
        SelectPending();
}

bool CFramedThumbPane::SelectPending()
{
    if (m_selectAfterLoad.isEmpty())
        return false;
    const QFileInfo file(m_selectAfterLoad);
    // The tree may reach the folder through another spelling (a link, a trailing separator).
    const QString wanted = QFileInfo(file.absolutePath()).canonicalFilePath();
    if (wanted.isEmpty() || QFileInfo(GetFolder()).canonicalFilePath() != wanted) {
        if (m_selectionShown)
            m_selectAfterLoad.clear();
        return false;
    }
    m_selectionShown = true;
    return Grid()->SelectFile(file.fileName().toUtf8().toStdString()) != 0;
}

QString CFramedThumbPane::GetCurrentFile() const
{
    QString path;
    // The grid's query does not change it; it is only declared without const.
    if (!const_cast<CFramedThumbPane *>(this)->CViewThumb::GetCurrentFile(path))
        return {};
    return path;
}
