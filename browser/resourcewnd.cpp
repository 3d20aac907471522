#include "browser/resourcewnd.h"

#include "browser/archive.h"
#include "browser/browsermessage.h"
#include "browser/cachelocation.h"
#include "browser/dropfiles.h"
#include "browser/errormessages.h"
#include "browser/thumbcachefile.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "res/resource.h"
#include "res/strings.h"

#include <QCoreApplication>
#include <QFile>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>

QEvent::Type ThumbReloadEventType()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

CResourceWnd::CResourceWnd(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    // The grid takes the focus itself when a press lands on an item (not on an empty grid).
    setFocusPolicy(Qt::NoFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (m_syncingBar)
            return;
        m_userScrolled = true;
        m_layout.Scroll().SetPosition(value);
        viewport()->update();
    });
}

CResourceWnd::~CResourceWnd() = default;

int CResourceWnd::CreateChild(const QRect &rect, QWidget *parent)
{
    if (parentWidget() != parent)
        setParent(parent);
    setGeometry(rect);
    show();
    return 1;
}

void CResourceWnd::SaveCache(int) { }

void CResourceWnd::SetCacheNames(const std::string &signature, const std::string &fileName)
{
    m_cacheSignature = signature;
    m_cacheFileName = fileName;
}

void CResourceWnd::SetFolder(const std::string &folder, int mode)
{
    m_folder = folder;
    m_showMode = mode;
}

void CResourceWnd::Reload(const std::string &nameToSelect)
{
    SaveCache(1);
    m_modified = 0;
    m_loading = 1;
    m_reloadPending = 1;
    m_nameToSelect = nameToSelect;
    m_stop = 0;
    PostReload();
}

void CResourceWnd::PostReload()
{
    QCoreApplication::postEvent(this, new QEvent(ThumbReloadEventType()));
}

void CResourceWnd::SetBoxSize(int cx, int cy)
{
    m_boxSize = SIZE { cx, cy };
    m_cellSize = SIZE { m_boxSize.cx + 14, m_boxSize.cy + 2 * m_textHeight + 16 };
}

void CResourceWnd::ResetBoxSize()
{
    m_boxSize = SIZE { 80, 80 };
    m_cellSize = SIZE { m_boxSize.cx + 14, m_boxSize.cy + 2 * m_textHeight + 16 };
}

void CResourceWnd::Refresh()
{
    RecalcLayout();
    viewport()->update();
}

std::string CResourceWnd::GetFullPath(const std::string &name) const
{
    return JoinFolderAndName(m_folder, name);
}

int CResourceWnd::AddFile(const std::string &name)
{
    m_fileList.push_back(name);
    return 1;
}

void CResourceWnd::EnumerateFolder()
{
    if (JoinFolderAndName(m_folder, "*").empty())
        return;
    int accepted = 0;
    std::vector<FolderEntry> entries = ListFolder(m_folder);
    PrepareEntries(entries);
    for (const FolderEntry &entry : entries) {
        // No grid shows folders; they never reach the codec's format test.
        if (entry.isFolder)
            continue;
        if (AddFile(entry.name) == 0)
            continue;
        if (++accepted == kMaxFolderEntries) {
            ShowEntryLimitMessage();
            break;
        }
    }
}

void CResourceWnd::ShowEntryLimitMessage()
{
    QString text
        = LoadResString(IDS_JUST_BROWSE) + QString::number(kMaxFolderEntries) + LoadResString(IDS_FOR_SPEED);
    ShowBrowserMessage(this, text, BrowserAppCaption(), MessageIcon::Information);
}

int CResourceWnd::LoadCache()
{
    std::string path = JoinFolderAndName(m_folder, m_cacheFileName);
    if (path.empty())
        return 1;
    // A folder that could not hold its cache had it kept in the user's cache folder.
    path = CacheFileToRead(path, SpareCachePath(UserThumbCacheFolder(), m_folder));
    ThumbCacheBytes bytes;
    if (!FileExists(path) || !ReadThumbCacheFile(path, bytes))
        return 1;
    ArchiveReader ar(bytes.data, bytes.size);
    std::string signature;
    if (!ar.ReadString(signature) || signature.size() != m_cacheSignature.size())
        return 1;
    for (std::size_t i = 0; i < signature.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(signature[i]) != lower(m_cacheSignature[i]))
            return 1;
    }
    SerializeItems(ar);
    return 1;
}

int CResourceWnd::CopyFileIn(const std::string &source, std::string &target)
{
    if (m_showMode == 0)
        return 0;
    target = MakeCopyTarget(m_folder, source);
    if (target.empty())
        return 0;
    // The copy goes through a temporary file and appears under its name only when complete.
    return QFile::copy(QString::fromUtf8(source.c_str()), QString::fromUtf8(target.c_str())) ? 1 : 0;
}

void CResourceWnd::EnsureItemVisible(const RECT &rect)
{
    if (m_layout.EnsureItemVisible(rect)) {
        SyncScrollBar();
        viewport()->update();
    }
}

namespace
{

int ShowErrorBox(
    QWidget *owner, const std::string &path, const ErrorMessageForm &form, const std::string &extra)
{
    if (form.stringId == 0)
        return 0;
    QString message = LoadResString(form.stringId);
    QString text = QString::fromUtf8(path.c_str()) + QStringLiteral(" : ") + message;
    if (form.appendExtra)
        text += QString::fromUtf8(extra.c_str());
    ShowBrowserMessage(owner, text, message, form.icon);
    return 1;
}

} // namespace

int CResourceWnd::ShowFileError(const std::string &path, int kind, int detail, const std::string &extra)
{
    return ShowErrorBox(this, path, FileErrorMessage(kind, detail), extra);
}

int CResourceWnd::ShowFolderError(const std::string &path, int kind, int detail, const std::string &extra)
{
    return ShowErrorBox(this, path, FolderErrorMessage(kind, detail), extra);
}

void CResourceWnd::SetFocusToGrid()
{
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
}

void CResourceWnd::VScroll(ScrollCode code, int trackPosition)
{
    m_userScrolled = true;
    if (m_layout.VScroll(code, trackPosition)) {
        SyncScrollBar();
        viewport()->update();
    }
}

void CResourceWnd::ScrollToTop()
{
    m_userScrolled = false;
    m_layout.Scroll().SetPosition(0);
    SyncScrollBar();
    viewport()->update();
}

void CResourceWnd::SyncScrollBar()
{
    const ScrollInfo &s = m_layout.Scroll();
    QScrollBar *bar = verticalScrollBar();
    m_syncingBar = true;
    bar->setRange(s.minimum, s.MaxPosition());
    bar->setPageStep(std::max(s.page, 1));
    bar->setSingleStep(std::max(s.page, 1));
    bar->setValue(s.position);
    m_syncingBar = false;
}

POINT CResourceWnd::ToContent(const QPoint &p) const
{
    return POINT { p.x(), p.y() + m_layout.ScrollOffset() };
}

bool CResourceWnd::event(QEvent *e)
{
    if (e->type() == ThumbReloadEventType()) {
        OnThumbReload();
        return true;
    }
    return QAbstractScrollArea::event(e);
}

void CResourceWnd::paintEvent(QPaintEvent *)
{
    // The base grid draws nothing.
}

void CResourceWnd::resizeEvent(QResizeEvent *e)
{
    QAbstractScrollArea::resizeEvent(e);
    RecalcLayout();
    viewport()->update();
}

void CResourceWnd::mousePressEvent(QMouseEvent *e)
{
    SetFocusToGrid();
    QAbstractScrollArea::mousePressEvent(e);
}

void CResourceWnd::mouseMoveEvent(QMouseEvent *e)
{
    viewport()->setCursor(Qt::ArrowCursor);
    QAbstractScrollArea::mouseMoveEvent(e);
}

void CResourceWnd::wheelEvent(QWheelEvent *e)
{
    // One row per notch.
    int notches = e->angleDelta().y() / 120;
    if (notches == 0) {
        e->ignore();
        return;
    }
    m_userScrolled = true;
    long long p = static_cast<long long>(m_layout.Scroll().position)
        - static_cast<long long>(notches) * m_layout.Scroll().page;
    if (m_layout.Scroll().SetPosition(p)) {
        SyncScrollBar();
        viewport()->update();
    }
    e->accept();
}

void CResourceWnd::scrollContentsBy(int, int)
{
    viewport()->update();
}
