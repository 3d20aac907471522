#include "browser/thumbwnd.h"

#include "browser/archive.h"
#include "browser/browserart.h"
#include "browser/cachelocation.h"
#include "browser/dropfiles.h"
#include "browser/folderlisting.h"
#include "browser/folderpass.h"
#include "browser/gridkeys.h"
#include "browser/itemdroptarget.h"
#include "browser/qtcanvas.h"
#include "browser/thumbobj.h"
#include "platform/cpus.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/threadpriority.h"

#include <QAction>
#include <QApplication>
#include <QDrag>
#include <QFileSystemWatcher>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>
#include <system_error>
#include <thread>

namespace
{

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
    SetCacheNames("browseimage", "brwseimg.tnv");
    m_reloadPending = 1;
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
    // The shown folder is watched: changes are gathered for a moment, then the folder is compared
    // with the items again.
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { m_refreshTimer.start(); });
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] {
        m_filesTouched = true;
        m_refreshTimer.start();
    });
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(kRefreshDelayMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &CThumbWnd::OnFolderChanged);
    auto *reload = new QAction(this);
    reload->setShortcut(QKeySequence(Qt::Key_F5));
    reload->setShortcutContext(Qt::WindowShortcut);
    connect(reload, &QAction::triggered, this, &CThumbWnd::RefreshFolder);
    addAction(reload);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (m_passActive)
            m_builder->Reprioritise([this](int sequence) { return JobPriority(sequence); });
    });
}

CThumbWnd::~CThumbWnd()
{
    StopListing();
    for (auto &job : m_retiredJobs)
        job->thread.join();
    m_retiredJobs.clear();
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
    if (m_modified != 0 && !m_list.Empty() && GetSourceModeValue() == 0) {
        if (m_cacheMatches) {
            // The file already holds exactly these records; writing them again changes nothing.
            m_modified = 0;
        } else if (WriteCache()) {
            m_modified = 0;
            m_cacheMatches = true;
        }
    }
    if (clear != 0) {
        StopListing();
        m_current = -1;
        m_formatMemo.clear();
        m_refreshAgain = false;
        m_refreshTimer.stop();
        CancelPass();
        m_fileList.clear();
        m_list.Clear();
        m_cacheMatches = false;
        setFocusPolicy(Qt::NoFocus);
    }
}

bool CThumbWnd::WriteCache()
{
    std::string path = JoinFolderAndName(m_folder, CacheFileName());
    if (path.empty())
        return false;
    std::string spare = SpareCachePath(UserThumbCacheFolder(), m_folder);
    if (WriteThumbCacheFile(path, CacheSignature(), m_list.Items())) {
        std::error_code ec;
        if (!spare.empty())
            std::filesystem::remove(spare, ec); // the folder's own file is the newer one now
        return true;
    }
    // The folder cannot hold it: the same bytes go to the user's cache folder, silently.
    std::error_code ec;
    if (!spare.empty() && (std::filesystem::create_directories(PathFolder(spare), ec), true)
        && WriteThumbCacheFile(spare, CacheSignature(), m_list.Items()))
        return true;
    // Both failed: the message once per folder in a session.
    static std::set<std::string> told;
    if (told.insert(m_folder).second)
        ShowFileError(path, 3, 5);
    return false;
}

void CThumbWnd::SetFolder(const std::string &folder, int mode)
{
    SaveCache(1);
    bool changed = folder != m_folder;
    m_folder = folder;
    m_showMode = mode;
    if (changed)
        ScrollToTop();
    m_reloadPending = 1;
    m_modified = 1;
    SetSourceMode(0);
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
    // The keyboard reaches a grid with items (Tab); an empty grid takes no focus.
    setFocusPolicy(m_list.Empty() ? Qt::NoFocus : Qt::TabFocus);
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
    return MatchesExtensionList(m_codec.ReadableExtensions(), path) != 0
            && m_codec.FormatTest(path.c_str()) >= 0
        ? 1
        : 0;
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
    FolderMatch match = MatchFolder(m_fileList, m_list.Items());
    for (auto &[item, name] : match.renamed)
        item->SetNameFolder(name, m_folder); // the file's name now differs in case from the cached one
    for (CThumbObj *item : match.removed)
        RemoveItem(item);
    for (const auto &item : m_list.Items())
        item->SetNameFolder(item->GetName(), m_folder);
    if (match.Changes())
        MarkChanged();
}

void CThumbWnd::OnThumbReload()
{
    m_textHeight = QFontMetrics(GridCaptionFont()).height();
    if (m_passActive && m_reloadPending == 0)
        return; // the running pass already covers this folder
    if (m_reloadPending != 0 && m_showMode != 0) {
        viewport()->setCursor(Qt::BusyCursor);
        StartListing(false, true); // goes on in OnListed
        return;
    }
    m_reloadPending = 0;
    RepaintNow();
    BuildPictures();
}

void CThumbWnd::StartListing(bool refresh, bool force)
{
    StopListing();
    auto job = std::make_shared<ListingJob>();
    m_listingJob = job;
    m_listingRefresh = refresh;
    std::uint64_t generation = ++m_listingGeneration;
    if (!m_passActive)
        qApp->installEventFilter(this);
    const ThumbCodec *codec = &m_codec;
    // The tests mostly wait for the disk (or a share): a few more threads than cores keep it busy;
    // many more take turns from the window's thread on a small machine.
    int threads = std::clamp(UsableCpuCount() * 2, 4, 8);
    std::vector<std::string> last;
    if (!force)
        last = m_listing;
    job->thread = std::thread(
        [this, job, codec, generation, threads, force, last = std::move(last), folder = m_folder] {
            SetCurrentThreadBackground(); // the window's thread comes first
            auto listing = std::make_shared<FolderListing>(ListPictures(
                folder, [codec](const std::string &path) { return codec->FormatTest(path.c_str()); },
                kMaxFolderEntries, job->stop, threads, force ? nullptr : &last));
            // The window joins this thread before it goes, so it is still there to post to.
            if (!job->stop.load())
                QMetaObject::invokeMethod(
                    this, [this, generation, listing] { OnListed(generation, std::move(*listing)); },
                    Qt::QueuedConnection);
            job->done = true;
        });
}

void CThumbWnd::StopListing()
{
    if (m_listingJob) {
        m_listingJob->stop = true;
        m_retiredJobs.push_back(std::move(m_listingJob));
    }
    ++m_listingGeneration;
    // A finished thread is joined now; one still in a slow read is joined later, never waited for.
    std::erase_if(m_retiredJobs, [](const std::shared_ptr<ListingJob> &job) {
        if (!job->done.load())
            return false;
        job->thread.join();
        return true;
    });
    if (!m_passActive && qApp != nullptr)
        qApp->removeEventFilter(this);
}

void CThumbWnd::OnListed(std::uint64_t generation, FolderListing listing)
{
    if (generation != m_listingGeneration || !m_listingJob)
        return;
    bool refresh = m_listingRefresh;
    StopListing();
    m_listing = std::move(listing.files);
    if (listing.unchanged) {
        viewport()->unsetCursor();
        if (m_refreshAgain)
            m_refreshTimer.start();
        return;
    }
    m_fileList = std::move(listing.names);
    if (!refresh) {
        if (listing.limitReached)
            ShowEntryLimitMessage();
        if (generation + 1 != m_listingGeneration)
            return; // the message box's events started another load
        LoadCache();
        ResetBoxSize();
    }
    SyncItems();
    AttachItems();
    RecalcLayout();
    WatchFolder();
    m_reloadPending = 0;
    RepaintNow();
    BuildPictures();
}

bool CThumbWnd::IsLoadRunning() const
{
    return m_passActive || m_reloadPending != 0 || m_listingJob != nullptr;
}

void CThumbWnd::WatchFolder()
{
    QStringList watched = m_watcher->directories() + m_watcher->files();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    if (m_showMode == 0 || GetSourceModeValue() != 0 || m_folder.empty())
        return;
    // The folder for names that come and go, its pictures for contents rewritten in place.
    QStringList paths { QString::fromUtf8(m_folder.c_str()) };
    for (const auto &name : m_fileList)
        paths.append(QString::fromUtf8(GetFullPath(name).c_str()));
    m_watcher->addPaths(paths);
}

void CThumbWnd::OnFolderChanged()
{
    // Writing the cache file changes the folder too: unless a picture was rewritten, the listing
    // first checks whether the folder's names changed at all.
    bool force = m_filesTouched || m_refreshAgain;
    m_filesTouched = false;
    CompareFolder(force);
}

void CThumbWnd::RefreshFolder()
{
    CompareFolder(true);
}

void CThumbWnd::CompareFolder(bool force)
{
    if (m_showMode == 0 || GetSourceModeValue() != 0 || m_folder.empty())
        return;
    if (IsLoadRunning()) {
        m_refreshAgain = true; // compared again when the running load ends
        return;
    }
    m_refreshAgain = false;
    // Kept items stay; rewritten ones get a new thumbnail, new ones join at the end.
    StartListing(true, force);
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
    std::vector<FolderPass::Job> planned
        = m_pass.Plan(m_fileList, m_list.Items(), [this](const std::string &name, FileStatusRecord &status) {
              GetFileStatus(GetFullPath(name), status);
          });
    m_passActive = true;
    if (!planned.empty()) {
        std::vector<ThumbJob> jobs;
        jobs.reserve(planned.size());
        for (auto &job : planned)
            jobs.push_back(
                ThumbJob { job.sequence, GetFullPath(job.name), m_boxSize, JobPriority(job.sequence) });
        m_passGeneration = m_builder->Start(std::move(jobs));
        qApp->installEventFilter(this);
    }
    AdvancePass();
}

long long CThumbWnd::JobPriority(int sequence) const
{
    return m_pass.Priority(
        sequence, [this](const CThumbObj *item) { return m_list.IndexOf(item); }, m_list.Count(), m_layout);
}

void CThumbWnd::OnThumbResult(std::uint64_t generation, int sequence, std::shared_ptr<ThumbJobResult> result)
{
    if (!m_passActive || generation != m_passGeneration)
        return;
    if (m_pass.Deliver(sequence, std::move(result->outcome)))
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
        FolderPass::Step step;
        while (m_passActive && m_pass.TakeNext(step)) {
            // A message box inside ApplyStep runs events that may end this pass or start another.
            std::uint64_t generation = m_passGeneration;
            ApplyStep(step);
            if (!m_passActive || generation != m_passGeneration) {
                m_advanceAgain = m_passActive;
                break;
            }
        }
        if (m_passActive && m_pass.Done())
            FinishPass();
    } while (m_advanceAgain);
    m_advancing = false;
}

void CThumbWnd::ApplyStep(FolderPass::Step &step)
{
    if (step.kind == FolderPass::Step::Keep)
        return;
    std::uint64_t generation = m_passGeneration;
    if (step.kind == FolderPass::Step::Replace) {
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
    // The view follows the load until the user scrolls it.
    if (!UserScrolled() && m_layout.FollowLoad(item->GetCellRect(), viewport()->height()))
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
    if (!m_listingJob)
        qApp->removeEventFilter(this);
    m_builder->Cancel();
    m_pass.Clear();
    viewport()->unsetCursor();
    m_loading = 0;
    m_reloadPending = 0;
    // Last: a "Fail to save" box runs events, and a new load may start while it is open.
    SaveCache(0);
    viewport()->update();
    if (m_refreshAgain && !m_passActive)
        m_refreshTimer.start();
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
    m_pass.Clear();
}

void CThumbWnd::StopOnEscape()
{
    if (m_listingJob) {
        // Stopped while listing: the cached items are shown as they are, no thumbnail is made
        // and the cache is left alone.
        bool refresh = m_listingRefresh;
        StopListing();
        if (!refresh) {
            m_fileList.clear();
            LoadCache();
            ResetBoxSize();
            for (const auto &item : m_list.Items())
                item->SetNameFolder(item->GetName(), m_folder);
            AttachItems();
            RecalcLayout();
            m_modified = 0;
        }
        m_stop = 1;
        m_loading = 0;
        m_reloadPending = 0;
        viewport()->unsetCursor();
        viewport()->update();
        emit loadFinished();
        return;
    }
    m_stop = 1;
    m_loading = 0;
    // Items made so far stay; the rest of the pass is dropped.
    m_pass.StopHere();
    FinishPass();
}

bool CThumbWnd::eventFilter(QObject *watched, QEvent *e)
{
    if ((m_passActive || m_listingJob) && IsEscape(e) && watched->isWidgetType()
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
    if (HandleGridKey(e->key(), e->modifiers())) {
        e->accept();
        return;
    }
    CResourceWnd::keyPressEvent(e);
}

bool CThumbWnd::HandleGridKey(int key, Qt::KeyboardModifiers mods)
{
    if (key == Qt::Key_F5) {
        RefreshFolder();
        return true;
    }
    if (m_list.Empty())
        return false;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        int current = CurrentIndex();
        if (current < 0)
            return false;
        if (m_list.Items()[current]->GetSelected() == 0) {
            m_list.ClearSelection();
            m_list.Select(current);
            m_list.SetAnchor(m_list.Items()[current].get());
            viewport()->update();
        }
        emit thumbChosen();
        return true;
    }
    static const std::pair<int, GridMove> kMoves[] = { { Qt::Key_Left, GridMove::Left },
        { Qt::Key_Right, GridMove::Right }, { Qt::Key_Up, GridMove::Up }, { Qt::Key_Down, GridMove::Down },
        { Qt::Key_Home, GridMove::Home }, { Qt::Key_End, GridMove::End },
        { Qt::Key_PageUp, GridMove::PageUp }, { Qt::Key_PageDown, GridMove::PageDown } };
    auto found
        = std::find_if(std::begin(kMoves), std::end(kMoves), [key](auto &m) { return m.first == key; });
    if (found == std::end(kMoves))
        return false;
    bool ctrl = (mods & Qt::ControlModifier) != 0;
    bool shift = (mods & Qt::ShiftModifier) != 0 && !ctrl;
    int before = static_cast<int>(m_list.Selected().size());
    m_current = ApplyGridMove(
        m_list, CurrentIndex(), found->second, shift, ctrl, m_layout.Columns(), m_layout.VisibleRows());
    if (m_current < 0)
        return true;
    // Keeping the current item in view is the user's own scroll: the view stops following a load.
    if (m_layout.ScrollIntoView(m_list.Items()[m_current]->GetCellRect(), viewport()->height())) {
        MarkUserScroll();
        SyncScrollBar();
    }
    viewport()->update();
    if (!ctrl && (before != 0 || !m_list.Selected().empty()))
        emit selectionMoved();
    return true;
}

int CThumbWnd::CurrentIndex() const
{
    if (m_current >= 0 && m_current < m_list.Count())
        return m_current;
    if (!m_list.Selected().empty())
        return m_list.IndexOf(m_list.Selected().back().get());
    return -1;
}

void CThumbWnd::paintEvent(QPaintEvent *e)
{
    QPainter painter(viewport());
    QRect client = viewport()->rect();
    m_paintArea = e->rect() & client;
    if ((m_list.Empty() || m_showMode == 0) && GetSourceModeValue() == 0) {
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
    std::int64_t size = 10240 + static_cast<std::int64_t>(CacheSignature().size());
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

int CThumbWnd::GetNeighbourFile(int next, std::string &path)
{
    if (!isVisible() || m_list.Empty())
        return 0;
    CThumbObj *item = m_list.GetCurrent();
    if (item == nullptr)
        return 0;
    const int index = m_list.IndexOf(item) + (next != 0 ? 1 : -1);
    if (index < 0 || index >= m_list.Count())
        return 0;
    path = m_list.Items()[static_cast<std::size_t>(index)]->GetFullPath();
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
        if (MatchesExtensionList(m_codec.ReadableExtensions(), path) == 0) {
            ShowFileError(path, 1);
            continue;
        }
        if (m_codec.FormatTest(path.c_str()) < 0) {
            ShowFileError(path, 2);
            continue;
        }
        if (GetSourceModeValue() != 0) {
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
        if (int hit = m_list.HitTest(pt); hit >= 0)
            m_current = hit;
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

QMimeData *CThumbWnd::MakeDragData() const
{
    std::vector<std::string> paths = GetSelectedPaths();
    auto *mime = new QMimeData;
    QList<QUrl> urls;
    for (const auto &path : paths)
        urls.append(QUrl::fromLocalFile(QString::fromUtf8(path.c_str())));
    mime->setUrls(urls);
    HGLOBAL block = MakeDropFileList(paths);
    if (block != nullptr)
        mime->setData(QStringLiteral("application/x-tarnis-dropfiles"),
            QByteArray(static_cast<const char *>(block), static_cast<qsizetype>(GlobalSize(block))));
    GlobalFree(block);
    mime->setData(QString::fromLatin1(kOwnDragFormat), OwnDragMark());
    return mime;
}

QByteArray CThumbWnd::OwnDragMark() const
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ':'
        + QByteArray::number(reinterpret_cast<quintptr>(this));
}

void CThumbWnd::StartDragOut()
{
    QMimeData *mime = MakeDragData();
    m_dragOut = 1;
    auto *drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
    viewport()->setCursor(Qt::ArrowCursor);
    m_dragOut = 0;
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
    if (ItemDropTarget::Accepts(e->mimeData(), GetSourceModeValue())) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void CThumbWnd::dragMoveEvent(QDragMoveEvent *e)
{
    if (ItemDropTarget::Accepts(e->mimeData(), GetSourceModeValue())) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

bool CThumbWnd::IsOwnDrag(const QDropEvent *e) const
{
    // The mark names this grid in this process: it holds where the platform does not say which
    // widget a drag came from.
    const QMimeData *mime = e->mimeData();
    return m_dragOut != 0 || e->source() == this || e->source() == viewport()
        || (mime != nullptr && mime->data(QString::fromLatin1(kOwnDragFormat)) == OwnDragMark());
}

void CThumbWnd::dropEvent(QDropEvent *e)
{
    if (!ItemDropTarget::Accepts(e->mimeData(), GetSourceModeValue())) {
        e->ignore();
        return;
    }
    e->setDropAction(Qt::CopyAction);
    e->accept();
    if (IsOwnDrag(e)) {
        // The grid's own items came back (the drag strayed out of the view): the release
        // reorders them like a release that never left, and no file is copied.
        Qt::KeyboardModifiers mods = e->modifiers();
        ApplyMouse(m_mouse.LeftUp(
            ToContent(e->position().toPoint()), true, mods & Qt::ControlModifier, mods & Qt::ShiftModifier));
        return;
    }
    DropFiles(ItemDropTarget::DroppedPaths(e->mimeData()));
}
