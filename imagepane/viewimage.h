// The image pane: one picture at a zoom, centred when smaller than the pane and scrollable when
// larger, on a grey background. It opens, pages, saves and prints on the main frame's request,
// carries out the posted picture commands (WMU_IMAGE_OPERATION, WMU_TOOLS_COMMAND,
// WMU_EFFECT_COMMAND), hosts the selection tools with their crawling outline, and the measuring
// ruler.
#pragma once

#include "image/decodeahead.h"
#include "image/edithistory.h"
#include "image/selectionstate.h"
#include "image/shapetracker.h"
#include "imagepane/animationplayer.h"
#include "imagepane/displayform.h"
#include "imagepane/imagepanedialogs.h"
#include "imagepane/measureruler.h"
#include "paneapi/ianimatedpane.h"
#include "paneapi/iimagepane.h"
#include "paneapi/panemessage.h"

#include <QAbstractScrollArea>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CImageObj;

class CViewImage : public QAbstractScrollArea, public IImagePane, public IAnimatedPane, private CTrackerView
{
    Q_OBJECT
public:
    // Operation codes of WMU_IMAGE_OPERATION (the mode the mouse works in).
    enum Operation {
        OpSelect = 0,
        OpRectangle = 1,
        OpEllipse = 2,
        OpPolygon = 3,
        OpDelete = 5,
        OpReverse = 6,
        OpCrop = 7,
        OpRemoveBlackEdge = 8,
        OpRotateLeft = 9,
        OpRotateRight = 10,
        OpRotateFree = 11,
        OpBrightness = 12,
        OpDarkness = 13,
        OpNegative = 14,
        OpZoom100 = 15,
        OpZoomIn = 16,
        OpZoomOut = 17,
        OpRemoveBlackEdgeDirect = 18,
        OpImageSize = 20,
    };

    explicit CViewImage(QWidget *parent = nullptr);
    // Stops the outline worker before anything else goes.
    ~CViewImage() override;

    // --- what the main frame asks ---
    // Without background decoding the picture is read here. With it, a picture decoded ahead is
    // shown at once; any other is decoded on the background workers, painted first from a reduced
    // copy fitted to the pane and then in full, while the previous picture stays on screen until
    // the first of them is ready. Whatever needs the full picture waits for it.
    void Open(const QString &path) override;
    void DecodeAhead(const QStringList &paths) override;
    void ForgetDecoded() override;
    // Turns background decoding and the cache of pictures decoded ahead on or off (the main frame
    // turns it on).
    void SetBackgroundDecoding(bool on);
    CDecodeAhead *DecodeCache() { return m_ahead.get(); }
    // A picture is being opened: its full picture is not there yet.
    bool Opening() const { return m_opening.active; }
    // The reduced copy is what the pane shows.
    bool ShowsReduced() const { return m_opening.reduced != nullptr; }
    // Waits until the picture being opened is there in full (or has failed).
    void FinishOpening();
    bool Save(const QString &path) override;
    int PageCount() const override;
    bool GotoPage(bool forward) override;
    void Fit(int how) override;
    QWidget *Window() override { return this; }
    bool PreviewCopy(CImageObj &dest, int maxWidth, int maxHeight) const override;
    bool ToggleAnimation() override;
    const CAnimationPlayer &Animation() const { return *m_animation; }

    // --- the posted messages, with their return values ---
    // wParam = operation code; code 22 takes a View-menu command id in lParam. Returns 0.
    LRESULT OnImageOperation(WPARAM code, LPARAM commandId);
    // Tools menu command id; −1 without a picture, else 0.
    LRESULT OnToolsCommand(WPARAM id);
    // Effect menu or toolbar command id; −1 without a picture, else 0.
    LRESULT OnEffectCommand(WPARAM id);
    // What the handler of the last posted message returned.
    LRESULT LastMessageResult() const { return m_lastResult; }

    // The dialogs the pane opens (the default ones until the program gives its own).
    void SetDialogs(CImagePaneDialogs dialogs);
    // Where the pane's status texts go (status pane index 0-4, text); none until it is set.
    using StatusSink = std::function<void(int index, const QString &text)>;
    void SetStatusSink(StatusSink sink) { m_status = std::move(sink); }

    // --- undo, redo and the modified state ---
    // Every edit runs here: applied as the newest undo step, then display, scroll sizes, status
    // bar and repaint follow. False when the picture refused it (nothing changed).
    bool RunEdit(std::unique_ptr<CEditOp> op);
    bool Undo() override;
    bool Redo() override;
    bool CanUndo() const override { return HasPicture() && m_history.CanUndo(); }
    bool CanRedo() const override { return HasPicture() && m_history.CanRedo(); }
    bool IsModified() const override { return HasPicture() && m_history.IsModified(); }
    // Asks "Save changes to NAME?" when the picture is modified: Yes saves (a failed save counts as
    // Cancel), No drops the edits, Cancel keeps everything. True when the picture may go.
    bool ConfirmLeave() override;
    QString PicturePath() const override;
    const CEditHistory &History() const { return m_history; }
    // Told whenever the modified state changes (the title's marker).
    using ModifiedSink = std::function<void(bool modified)>;
    void SetModifiedSink(ModifiedSink sink) { m_modifiedSink = std::move(sink); }
    // Told the new file after Save As wrote the picture under another name.
    using FileSink = std::function<void(const QString &path)>;
    void SetFileSink(FileSink sink) { m_fileSink = std::move(sink); }

    // --- state ---
    int Mode() const { return m_mode; }
    int Tool() const { return m_selection.Tool(); }
    int Zoom() const { return m_zoom; }
    // The full picture; one being opened is waited for.
    CImageObj *Picture() const;
    POINT CentringOffset() const { return m_offset; }
    // The picture's top-left corner in client coordinates.
    POINT Origin() const;
    // The picture as shown: origin and zoomed size (empty without a picture).
    ZoomView DisplayView() const;
    // What the picture is painted from (its reduced copies, for tests and benchmarks).
    const CDisplayForm &DisplayForm() const { return m_form; }
    CSelectionState &Selection() { return m_selection; }
    const CMeasureRuler &Ruler() const { return m_ruler; }

    // Paints the part of the pane in region (client coordinates) with painter: background,
    // picture at the zoom, selection outline, rubber band and ruler. The paint event goes here.
    void PaintClient(QPainter &painter, const QRegion &region);

    // Event type of the outline worker's repaint request.
    static QEvent::Type OutlineTickType();

    // --- viewing (viewimagekeys.cpp) ---
    // The zoom that shows the whole picture in the pane.
    void FitWhole();
    // Zooms to percent keeping the picture point under pointer (client coordinates) in place.
    void ZoomAbout(int percent, QPoint pointer);
    // The picture alone on the whole screen, and back into the main window.
    void ToggleFullScreen();
    bool IsFullScreen() const { return m_fullScreen; }
    // Steps to the next picture every intervalMs until a key or a click; 0 stops.
    void StartSlideshow(int intervalMs);
    bool SlideshowRunning() const;
    // "2/3" for the second of three pages; empty for a single page.
    QString PageText() const;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    // Undo and Redo, where a right click looks for them.
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // The viewing keys (+, -, 1, F, Space, Backspace, PageUp/PageDown, F11, Esc full screen);
    // true when the key was one of them.
    bool HandleViewKey(QKeyEvent *event);
    // A key or a click while a slideshow runs stops it and does nothing else.
    bool StopSlideshowOnInput(QEvent *event);
    // CTrackerView
    void SetTrackerCapture() override { m_capture = true; }
    void ReleaseTrackerCapture() override { m_capture = false; }
    bool HasTrackerCapture() const override { return m_capture; }
    POINT PictureOrigin() const override { return Origin(); }
    void RubberBandChanged() override;
    void AddShape(int kind, bool subtract, const RECT &bounds, const std::vector<POINT> &points) override;

    bool HasPicture() const;
    // A full picture or the reduced copy of the one being opened is shown; its full size.
    bool HasShown() const;
    int ShownWidth() const;
    int ShownHeight() const;
    // By value: the path may be the opening state's, which these reset.
    void ShowLoaded(std::unique_ptr<CImageObj> picture, QString path, const FileStamp &stamp);
    void ShowOpenFailure(QString path);
    void ShowReduced(CDecodeAhead::Delivery &delivery);
    void ApplyDelivery(CDecodeAhead::Delivery &delivery);
    // The shown picture goes; an unedited one of a file unchanged since goes back to the cache.
    void LeavePicture();
    void WriteStatus(bool withPath, const QString &path, bool damaged, int width, int height, int bits,
        const QString &page);
    static QEvent::Type DecodedType();
    // After every change of the picture's pixels or header: the display form follows; a change of
    // size drops the selection, whose mask belongs to the old geometry.
    void PictureChanged(int oldWidth, int oldHeight);
    void ApplyZoom(int percent, bool reset);
    void RecomputeScrollSizes(bool reset);
    void UpdateScrollBars();
    void UpdateOutlineArea();
    void SetStatusTexts(bool withPath);
    void DropSelection();
    void OnOutlineTick();

    // Changes the full picture's pixels through change (an edit, undo or redo) and shows the
    // result; false when change refused (nothing changed).
    bool ChangePixels(const std::function<bool(CImageObj &)> &change);
    void ShowEdited(int oldWidth, int oldHeight);
    bool ConfirmLosingContent(const QString &path);
    void DeleteSequence();
    void RotateCommand(int direction);
    void ToneCommand(int code);
    void ImageSizeCommand();
    void PrintCommand();
    void ResetCommand();

    QRect RubberBounds() const;
    void PaintRubberBand(QPainter &painter) const;
    void PaintOutline(std::uint32_t *dest, std::size_t stride, const QRect &target) const;
    static UINT KeyFlags(const QMouseEvent *event);

    int m_mode = 0;
    int m_zoom;
    std::unique_ptr<CImageObj> m_picture;
    // Shows page of the open file (animation playback; see animationpane.cpp).
    bool ShowAnimationPage(int page);
    void StartAnimation(const QString &path);
    CAnimationPlayer *m_animation = nullptr;
    bool m_damagedShown = false; // the status bar's path carries the damaged-file notice
    POINT m_offset { 0, 0 };
    SIZE m_total { 100, 100 };
    CImagePaneDialogs m_dialogs;
    StatusSink m_status;
    CEditHistory m_history;
    ModifiedSink m_modifiedSink;
    FileSink m_fileSink;
    // Cleared before every change of the picture's pixels: workers build its reduced copies from
    // them.
    CDisplayForm m_form;
    CMeasureRuler m_ruler;
    bool m_capture = false;
    bool m_recomputing = false;
    QRect m_rubber; // where the rubber band was last painted
    LRESULT m_lastResult = 0;

    // Dashes of the outline in displayed-picture coordinates, as the last tick left them.
    std::vector<POINT> m_red, m_green;
    QRect m_dotsBounds;
    SIZE m_outlineSize { 0, 0 }; // the zoomed size the dashes belong to
    std::atomic<bool> m_tickPending { false };
    std::vector<std::uint32_t> m_scratch;

    bool m_fullScreen = false;
    QWidget *m_homeParent = nullptr;
    QRect m_homeGeometry;
    class QTimer *m_slideshow = nullptr;

    // The picture being opened: where its full picture is awaited, and its reduced copy.
    struct OpeningState {
        bool active = false;
        QString path;
        int clientWidth = 0; // the client's width when it was asked for: the opening zoom's
        int width = 0, height = 0, bitCount = 0, pages = 0;
        std::unique_ptr<CImageObj> reduced;
        CDisplayForm form;

        // No picture being opened; the form lets go of the reduced copy first.
        void Reset();
    };
    OpeningState m_opening;
    std::unique_ptr<CDecodeAhead> m_ahead;
    std::atomic<bool> m_decodedPending { false };
    FileStamp m_shownStamp; // the shown picture's file when it was read
    bool m_pristine = false; // the shown picture is its file's default page, never changed

    // Last: the worker stops (in the destructor) before the members above go.
    CSelectionState m_selection;
};
