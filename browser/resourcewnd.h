// The item list window: owns the grid layout and the vertical scroll bar, and the file-level
// services a grid needs (folder enumeration with its limit, loading the per-folder cache,
// copying a file into the folder, the file and folder error boxes). The thumbnail grid is the
// concrete grid; the virtuals keep their base behaviour where it does not replace them.
#pragma once

#include "browser/gridlayout.h"
#include "platform/files.h"
#include "platform/wintypes.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <string>
#include <vector>

class ArchiveReader;
class QPainter;

class CResourceWnd : public QAbstractScrollArea
{
    Q_OBJECT

public:
    static constexpr int kMaxFolderEntries = 1024;
    static constexpr int ID_THUMB_RELOAD = 26380;
    static constexpr int kControlId = 26038;

    explicit CResourceWnd(QWidget *parent = nullptr);
    ~CResourceWnd() override;

    // Places the window as a child of parent over rect and shows it; 1 (also when already there).
    virtual int CreateChild(const QRect &rect, QWidget *parent);
    virtual void SaveCache(int clear);
    virtual void SetFolder(const std::string &folder, int mode);
    virtual void Reload(const std::string &nameToSelect);
    virtual void Close() { }
    virtual void RecalcLayout() { }
    virtual void SetBoxSize(int cx, int cy);
    virtual SIZE GetSize(int cell) const { return cell != 0 ? m_cellSize : m_boxSize; }
    virtual void Refresh();
    virtual void OnFileDropped(const std::string &) { }
    virtual int IsEmpty() const { return 1; }
    virtual int CopyFileIn(const std::string &source, std::string &target);
    virtual int IsImageFile(const std::string &) { return 1; }
    virtual void AttachItems() { }
    virtual void DrawAll(QPainter &) { }
    virtual void EnumerateFolder();
    // Sees the folder's entries before they are offered to AddFile one by one.
    virtual void PrepareEntries(const std::vector<FolderEntry> &) { }
    virtual int AddFile(const std::string &name);
    virtual int FilterFiles() { return 0; }
    virtual int LoadCache();
    // Reads the items after the signature; false when they cannot be decoded.
    virtual bool SerializeItems(ArchiveReader &) { return true; }
    virtual void ResetBoxSize();
    virtual void SyncItems() { }
    virtual void BuildPictures() { }
    virtual void DrawItems(QPainter &) { }
    virtual int SelectByName(const std::string &, RECT &) { return 1; }
    virtual void ScrollToRect(const RECT &rect) { EnsureItemVisible(rect); }
    virtual std::string GetFullPath(const std::string &name) const;

    // Scrolls so that rect (content coordinates) is at the top unless it already is.
    void EnsureItemVisible(const RECT &rect);
    int ShowFileError(const std::string &path, int kind, int detail = 0, const std::string &extra = {});
    int ShowFolderError(const std::string &path, int kind, int detail = 0, const std::string &extra = {});
    void SetModified(int modified) { m_modified = modified; }
    int GetModified() const { return m_modified; }
    const std::string &GetNameToSelect() const { return m_nameToSelect; }
    short GetSourceModeValue() const { return m_sourceMode; }
    void SetFocusToGrid();

    const std::string &GetFolder() const { return m_folder; }
    const std::vector<std::string> &GetFileList() const { return m_fileList; }
    int GetShowMode() const { return m_showMode; }
    int GetTextHeight() const { return m_textHeight; }
    const GridLayout &Layout() const { return m_layout; }
    int IsReloadPending() const { return m_reloadPending; }
    // The vertical scroll codes of the platform's scroll bar (line = page).
    void VScroll(ScrollCode code, int trackPosition = 0);

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;
    void scrollContentsBy(int dx, int dy) override;

    // The load command, run once per posted request.
    virtual void OnThumbReload() { }
    void PostReload();
    // Copies the layout's scroll state into the scroll bar.
    void SyncScrollBar();
    // Content coordinates of a point of the viewport.
    POINT ToContent(const QPoint &p) const;

    // The cache file's name in the folder and the signature it starts with (set once).
    void SetCacheNames(const std::string &signature, const std::string &fileName);
    const std::string &CacheSignature() const { return m_cacheSignature; }
    const std::string &CacheFileName() const { return m_cacheFileName; }
    void SetSourceMode(short mode) { m_sourceMode = mode; }
    // The user moved the view (bar, wheel, keys) since the last ResetUserScroll.
    bool UserScrolled() const { return m_userScrolled; }
    // Back to the first row; the view follows a load again until the user scrolls.
    void ScrollToTop();
    void MarkUserScroll() { m_userScrolled = true; }
    // "Just browse 1024 ... for speed": the folder holds more pictures than the grid shows.
    void ShowEntryLimitMessage();

    std::vector<std::string> m_fileList;
    std::string m_folder;
    int m_reloadPending = 0;
    int m_showMode = 1;
    SIZE m_cellSize { 80, 80 };
    SIZE m_boxSize { 80, 80 };
    int m_textHeight = 0;
    int m_modified = 0;
    int m_stop = 0;
    int m_loading = 1;
    GridLayout m_layout;

private:
    std::string m_cacheSignature;
    std::string m_cacheFileName;
    std::string m_nameToSelect;
    short m_sourceMode = 1;
    bool m_syncingBar = false;
    bool m_userScrolled = false;
};

// The event type of the posted reload command.
QEvent::Type ThumbReloadEventType();
