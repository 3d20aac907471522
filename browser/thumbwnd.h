// The thumbnail grid: every picture of one folder as a numbered thumbnail with its name, in the
// user's order, kept in the folder's cache file. Thumbnails are made on worker threads, nearest
// to the view first, while items still enter the grid in folder order; Esc stops the pass.
// Selection, reordering, dragging out and dropping in follow ThumbMouse and the drop rules.
#pragma once

#include "browser/folderlisting.h"
#include "browser/folderpass.h"
#include "browser/resourcewnd.h"
#include "browser/thumbbuilder.h"
#include "browser/thumblist.h"
#include "browser/thumbmouse.h"
#include "browser/thumbowner.h"
#include "platform/files.h"

#include <QPointer>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>
#include <unordered_map>

class QFileSystemWatcher;
class QMimeData;

class CThumbWnd : public CResourceWnd, public CThumbOwner
{
    Q_OBJECT

public:
    // codec: where pictures come from (the codec library in the program).
    explicit CThumbWnd(const ThumbCodec &codec, QWidget *parent = nullptr);
    ~CThumbWnd() override;

    void SaveCache(int clear) override;
    void SetFolder(const std::string &folder, int mode) override;
    void Reload(const std::string &nameToSelect) override;
    void Close() override { SaveCache(1); }
    void RecalcLayout() override;
    int IsEmpty() const override { return m_list.Empty() ? 1 : 0; }
    int CopyFileIn(const std::string &source, std::string &target) override;
    int IsImageFile(const std::string &path) override;
    void AttachItems() override;
    void DrawAll(QPainter &painter) override;
    // Asks the codec about the names AddFile will see, on every core at once.
    void PrepareEntries(const std::vector<FolderEntry> &entries) override;
    int AddFile(const std::string &name) override;
    int FilterFiles() override;
    bool SerializeItems(ArchiveReader &ar) override;
    void ResetBoxSize() override;
    void SyncItems() override;
    void BuildPictures() override;
    void DrawItems(QPainter &painter) override;
    int SelectByName(const std::string &name, RECT &rect) override;

    std::int64_t GetCacheSize() const;
    void GetFilePaths(std::vector<std::string> &paths) const;
    int CopyFrom(CThumbWnd &grid);
    int RemoveItem(CThumbObj *item);

    // 1 with the full path of the current picture (first selected, else first item); 0 when
    // the grid is hidden or empty.
    int GetCurrentFile(std::string &path);
    // Selects the item after (next = 1) or before (0) the last selected one; no wrap-around.
    void SelectNeighbour(int next);
    // 1 with the full path of the item after (next = 1) or before (0) the current picture in the
    // grid's order; 0 at an end, or when the grid is hidden or empty.
    int GetNeighbourFile(int next, std::string &path);
    // Compares the folder with the items again (F5, and what a change in the folder starts):
    // gone files lose their item, rewritten ones get a new thumbnail, new ones join at the end.
    void RefreshFolder();
    // What a drag out of the grid carries: the selected files (in selection order) as URLs and as
    // a dropped-file list, and the mark of this grid.
    QMimeData *MakeDragData() const;
    // Selects only the picture called name and scrolls it into view; 0 when the grid lacks it.
    int SelectFile(const std::string &name);
    // Full paths of the selected items in selection order (what a drag out offers).
    std::vector<std::string> GetSelectedPaths() const;
    // What dropping these files does: each is checked and copied in (folder mode) in order.
    void DropFiles(const std::vector<std::string> &paths);

    const ThumbList &Items() const { return m_list; }
    // The item the keys move from: the last one moved to or clicked, else the last selected;
    // -1 when there is none.
    int CurrentIndex() const;
    // A load (enumeration and thumbnail pass) is running.
    bool IsLoadRunning() const;
    int GetDragOutFlag() const { return m_dragOut; }
    const ThumbBuilder &Builder() const { return *m_builder; }

    // CThumbOwner
    int ShowFileError(
        const std::string &path, int kind, int detail = 0, const std::string &extra = {}) override
    {
        return CResourceWnd::ShowFileError(path, kind, detail, extra);
    }
    short GetSourceMode() const override { return GetSourceModeValue(); }
    bool HasKeyboardFocus() const override { return hasFocus(); }
    bool IsPopup() const override { return false; }
    const ThumbCodec *GetCodec() const override { return &m_codec; }

signals:
    // A left click changed the selection (the frame opens GetCurrentFile). Connect queued.
    void thumbChosen();
    // A key moved the selection (the frame may show the new current picture).
    void selectionMoved();
    // A load finished (all thumbnails in, or stopped).
    void loadFinished();

protected:
    void OnThumbReload() override;
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dragMoveEvent(QDragMoveEvent *e) override;
    void dropEvent(QDropEvent *e) override;

private:
    std::shared_ptr<CThumbObj> NewItem(const std::string &name, const FileStatusRecord &status);
    void OnThumbResult(std::uint64_t generation, int sequence, std::shared_ptr<ThumbJobResult> result);
    void AdvancePass();
    void ApplyStep(FolderPass::Step &step);
    void FinishPass();
    void CancelPass();
    void StopOnEscape();
    long long JobPriority(int sequence) const;
    void ApplyMouse(const MouseOutcome &outcome);
    // Arrows, Home/End, PageUp/PageDown and Enter; false for other keys.
    bool HandleGridKey(int key, Qt::KeyboardModifiers mods);
    void StartDragOut();
    static constexpr const char *kOwnDragFormat = "application/x-tarnis-grid";
    QByteArray OwnDragMark() const;
    // The drop carries this grid's own drag.
    bool IsOwnDrag(const QDropEvent *e) const;
    void RepaintNow();
    // Repaints the part of the client a cell (content coordinates) covers.
    void UpdateCell(const RECT &cell);
    // Lists the folder's pictures on a thread of its own; OnListed goes on with the load (a
    // refresh keeps the items and their order).
    void StartListing(bool refresh, bool force);
    void StopListing();
    void OnListed(std::uint64_t generation, FolderListing listing);
    // Watches the folder and its listed pictures.
    void WatchFolder();
    void OnFolderChanged();
    // Lists the folder again and compares it with the items; unless forced, a folder whose
    // names did not change is left alone.
    void CompareFolder(bool force);
    // Writes the cache into the folder, else into the user's cache folder; false when neither
    // took it (the failure message then shows once per folder in a session).
    bool WriteCache();
    // The item list changed: the cache must be written.
    void MarkChanged();

    const ThumbCodec &m_codec;
    ThumbList m_list;
    ThumbMouse m_mouse { m_list };
    CThumbWnd *m_sourceGrid = nullptr;
    int m_dragOut = 0;
    int m_current = -1;
    static constexpr int kRefreshDelayMs = 250;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer m_refreshTimer;
    bool m_refreshAgain = false;
    bool m_filesTouched = false;
    std::vector<std::string> m_listing;
    struct ListingJob {
        std::atomic<bool> stop { false };
        std::atomic<bool> done { false };
        std::thread thread;
    };
    std::shared_ptr<ListingJob> m_listingJob;
    std::vector<std::shared_ptr<ListingJob>> m_retiredJobs;
    std::uint64_t m_listingGeneration = 0;
    bool m_listingRefresh = false;
    std::unordered_map<std::string, int> m_formatMemo;
    FolderPass m_pass;
    std::uint64_t m_passGeneration = 0;
    bool m_passActive = false;
    bool m_advancing = false;
    bool m_advanceAgain = false;
    bool m_cacheMatches = false; // the cache file holds exactly the items in memory
    std::unique_ptr<ThumbBuilder> m_builder;
    QRect m_paintArea; // the part of the client the current paint covers
};
