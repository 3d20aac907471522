#include "browser/thumbwnd.h"

#include "browser/archive.h"
#include "browser/browserart.h"
#include "browser/dropfiles.h"
#include "browser/itemdroptarget.h"
#include "browser/qtcanvas.h"
#include "browser/thumbobj.h"
#include "platform/cpus.h"
#include "platform/files.h"
#include "platform/paths.h"

#include <QApplication>
#include <QDrag>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QUrl>
#include <atomic>
#include <filesystem>
#include <system_error>
#include <thread>

namespace
{

// Index in names of the entry equal to name, preferring an exact match to one that differs in
// case only; -1 when there is none.
struct NameIndex {
    std::unordered_map<std::string, int> exact;
    std::unordered_map<std::string, int> folded;

    void Add(const std::string &name, int index)
    {
        exact.emplace(name, index);
        folded.emplace(FileNameKey(name), index);
    }
    int Find(const std::string &name) const
    {
        auto e = exact.find(name);
        if (e != exact.end())
            return e->second;
        auto f = folded.find(FileNameKey(name));
        return f != folded.end() ? f->second : -1;
    }
};

bool IsEscape(QEvent *e)
{
    return e->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(e)->key() == Qt::Key_Escape;
}

} // namespace

CThumbWnd::CThumbWnd(const ThumbCodec &codec, QWidget *parent)
    : CResourceWnd(parent)
    , m_codec(codec)
{
    setObjectName(QStringLiteral("CThumbWnd"));
    m_extensionList = "bmp;jpg;gif";
    m_title = "Image Resource";
    m_cacheSignature = "browseimage";
    m_cacheFileName = "brwseimg.tnv";
    m_reloadPending = 1;
    m_reserved = 1;
    m_loading = 1;
    m_textHeight = QFontMetrics(GridCaptionFont()).height();
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    m_builder = std::make_unique<ThumbBuilder>(m_codec, [this](ThumbJobResult &&r) {
        auto shared = std::make_shared<ThumbJobResult>(std::move(r));
        QMetaObject::invokeMethod(
            this, [this, shared] { OnThumbResult(shared->generation, shared->sequence, shared); },
            Qt::QueuedConnection);
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (m_passActive)
            m_builder->Reprioritise([this](int sequence) { return JobPriority(sequence); });
    });
}

CThumbWnd::~CThumbWnd()
{
    CancelPass();
    m_builder.reset();
    SaveCache(1);
}

std::shared_ptr<CThumbObj> CThumbWnd::NewItem(const std::string &name, const FileStatusRecord &status)
{
    auto item = std::make_shared<CThumbObj>(this);
    item->SetBoxSize(m_boxSize.cx, m_boxSize.cy);
    item->SetCellSize(m_cellSize.cx, m_cellSize.cy);
    item->SetNameFolder(name, m_folder);
    item->SetFileStatus(status);
    return item;
}

void CThumbWnd::MarkChanged()
{
    m_modified = 1;
    m_cacheMatches = false;
}

void CThumbWnd::SaveCache(int clear)
{
    if (m_modified != 0 && !m_list.Empty() && m_sourceMode == 0) {
        std::string path = JoinFolderAndName(m_folder, m_cacheFileName);
        if (m_cacheMatches) {
            // The file already holds exactly these records; writing them again changes nothing.
            m_modified = 0;
        } else {
            if (!path.empty() && WriteThumbCacheFile(path, m_cacheSignature, m_list.Items())) {
                m_modified = 0;
                m_cacheMatches = true;
            } else {
                ShowFileError(path, 3, 5);
            }
        }
    }
    if (clear != 0) {
        CancelPass();
        m_fileList.clear();
        m_list.Clear();
        m_cacheMatches = false;
    }
}

void CThumbWnd::SetFolder(const std::string &folder, int mode)
{
    SaveCache(1);
    m_folder = folder;
    m_showMode = mode;
    m_reloadPending = 1;
    m_modified = 1;
    m_sourceMode = 0;
    PostReload();
}

void CThumbWnd::Reload(const std::string &nameToSelect)
{
    m_mouse.Reset();
    m_list.SetAnchor(nullptr);
    CResourceWnd::Reload(nameToSelect);
}

void CThumbWnd::RecalcLayout()
{
    if (!m_layout.Recalc(viewport()->width(), viewport()->height(), m_cellSize, m_list.Count()))
        return;
    int i = 0;
    for (const auto &item : m_list.Items()) {
        ++i;
        item->SetCellRect(m_layout.CellRect(i), m_textHeight);
        item->SetIndex(i);
    }
    SyncScrollBar();
}

int CThumbWnd::CopyFileIn(const std::string &source, std::string &target)
{
    std::error_code ec;
    auto size = std::filesystem::file_size(source, ec);
    std::int64_t available = FreeDiskSpace(m_folder);
    if (!ec && available >= 0 && static_cast<std::uintmax_t>(available) < size) {
        ShowFolderError(m_folder, 1, 3);
        return 0;
    }
    int ok = CResourceWnd::CopyFileIn(source, target);
    if (ok == 0 && m_showMode != 0)
        ShowFileError(target.empty() ? source : target, 3, 0);
    return ok;
}

int CThumbWnd::IsImageFile(const std::string &path)
{
    return MatchesExtensionList(m_extensionList, path) != 0 && m_codec.FormatTest(path.c_str()) >= 0 ? 1 : 0;
}

void CThumbWnd::AttachItems()
{
    for (const auto &item : m_list.Items())
        item->SetOwner(this);
}

void CThumbWnd::PrepareEntries(const std::vector<FolderEntry> &entries)
{
    // The names enumeration can reach: the first 1024 files and a margin for refusals.
    std::vector<std::string> names;
    for (const FolderEntry &entry : entries) {
        if (!entry.isFolder)
            names.push_back(entry.name);
        if (names.size() >= static_cast<std::size_t>(kMaxFolderEntries) + 64)
            break;
    }
    std::vector<int> formats(names.size(), -1);
    std::atomic<std::size_t> next { 0 };
    auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < names.size();)
            formats[i] = m_codec.FormatTest(GetFullPath(names[i]).c_str());
    };
    int threads = std::min(UsableCpuCount(), 8);
    threads = std::min<int>(threads, static_cast<int>(names.size() / 16) + 1);
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (auto &t : pool)
        t.join();
    for (std::size_t i = 0; i < names.size(); ++i)
        m_formatMemo[names[i]] = formats[i];
}

int CThumbWnd::AddFile(const std::string &name)
{
    auto memo = m_formatMemo.find(name);
    int format = memo != m_formatMemo.end() ? memo->second : m_codec.FormatTest(GetFullPath(name).c_str());
    m_formatMemo[name] = format;
    if (format < 0)
        return 0;
    m_fileList.push_back(name);
    return 1;
}

int CThumbWnd::FilterFiles()
{
    std::vector<std::string> kept;
    kept.reserve(m_fileList.size());
    for (const auto &name : m_fileList) {
        // A result from this load's enumeration is the codec's answer for the same file.
        auto memo = m_formatMemo.find(name);
        int format
            = memo != m_formatMemo.end() ? memo->second : m_codec.FormatTest(GetFullPath(name).c_str());
        if (format >= 0)
            kept.push_back(name);
    }
    m_fileList = std::move(kept);
    return static_cast<int>(m_fileList.size());
}

bool CThumbWnd::SerializeItems(ArchiveReader &ar)
{
    ThumbItemList items;
    if (!LoadThumbList(ar, items))
        return false;
    m_list.Clear();
    for (auto &item : items) {
        item->SetOwner(this);
        m_list.Append(std::move(item));
    }
    m_cacheMatches = true;
    return true;
}

void CThumbWnd::ResetBoxSize()
{
    m_cellSize = SIZE { m_boxSize.cx + 14, m_boxSize.cy + 2 * m_textHeight + 16 };
}

void CThumbWnd::SyncItems()
{
    NameIndex listed;
    for (std::size_t i = 0; i < m_fileList.size(); ++i)
        listed.Add(m_fileList[i], static_cast<int>(i));
    ThumbItemList snapshot = m_list.Items();
    for (const auto &item : snapshot) {
        int found = listed.Find(item->GetName());
        if (found >= 0) {
            if (item->GetName() != m_fileList[found])
                MarkChanged(); // the file's name now differs in case from the cached one
            item->SetNameFolder(m_fileList[found], m_folder);
        } else {
            RemoveItem(item.get());
            MarkChanged();
        }
    }
}

void CThumbWnd::OnThumbReload()
{
    m_textHeight = QFontMetrics(GridCaptionFont()).height();
    if (m_passActive && m_reloadPending == 0)
        return; // the running pass already covers this folder
    if (m_reloadPending != 0 && m_showMode != 0) {
        viewport()->setCursor(Qt::BusyCursor);
        m_formatMemo.clear();
        EnumerateFolder();
        FilterFiles();
        LoadCache();
        ResetBoxSize();
        SyncItems();
        AttachItems();
        RecalcLayout();
        m_formatMemo.clear();
    }
    m_reloadPending = 0;
    RepaintNow();
    BuildPictures();
}

void CThumbWnd::RepaintNow()
{
    if (isVisible())
        viewport()->repaint();
    else
        viewport()->update();
}

void CThumbWnd::BuildPictures()
{
    CancelPass();
    m_stop = 0;
    NameIndex existing;
    for (int i = 0; i < m_list.Count(); ++i)
        existing.Add(m_list.Items()[i]->GetName(), i);

    std::vector<ThumbJob> jobs;
    m_pass.resize(m_fileList.size());
    for (std::size_t k = 0; k < m_fileList.size(); ++k) {
        PassStep &step = m_pass[k];
        step.name = m_fileList[k];
        std::string path = GetFullPath(step.name);
        int found = existing.Find(step.name);
        GetFileStatus(path, step.status);
        if (found >= 0) {
            const auto &item = m_list.Items()[found];
            // Signed compare: a file whose time moved backward keeps its thumbnail.
            if (step.status.lastWriteTime > item->GetFileStatus().lastWriteTime) {
                step.kind = PassStep::Replace;
                step.old = item;
            } else {
                step.kind = PassStep::Keep;
                step.ready = true;
                continue;
            }
        } else {
            step.kind = PassStep::Add;
        }
        jobs.push_back(ThumbJob { static_cast<int>(k), path, m_boxSize, 0 });
    }
    m_passCursor = 0;
    m_passActive = true;
    if (!jobs.empty()) {
        for (auto &job : jobs)
            job.priority = JobPriority(job.sequence);
        m_passGeneration = m_builder->Start(std::move(jobs));
        qApp->installEventFilter(this);
    }
    AdvancePass();
}

long long CThumbWnd::JobPriority(int sequence) const
{
    if (sequence < 0 || static_cast<std::size_t>(sequence) >= m_pass.size())
        return 0;
    const PassStep &step = m_pass[sequence];
    long long index = 0;
    if (step.kind == PassStep::Replace) {
        index = m_list.IndexOf(step.old.get());
    } else {
        // New items enter after those already in, in file-list order.
        index = m_list.Count();
        for (std::size_t k = m_passCursor; k < static_cast<std::size_t>(sequence); ++k)
            index += m_pass[k].kind == PassStep::Add ? 1 : 0;
    }
    int columns = std::max(m_layout.Columns(), 1);
    long long row = index / columns;
    long long top = m_layout.ScrollOffset() / std::max(m_layout.Pitch(), 1);
    long long bottom = top + std::max(m_layout.VisibleRows(), 1);
    if (row < top)
        return top - row;
    if (row > bottom)
        return row - bottom;
    return 0;
}

void CThumbWnd::OnThumbResult(std::uint64_t generation, int sequence, std::shared_ptr<ThumbJobResult> result)
{
    if (!m_passActive || generation != m_passGeneration || sequence < 0
        || static_cast<std::size_t>(sequence) >= m_pass.size())
        return;
    PassStep &step = m_pass[sequence];
    step.outcome = std::move(result->outcome);
    step.ready = true;
    AdvancePass();
}

void CThumbWnd::AdvancePass()
{
    if (m_advancing) {
        m_advanceAgain = true;
        return;
    }
    m_advancing = true;
    do {
        m_advanceAgain = false;
        while (m_passActive && m_passCursor < m_pass.size() && m_pass[m_passCursor].ready) {
            // A message box inside ApplyStep runs events that may end this pass or start another.
            PassStep step = std::move(m_pass[m_passCursor]);
            ++m_passCursor;
            std::uint64_t generation = m_passGeneration;
            ApplyStep(step);
            if (!m_passActive || generation != m_passGeneration) {
                m_advanceAgain = m_passActive;
                break;
            }
        }
        if (m_passActive && m_passCursor >= m_pass.size())
            FinishPass();
    } while (m_advanceAgain);
    m_advancing = false;
}

void CThumbWnd::ApplyStep(PassStep &step)
{
    if (step.kind == PassStep::Keep)
        return;
    std::uint64_t generation = m_passGeneration;
    if (step.kind == PassStep::Replace) {
        if (m_list.IndexOf(step.old.get()) < 0)
            return;
        auto item = NewItem(step.name, step.status);
        item->SetCellRect(step.old->GetCellRect(), m_textHeight);
        item->SetIndex(step.old->GetIndex());
        item->BeginPicture();
        item->TakePicture(std::move(step.outcome)); // a failure leaves the cross
        int index = m_list.IndexOf(step.old.get());
        if (generation != m_passGeneration || index < 0)
            return;
        m_list.Replace(index, item);
        MarkChanged();
        UpdateCell(item->GetCellRect());
        return;
    }
    auto item = NewItem(step.name, step.status);
    item->BeginPicture();
    if (item->TakePicture(std::move(step.outcome)) == 0 || generation != m_passGeneration || !m_passActive)
        return;
    m_list.Append(item);
    MarkChanged();
    int before = m_layout.Scroll().position;
    RecalcLayout();
    if (m_layout.FollowLoad(item->GetCellRect(), viewport()->height()))
        SyncScrollBar();
    // A new cell at the end changes no other cell; only a scroll repaints everything.
    if (m_layout.Scroll().position == before)
        UpdateCell(item->GetCellRect());
    else
        viewport()->update();
}

void CThumbWnd::UpdateCell(const RECT &cell)
{
    int y = m_layout.ScrollOffset();
    viewport()->update(
        QRect(cell.left, cell.top - y, cell.right - cell.left + 1, cell.bottom - cell.top + 1));
}

void CThumbWnd::FinishPass()
{
    m_passActive = false;
    qApp->removeEventFilter(this);
    m_builder->Cancel();
    m_pass.clear();
    m_passCursor = 0;
    viewport()->unsetCursor();
    m_loading = 0;
    m_reloadPending = 0;
    // Last: a "Fail to save" box runs events, and a new load may start while it is open.
    SaveCache(0);
    viewport()->update();
    emit loadFinished();
}

void CThumbWnd::CancelPass()
{
    if (m_passActive) {
        m_passActive = false;
        if (qApp != nullptr)
            qApp->removeEventFilter(this);
        m_builder->Cancel();
        viewport()->unsetCursor();
    }
    m_pass.clear();
    m_passCursor = 0;
}

void CThumbWnd::StopOnEscape()
{
    m_stop = 1;
    m_loading = 0;
    // Items made so far stay; the rest of the pass is dropped.
    m_pass.resize(m_passCursor);
    FinishPass();
}

bool CThumbWnd::eventFilter(QObject *watched, QEvent *e)
{
    if (m_passActive && IsEscape(e) && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == window()) {
        StopOnEscape();
        return true;
    }
    return CResourceWnd::eventFilter(watched, e);
}

bool CThumbWnd::event(QEvent *e)
{
    if (e->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent *>(e)->key() == Qt::Key_Delete) {
        e->accept(); // the Delete key stays with the grid and does nothing there
        return true;
    }
    return CResourceWnd::event(e);
}

void CThumbWnd::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Delete) {
        e->accept();
        return;
    }
    CResourceWnd::keyPressEvent(e);
}

void CThumbWnd::paintEvent(QPaintEvent *e)
{
    QPainter painter(viewport());
    QRect client = viewport()->rect();
    m_paintArea = e->rect() & client;
    m_paintedOnce = 1;
    if ((m_list.Empty() || m_showMode == 0) && m_sourceMode == 0) {
        ScrollInfo &s = m_layout.Scroll();
        s.minimum = 0;
        s.maximum = 0;
        s.page = m_cellSize.cy + GridLayout::kGap;
        s.position = 0;
        SyncScrollBar();
        painter.fillRect(client, palette().color(QPalette::Button));
        return;
    }
    // The tiles stay anchored at the client's corner whatever part is painted.
    static const QPixmap tile = QPixmap::fromImage(GridBackgroundTile());
    painter.drawTiledPixmap(
        m_paintArea, tile, QPoint(m_paintArea.x() % tile.width(), m_paintArea.y() % tile.height()));
    DrawAll(painter);
}

void CThumbWnd::DrawAll(QPainter &painter)
{
    m_textHeight = QFontMetrics(GridCaptionFont()).height();
    m_loading = 0;
    DrawItems(painter);
}

void CThumbWnd::DrawItems(QPainter &painter)
{
    QtItemCanvas canvas(painter, palette(), GridCaptionFont());
    int y = m_layout.ScrollOffset();
    const ThumbItemList &items = m_list.Items();
    QRect area = m_paintArea.isEmpty() ? viewport()->rect() : m_paintArea;
    m_layout.VisitItems(
        static_cast<int>(items.size()), [&items](int i) { return items[i]->GetCellRect(); },
        RECT { area.left(), area.top(), area.right() + 1, area.bottom() + 1 },
        [&](int i) { items[i]->Draw(canvas, y); });
}

int CThumbWnd::SelectByName(const std::string &name, RECT &rect)
{
    m_list.ClearSelection();
    int index = m_list.FindByName(name);
    viewport()->update();
    if (index < 0)
        return 0;
    m_list.Select(index);
    rect = m_list.Items()[index]->GetCellRect();
    return 1;
}

std::int64_t CThumbWnd::GetCacheSize() const
{
    std::int64_t size = 10240 + static_cast<std::int64_t>(m_cacheSignature.size());
    for (const auto &item : m_list.Items())
        size += item->GetStoreSize();
    return size;
}

void CThumbWnd::GetFilePaths(std::vector<std::string> &paths) const
{
    if (!isVisible())
        return;
    for (const auto &item : m_list.Items())
        paths.push_back(item->GetFullPath());
}

int CThumbWnd::CopyFrom(CThumbWnd &grid)
{
    m_sourceGrid = &grid;
    m_folder = grid.m_folder;
    m_textHeight = grid.m_textHeight;
    m_boxSize = grid.m_boxSize;
    m_cellSize = grid.m_cellSize;
    m_list.Clear();
    if (grid.m_list.Empty())
        return 0;
    m_list.AdoptFrom(grid.m_list);
    RecalcLayout();
    viewport()->update();
    return 1;
}

int CThumbWnd::RemoveItem(CThumbObj *item)
{
    m_list.Remove(item);
    MarkChanged();
    return 1;
}

int CThumbWnd::GetCurrentFile(std::string &path)
{
    if (!isVisible() || m_list.Empty())
        return 0;
    CThumbObj *item = m_list.GetCurrent();
    if (item == nullptr)
        return 0;
    path = item->GetFullPath();
    return 1;
}

void CThumbWnd::SelectNeighbour(int next)
{
    int chosen = m_list.SelectNeighbour(next != 0);
    if (chosen >= 0 && m_layout.ScrollIntoView(m_list.Items()[chosen]->GetCellRect(), viewport()->height()))
        SyncScrollBar();
    viewport()->update();
}

int CThumbWnd::SelectFile(const std::string &name)
{
    RECT cell {};
    if (SelectByName(name, cell) == 0)
        return 0;
    if (m_layout.ScrollIntoView(cell, viewport()->height()))
        SyncScrollBar();
    viewport()->update();
    return 1;
}

std::vector<std::string> CThumbWnd::GetSelectedPaths() const
{
    std::vector<std::string> paths;
    for (const auto &item : m_list.Selected())
        paths.push_back(item->GetFullPath());
    return paths;
}

void CThumbWnd::DropFiles(const std::vector<std::string> &paths)
{
    for (const auto &path : paths) {
        if (MatchesExtensionList(m_extensionList, path) == 0) {
            ShowFileError(path, 1);
            continue;
        }
        if (m_codec.FormatTest(path.c_str()) < 0) {
            ShowFileError(path, 2);
            continue;
        }
        if (m_sourceMode != 0) {
            OnFileDropped(path);
            continue;
        }
        std::string target;
        if (CopyFileIn(path, target) != 0) {
            SetFocusToGrid();
            Reload(target);
        }
    }
}

void CThumbWnd::ApplyMouse(const MouseOutcome &outcome)
{
    if (outcome.moved) {
        MarkChanged();
        RecalcLayout();
    }
    if (outcome.redrawNow)
        RepaintNow();
    else if (outcome.invalidate || outcome.moved)
        viewport()->update();
}

void CThumbWnd::mousePressEvent(QMouseEvent *e)
{
    if (m_list.Empty()) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    POINT pt = ToContent(e->position().toPoint());
    Qt::KeyboardModifiers mods = e->modifiers();
    if (e->button() == Qt::LeftButton) {
        SetFocusToGrid();
        MouseOutcome outcome = m_mouse.LeftDown(pt, mods & Qt::ControlModifier, mods & Qt::ShiftModifier);
        ApplyMouse(outcome);
        if (outcome.notify)
            emit thumbChosen();
    } else if (e->button() == Qt::RightButton) {
        SetFocusToGrid();
        ApplyMouse(m_mouse.RightDown(pt));
    }
    e->accept();
}

void CThumbWnd::mouseReleaseEvent(QMouseEvent *e)
{
    if (m_list.Empty() || e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(e);
        return;
    }
    viewport()->setCursor(Qt::ArrowCursor);
    POINT pt = ToContent(e->position().toPoint());
    bool inside = viewport()->rect().contains(e->position().toPoint());
    Qt::KeyboardModifiers mods = e->modifiers();
    ApplyMouse(m_mouse.LeftUp(pt, inside, mods & Qt::ControlModifier, mods & Qt::ShiftModifier));
    e->accept();
}

void CThumbWnd::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (m_list.Empty()) {
        QAbstractScrollArea::mouseDoubleClickEvent(e);
        return;
    }
    POINT pt = ToContent(e->position().toPoint());
    if (e->button() == Qt::LeftButton) {
        ApplyMouse(m_mouse.DoubleClick(pt));
    } else if (e->button() == Qt::RightButton) {
        SetFocusToGrid();
        ApplyMouse(m_mouse.RightDown(pt));
    }
    e->accept();
}

void CThumbWnd::mouseMoveEvent(QMouseEvent *e)
{
    if (m_list.Empty()) {
        QAbstractScrollArea::mouseMoveEvent(e);
        return;
    }
    m_mouse.MouseMove(ToContent(e->position().toPoint()));
    m_dragOut = 0;
    if (!m_mouse.DragReady()) {
        CResourceWnd::mouseMoveEvent(e);
        return;
    }
    viewport()->setCursor(ThumbDragCursor());
    if (!viewport()->rect().contains(e->position().toPoint()))
        StartDragOut();
    e->accept();
}

void CThumbWnd::StartDragOut()
{
    std::vector<std::string> paths = GetSelectedPaths();
    HGLOBAL block = MakeDropFileList(paths);
    auto *mime = new QMimeData;
    QList<QUrl> urls;
    for (const auto &path : paths)
        urls.append(QUrl::fromLocalFile(QString::fromUtf8(path.c_str())));
    mime->setUrls(urls);
    if (block != nullptr)
        mime->setData(QStringLiteral("application/x-tarnis-dropfiles"),
            QByteArray(static_cast<const char *>(block), static_cast<qsizetype>(GlobalSize(block))));
    m_dragOut = 1;
    m_dragOutActive = 1;
    m_dragOverSeen = 1;
    auto *drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
    GlobalFree(block);
    viewport()->setCursor(Qt::ArrowCursor);
    m_dragOut = 0;
    m_dragOutActive = 0;
    m_dragOverSeen = 0;
    m_mouse.ResetDrag();
}

void CThumbWnd::focusInEvent(QFocusEvent *e)
{
    CResourceWnd::focusInEvent(e);
    if (!m_list.Selected().empty())
        RepaintNow();
}

void CThumbWnd::focusOutEvent(QFocusEvent *e)
{
    CResourceWnd::focusOutEvent(e);
    if (!m_list.Selected().empty())
        RepaintNow();
}

void CThumbWnd::dragEnterEvent(QDragEnterEvent *e)
{
    if (ItemDropTarget::Accepts(e->mimeData(), m_sourceMode)) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void CThumbWnd::dragMoveEvent(QDragMoveEvent *e)
{
    if (ItemDropTarget::Accepts(e->mimeData(), m_sourceMode)) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void CThumbWnd::dropEvent(QDropEvent *e)
{
    if (!ItemDropTarget::Accepts(e->mimeData(), m_sourceMode)) {
        e->ignore();
        return;
    }
    std::vector<std::string> paths = ItemDropTarget::DroppedPaths(e->mimeData());
    e->setDropAction(Qt::CopyAction);
    e->accept();
    DropFiles(paths);
}
