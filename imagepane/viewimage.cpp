#include "imagepane/viewimage.h"

#include "codec/codexa.h"
#include "image/editop.h"
#include "image/imageobj.h"
#include "image/polytracker.h"
#include "image/seltracker.h"
#include "imagepane/printpicture.h"
#include "imagepane/savecheck.h"
#include "imagepane/zoommath.h"
#include "platform/files.h"
#include "res/resource.h"
#include "res/resources.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>

namespace
{

const QColor kBackground(194, 194, 194);
constexpr std::uint32_t kRedDot = 0xFFFF0000u;
constexpr std::uint32_t kGreenDot = 0xFF00FF00u;

// Wait cursor for the length of an edit.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

QRect ToQRect(const RECT &r)
{
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

QRect BoundsOf(const std::vector<POINT> &a, const std::vector<POINT> &b)
{
    if (a.empty() && b.empty())
        return QRect();
    LONG l = INT32_MAX, t = INT32_MAX, r = INT32_MIN, bottom = INT32_MIN;
    for (const auto *list : { &a, &b })
        for (const POINT &p : *list) {
            l = std::min(l, p.x);
            t = std::min(t, p.y);
            r = std::max(r, p.x);
            bottom = std::max(bottom, p.y);
        }
    return QRect(QPoint(l, t), QPoint(r, bottom));
}

} // namespace

QEvent::Type CViewImage::OutlineTickType()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

CViewImage::CViewImage(QWidget *parent)
    : QAbstractScrollArea(parent)
    , zoom_(kInitialZoom)
    , dialogs_(DefaultImagePaneDialogs())
{
    setObjectName(QStringLiteral("CViewImage"));
    animation_ = new CAnimationPlayer(this);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(1, 1);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    UpdateScrollBars();
    // The worker asks for a repaint of the dashes; one request waits in the queue at a time.
    selection_.StartWorker([this] {
        if (tickPending_.load(std::memory_order_relaxed))
            return;
        auto *tick = new (std::nothrow) QEvent(OutlineTickType());
        if (!tick)
            return;
        tickPending_.store(true, std::memory_order_release);
        QCoreApplication::postEvent(this, tick);
    });
}

CViewImage::~CViewImage()
{
    selection_.StopWorker();
    selection_.Drop();
}

void CViewImage::SetDialogs(CImagePaneDialogs dialogs)
{
    dialogs_ = std::move(dialogs);
}

bool CViewImage::HasPicture() const
{
    return picture_ && !picture_->IsEmpty();
}

POINT CViewImage::Origin() const
{
    return ViewportOrigin(offset_, horizontalScrollBar()->value(), verticalScrollBar()->value());
}

ZoomView CViewImage::DisplayView() const
{
    ZoomView view;
    view.origin = Origin();
    if (HasPicture()) {
        view.zoomedWidth = ZoomedExtent(zoom_, picture_->Width());
        view.zoomedHeight = ZoomedExtent(zoom_, picture_->Height());
    }
    return view;
}

// --- opening, paging, saving ---

void CViewImage::Open(const QString &path)
{
    if (path.isEmpty() || !ConfirmLeave())
        return;
    DropSelection();
    history_.Reset();
    animation_->Stop();
    auto fresh = std::unique_ptr<CImageObj>(new (std::nothrow) CImageObj);
    if (!fresh || !fresh->Load(path.toStdString())) {
        picture_.reset();
        form_.Clear();
        total_ = SIZE { 100, 100 };
        offset_ = POINT { 0, 0 };
        UpdateScrollBars();
        viewport()->update();
        if (modifiedSink_)
            modifiedSink_(IsModified());
        if (dialogs_.message)
            dialogs_.message(this,
                QStringLiteral("Cannot open %1: %2.")
                    .arg(QDir::toNativeSeparators(path),
                        CanReadRegularFile(path.toStdString())
                            ? QStringLiteral("the file is damaged or not a picture this program reads")
                            : QStringLiteral("the file cannot be read")));
        return;
    }
    picture_ = std::move(fresh);
    if (modifiedSink_)
        modifiedSink_(IsModified());
    form_.Prepare(picture_->Info(), picture_->Bits());
    SetStatusTexts(true);
    offset_ = POINT { 0, 0 };
    ApplyZoom(std::max(kMinZoom, OpeningZoom(viewport()->width(), picture_->Width())), true);
    viewport()->update();
    StartAnimation(path);
}

// Replacing the picture's own file with what the picture holds: the other frames of a GIF and the
// transparency of a file go, so the user says first.
bool CViewImage::ConfirmLosingContent(const QString &path)
{
    const std::string file = path.toStdString();
    const bool gif = QFileInfo(path).suffix().compare(QStringLiteral("gif"), Qt::CaseInsensitive) == 0;
    QString loss;
    if (gif && picture_->PageCount() > 1)
        loss = QStringLiteral("%1 holds %2 frames; only the one shown is kept.")
                   .arg(QFileInfo(path).fileName())
                   .arg(picture_->PageCount());
    else if (CodexaHasTransparency(file.c_str()) > 0)
        loss = QStringLiteral(
            "%1 holds transparency, shown flattened on white; the saved picture keeps the white.")
                   .arg(QFileInfo(path).fileName());
    if (loss.isEmpty())
        return true;
    return dialogs_.question
        && dialogs_.question(this, loss + QStringLiteral(" Replace the file?")) == QMessageBox::Yes;
}

QString CViewImage::PicturePath() const
{
    return HasPicture() ? QString::fromStdString(picture_->FileName()) : QString();
}

bool CViewImage::ConfirmLeave()
{
    if (!IsModified())
        return true;
    const QString name = QFileInfo(QString::fromStdString(picture_->FileName())).fileName();
    const int answer = dialogs_.question
        ? dialogs_.question(this, QStringLiteral("Save changes to %1?").arg(name))
        : int(QMessageBox::Cancel);
    if (answer == QMessageBox::No) {
        // The edits are given up: the picture about to go asks no more.
        history_.Reset();
        if (modifiedSink_)
            modifiedSink_(false);
        return true;
    }
    if (answer == QMessageBox::Yes)
        return Save(QString());
    return false;
}

void CViewImage::SetStatusTexts(bool withPath)
{
    if (!status_ || !HasPicture())
        return;
    const QString path = QString::fromStdString(picture_->FileName());
    // A page of a damaged file says so after the path; paging redoes the path only when that
    // changes.
    const bool damaged = picture_->IsDamaged();
    if (withPath || damaged != damagedShown_)
        status_(0, damaged ? path + QStringLiteral(" (damaged file)") : path);
    damagedShown_ = damaged;
    status_(1, QString::asprintf("%dx%d", picture_->Width(), picture_->Height()));
    const int bits = picture_->BitCount();
    const QString depth
        = bits > 8 ? QString::asprintf("%dBit", bits) : QString::asprintf("%dColor", 1 << bits);
    const QString page = PageText();
    status_(2, page.isEmpty() ? depth : depth + QStringLiteral("  ") + page);
    if (!withPath)
        return;
    if (CanReadRegularFile(path.toStdString()))
        status_(3, QString::asprintf("%uK", static_cast<unsigned>(QFileInfo(path).size() / 1024)));
}

bool CViewImage::Save(const QString &path)
{
    if (!HasPicture())
        return false;
    const QString own = QString::fromStdString(picture_->FileName());
    const QString target = path.isEmpty() ? own : path;
    if (target.isEmpty())
        return false;
    const bool sameFile = QFileInfo(target).absoluteFilePath() == QFileInfo(own).absoluteFilePath();
    if (sameFile && !ConfirmLosingContent(target))
        return false;
    std::vector<EditKind> turns;
    const bool lossless = history_.LosslessSince(turns);
    if (!picture_->SaveKeepingFile(target.toStdString(), lossless ? &turns : nullptr)) {
        if (dialogs_.message)
            dialogs_.message(
                this, SaveFailureMessage(target, SaveFailureReason(target, picture_->MemoryBytes())));
        return false;
    }
    if (!sameFile) {
        picture_->Rename(target.toStdString());
        SetStatusTexts(true);
    } else if (status_) {
        status_(3, QString::asprintf("%uK", static_cast<unsigned>(QFileInfo(target).size() / 1024)));
    }
    history_.MarkSaved();
    if (modifiedSink_)
        modifiedSink_(IsModified());
    if (!sameFile && fileSink_)
        fileSink_(target);
    return true;
}

int CViewImage::PageCount() const
{
    return picture_ ? picture_->PageCount() : 0;
}

bool CViewImage::GotoPage(bool forward)
{
    if (!picture_)
        return false;
    const int target = picture_->CurrentPage() + (forward ? 1 : -1);
    if (target < 0 || target >= picture_->PageCount() || !ConfirmLeave())
        return false;
    history_.Reset();
    if (modifiedSink_)
        modifiedSink_(IsModified());
    const int width = picture_->Width(), height = picture_->Height();
    const bool ok = picture_->GotoPage(forward);
    if (ok)
        animation_->Sync(picture_->CurrentPage());
    if (ok) {
        PictureChanged(width, height);
        // Pages of one file may differ in size.
        RecomputeScrollSizes(false);
        SetStatusTexts(false);
    }
    viewport()->update();
    return ok;
}

bool CViewImage::PreviewCopy(CImageObj &dest, int maxWidth, int maxHeight) const
{
    return HasPicture() && picture_->PreviewCopy(dest, maxWidth, maxHeight);
}

// --- zoom and scrolling ---

void CViewImage::Fit(int how)
{
    if (!HasPicture() || (how != 1 && how != 2))
        return;
    const int zoom = how == 1 ? FitZoom(viewport()->width(), picture_->Width())
                              : FitZoom(viewport()->height(), picture_->Height());
    ApplyZoom(zoom, true);
}

void CViewImage::ApplyZoom(int percent, bool reset)
{
    if (!IsZoomAllowed(percent))
        return;
    zoom_ = percent;
    RecomputeScrollSizes(reset);
    viewport()->update();
}

void CViewImage::RecomputeScrollSizes(bool reset)
{
    if (!HasPicture())
        return;
    recomputing_ = true;
    // Showing or hiding a scroll bar changes the client size; settle on the final one.
    for (int pass = 0; pass < 3; ++pass) {
        const QSize client = viewport()->size();
        const ScrollLayout layout = ComputeScrollLayout(
            zoom_, picture_->Width(), picture_->Height(), client.width(), client.height(), offset_, reset);
        offset_ = layout.offset;
        total_ = layout.zoomed;
        UpdateScrollBars();
        if (viewport()->size() == client)
            break;
    }
    recomputing_ = false;
    UpdateOutlineArea();
}

// The outline is worked out in displayed-picture coordinates, for the part of the picture the
// client shows: scrolled dashes stay glued to the picture, and the pane adds the origin when it
// paints them. Dashes of another zoom are dropped at once rather than shown out of place until
// the next tick.
void CViewImage::UpdateOutlineArea()
{
    const ZoomView view = DisplayView();
    const QSize client = viewport()->size();
    if (view.zoomedWidth != outlineSize_.cx || view.zoomedHeight != outlineSize_.cy) {
        outlineSize_ = SIZE { view.zoomedWidth, view.zoomedHeight };
        if (!dotsBounds_.isNull())
            viewport()->update(dotsBounds_.translated(view.origin.x, view.origin.y));
        red_.clear();
        green_.clear();
        dotsBounds_ = QRect();
    }
    selection_.SetDisplayRect(RECT { 0, 0, view.zoomedWidth, view.zoomedHeight },
        RECT { -view.origin.x, -view.origin.y, client.width() - view.origin.x,
            client.height() - view.origin.y });
}

void CViewImage::UpdateScrollBars()
{
    const QSize client = viewport()->size();
    const ScrollLayout layout = ComputeScrollLayout(
        100, total_.cx, total_.cy, client.width(), client.height(), POINT { 0, 0 }, true);
    QScrollBar *h = horizontalScrollBar(), *v = verticalScrollBar();
    h->setPageStep(std::max<int>(layout.page.cx, 1));
    h->setSingleStep(layout.line.cx);
    h->setRange(0, ScrollRange(total_.cx, client.width()));
    v->setPageStep(std::max<int>(layout.page.cy, 1));
    v->setSingleStep(layout.line.cy);
    v->setRange(0, ScrollRange(total_.cy, client.height()));
}

void CViewImage::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (recomputing_)
        return;
    if (HasPicture())
        RecomputeScrollSizes(true);
    else
        UpdateScrollBars();
    viewport()->update();
}

void CViewImage::scrollContentsBy(int dx, int dy)
{
    UpdateOutlineArea();
    // The ruler and the rubber band stay where the mouse is; they cannot be moved with the
    // pixels.
    if (ruler_.IsActive() || !rubber_.isNull())
        viewport()->update();
    else
        viewport()->scroll(dx, dy);
}

// --- painting ---

void CViewImage::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    PaintClient(painter, event->region());
}

void CViewImage::PaintClient(QPainter &painter, const QRegion &region)
{
    const ZoomView view = DisplayView();
    const QRect picture(view.origin.x, view.origin.y, view.zoomedWidth, view.zoomedHeight);
    if (HasPicture() && !form_.Matches(picture_->Info(), picture_->Bits()))
        form_.Prepare(picture_->Info(), picture_->Bits());
    const bool drawPicture = HasPicture() && form_.IsReady() && !picture.isEmpty();
    for (const QRect &rect : region) {
        const QRect shown = drawPicture ? rect.intersected(picture) : QRect();
        if (shown.isEmpty()) {
            painter.fillRect(rect, kBackground);
            continue;
        }
        // The background around the picture, in at most four bands.
        const QRegion around = QRegion(rect).subtracted(shown);
        for (const QRect &band : around)
            painter.fillRect(band, kBackground);
        const std::size_t stride = static_cast<std::size_t>(shown.width());
        const std::size_t need = stride * static_cast<std::size_t>(shown.height());
        try {
            if (scratch_.size() < need)
                scratch_.resize(need);
        } catch (const std::bad_alloc &) {
            painter.fillRect(shown, kBackground);
            continue;
        }
        form_.Render(view, shown.left(), shown.top(), shown.width(), shown.height(), scratch_.data(), stride);
        PaintOutline(scratch_.data(), stride, shown);
        const QImage image(reinterpret_cast<const uchar *>(scratch_.data()), shown.width(), shown.height(),
            static_cast<qsizetype>(stride * sizeof(std::uint32_t)), QImage::Format_RGB32);
        painter.drawImage(shown.topLeft(), image);
    }
    if (!rubber_.isNull()) {
        painter.save();
        painter.setClipRegion(region);
        PaintRubberBand(painter);
        painter.restore();
    }
    if (ruler_.IsActive()) {
        painter.save();
        painter.setClipRegion(region);
        ruler_.Paint(painter);
        painter.restore();
    }
}

void CViewImage::PaintOutline(std::uint32_t *dest, std::size_t stride, const QRect &target) const
{
    if (red_.empty() && green_.empty())
        return;
    const POINT origin = Origin();
    auto put = [&](const std::vector<POINT> &dots, std::uint32_t colour) {
        for (const POINT &p : dots) {
            const int x = p.x + origin.x - target.left(), y = p.y + origin.y - target.top();
            if (x >= 0 && y >= 0 && x < target.width() && y < target.height())
                dest[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x)] = colour;
        }
    };
    put(red_, kRedDot);
    put(green_, kGreenDot);
}

QRect CViewImage::RubberBounds() const
{
    const CShapeTracker *tracker = selection_.Tracker();
    if (!tracker || !capture_)
        return QRect();
    if (const auto *sel = dynamic_cast<const CSelTracker *>(tracker)) {
        RECT r;
        if (!sel->RubberRect(r))
            return QRect();
        return QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom));
    }
    const std::vector<POINT> &points = tracker->Points();
    if (points.empty())
        return QRect();
    std::vector<POINT> current { tracker->CurrentPoint() };
    return BoundsOf(points, current);
}

void CViewImage::RubberBandChanged()
{
    const QRect bounds = RubberBounds();
    QRect dirty = rubber_.united(bounds);
    rubber_ = bounds;
    if (!dirty.isNull())
        viewport()->update(dirty.adjusted(-1, -1, 1, 1));
}

void CViewImage::PaintRubberBand(QPainter &painter) const
{
    const CShapeTracker *tracker = selection_.Tracker();
    if (!tracker)
        return;
    const ZoomView view = DisplayView();
    painter.setClipRect(
        QRect(view.origin.x, view.origin.y, view.zoomedWidth, view.zoomedHeight), Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    if (const auto *sel = dynamic_cast<const CSelTracker *>(tracker)) {
        RECT r;
        if (!sel->RubberRect(r) || r.right - r.left < 1 || r.bottom - r.top < 1)
            return;
        if (sel->Kind() == kShapeEllipse && r.right - r.left >= 2 && r.bottom - r.top >= 2) {
            painter.drawEllipse(ToQRect(r).adjusted(0, 0, -1, -1));
            return;
        }
        // Four spans that do not overlap, so that no pixel is inverted twice.
        const QRect q = ToQRect(r);
        painter.fillRect(QRect(q.left(), q.top(), q.width(), 1), Qt::black);
        if (q.height() > 1)
            painter.fillRect(QRect(q.left(), q.bottom(), q.width(), 1), Qt::black);
        if (q.height() > 2) {
            painter.fillRect(QRect(q.left(), q.top() + 1, 1, q.height() - 2), Qt::black);
            if (q.width() > 1)
                painter.fillRect(QRect(q.right(), q.top() + 1, 1, q.height() - 2), Qt::black);
        }
        return;
    }
    const std::vector<POINT> &points = tracker->Points();
    if (points.empty())
        return;
    QPolygon line;
    for (const POINT &p : points)
        line << QPoint(p.x, p.y);
    const POINT current = tracker->CurrentPoint();
    line << QPoint(current.x, current.y);
    painter.drawPolyline(line);
    if (points.size() > 1)
        painter.drawLine(QPoint(points.front().x, points.front().y), QPoint(current.x, current.y));
}

// --- the outline worker's side on the UI thread ---

void CViewImage::OnOutlineTick()
{
    tickPending_.store(false, std::memory_order_relaxed);
    std::vector<POINT> red, green;
    selection_.Dots(red, green);
    const QRect before = dotsBounds_;
    red_.swap(red);
    green_.swap(green);
    dotsBounds_ = BoundsOf(red_, green_);
    QRect dirty = before.united(dotsBounds_);
    if (dirty.isNull())
        return;
    const POINT origin = Origin();
    viewport()->update(dirty.translated(origin.x, origin.y));
}

void CViewImage::DropSelection()
{
    selection_.Drop();
    if (!dotsBounds_.isNull()) {
        const POINT origin = Origin();
        viewport()->update(dotsBounds_.translated(origin.x, origin.y));
    }
    red_.clear();
    green_.clear();
    dotsBounds_ = QRect();
}

void CViewImage::AddShape(int kind, bool subtract, const RECT &bounds, const std::vector<POINT> &points)
{
    const ZoomView view = DisplayView();
    selection_.AddShape(kind, subtract, bounds, points, view.zoomedWidth, view.zoomedHeight);
    viewport()->update();
}

// --- the posted messages ---

bool CViewImage::event(QEvent *event)
{
    // A tick is in the queue only while the flag is set. The acquire pairs with the worker's
    // release, so the event it made is seen whole here (the queue's own locking does the same,
    // but the thread sanitizer cannot see into Qt).
    if (tickPending_.load(std::memory_order_acquire) && event->type() == OutlineTickType()) {
        OnOutlineTick();
        return true;
    }
    if (const PaneMessageEvent *message = PaneMessageEvent::From(event)) {
        switch (message->Message()) {
        case WMU_IMAGE_OPERATION:
            lastResult_ = OnImageOperation(message->WParam(), message->LParam());
            return true;
        case WMU_TOOLS_COMMAND:
            lastResult_ = OnToolsCommand(message->WParam());
            return true;
        case WMU_EFFECT_COMMAND:
            lastResult_ = OnEffectCommand(message->WParam());
            return true;
        default:
            break;
        }
    }
    return QAbstractScrollArea::event(event);
}

LRESULT CViewImage::OnImageOperation(WPARAM wParam, LPARAM commandId)
{
    const int code = static_cast<int>(wParam);
    if (code == kOperationViewZoom && commandId != 0) {
        const UINT id = static_cast<UINT>(commandId);
        if (id == ID_VIEW_FIT_WIDTH)
            Fit(1);
        else if (id == ID_VIEW_FIT_HEIGHT)
            Fit(2);
        else if (id == ID_VIEW_FIT_PICTURE)
            FitWhole();
        else if (const int percent = ViewMenuZoom(id))
            ApplyZoom(percent, true);
        return 0;
    }
    mode_ = code;
    switch (code) {
    case OpSelect:
        selection_.SetTool(0);
        break;
    case OpRectangle:
        selection_.SetTool(kShapeRect);
        break;
    case OpEllipse:
        selection_.SetTool(kShapeEllipse);
        break;
    case OpPolygon:
        selection_.SetTool(kShapePolygon);
        break;
    case OpDelete:
        DeleteSequence();
        break;
    case OpReverse:
        if (HasPicture()) {
            const ZoomView view = DisplayView();
            selection_.Reverse(view.zoomedWidth, view.zoomedHeight);
            RecomputeScrollSizes(false);
        }
        viewport()->update();
        selection_.SetTool(0);
        break;
    case OpCrop:
        if (HasPicture() && selection_.HasSelection()) {
            RunEdit(MakeSnapshotEdit([this](CImageObj &picture) { return selection_.CropIn(picture); }));
            DropSelection();
        }
        break;
    case OpRemoveBlackEdge:
    case OpRemoveBlackEdgeDirect:
        if (HasPicture())
            RunEdit(MakeSnapshotEdit([](CImageObj &picture) { return picture.RemoveBlackEdge(); }));
        break;
    case OpRotateLeft:
        RotateCommand(1);
        break;
    case OpRotateRight:
        RotateCommand(2);
        break;
    case OpRotateFree:
        RotateCommand(0);
        break;
    case OpBrightness:
    case OpDarkness:
    case OpNegative:
        ToneCommand(code);
        break;
    case OpZoom100:
        ApplyZoom(100, false);
        break;
    case OpZoomIn:
        ApplyZoom(zoom_ + kZoomStep, false);
        break;
    case OpZoomOut:
        ApplyZoom(zoom_ - kZoomStep, false);
        break;
    case OpImageSize:
        ImageSizeCommand();
        break;
    default:
        break;
    }
    return 0;
}

LRESULT CViewImage::OnToolsCommand(WPARAM id)
{
    if (!HasPicture())
        return -1;
    switch (id) {
    case ID_TOOLS_ROTATE_LEFT:
        RotateCommand(1);
        break;
    case ID_TOOLS_ROTATE_RIGHT:
        RotateCommand(2);
        break;
    case ID_TOOLS_ROTATE_FREE:
        RotateCommand(0);
        break;
    case ID_TOOLS_MIRROR:
    case ID_TOOLS_FLIP:
        RunEdit(MakeMirrorFlip(id == ID_TOOLS_MIRROR ? 0 : 1));
        break;
    case ID_TOOLS_IMAGE_SIZE:
        ImageSizeCommand();
        break;
    default:
        break;
    }
    return 0;
}

LRESULT CViewImage::OnEffectCommand(WPARAM id)
{
    if (!HasPicture())
        return -1;
    switch (id) {
    case ID_PICTURE_PRINT:
        PrintCommand();
        break;
    case ID_EFFECT_BRIGHT:
        ToneCommand(OpBrightness);
        break;
    case ID_EFFECT_DARK:
        ToneCommand(OpDarkness);
        break;
    case ID_EFFECT_BLACK_WHITE:
        RunEdit(MakeSnapshotEdit([](CImageObj &picture) { return picture.BlackWhite(128); }));
        break;
    case ID_EFFECT_GRAY:
        RunEdit(MakeSnapshotEdit([](CImageObj &picture) { return picture.Grey(); }));
        break;
    case ID_EFFECT_NEGATIVE:
        ToneCommand(OpNegative);
        break;
    case ID_EFFECT_RESET:
        ResetCommand();
        break;
    default:
        break;
    }
    return 0;
}

// --- the commands ---

void CViewImage::PictureChanged(int oldWidth, int oldHeight)
{
    if (!HasPicture()) {
        form_.Clear();
        DropSelection();
        return;
    }
    form_.Prepare(picture_->Info(), picture_->Bits());
    if (picture_->Width() != oldWidth || picture_->Height() != oldHeight)
        DropSelection();
}

bool CViewImage::RunEdit(std::unique_ptr<CEditOp> op)
{
    if (!HasPicture() || !op)
        return false;
    WaitCursor wait;
    const int width = picture_->Width(), height = picture_->Height();
    if (!history_.Run(*picture_, std::move(op)))
        return false;
    ShowEdited(width, height);
    return true;
}

// After an edit, an undo or a redo: display form, selection, scroll sizes, status bar, repaint.
void CViewImage::ShowEdited(int oldWidth, int oldHeight)
{
    PictureChanged(oldWidth, oldHeight);
    RecomputeScrollSizes(true);
    SetStatusTexts(false);
    if (status_ && HasPicture())
        status_(3, QString::asprintf("%uK", static_cast<unsigned>(picture_->MemoryBytes() / 1024)));
    viewport()->update();
    // Told after every step: the title's marker and the Undo and Redo commands follow.
    if (modifiedSink_)
        modifiedSink_(history_.IsModified());
}

bool CViewImage::Undo()
{
    if (!HasPicture())
        return false;
    const int width = picture_->Width(), height = picture_->Height();
    if (!history_.Undo(*picture_))
        return false;
    ShowEdited(width, height);
    return true;
}

bool CViewImage::Redo()
{
    if (!HasPicture())
        return false;
    const int width = picture_->Width(), height = picture_->Height();
    if (!history_.Redo(*picture_))
        return false;
    ShowEdited(width, height);
    return true;
}

void CViewImage::DeleteSequence()
{
    if (!HasPicture())
        return;
    // The selection goes whether or not the fill succeeds.
    RunEdit(MakeSnapshotEdit([this](CImageObj &picture) { return selection_.DeleteIn(picture); }));
    DropSelection();
    viewport()->update();
}

void CViewImage::RotateCommand(int direction)
{
    if (!HasPicture())
        return;
    double angle = direction == 1 ? -90.0 : 90.0;
    if (direction == 0 && !(dialogs_.rotateFree && dialogs_.rotateFree(*this, angle)))
        return;
    RunEdit(MakeRotation(angle));
}

void CViewImage::ToneCommand(int code)
{
    if (!HasPicture())
        return;
    RunEdit(MakeSnapshotEdit([code](CImageObj &picture) {
        if (code == OpBrightness)
            return picture.ColorTable(5);
        if (code == OpDarkness)
            return picture.ColorTable(-5);
        return picture.Negative();
    }));
}

void CViewImage::ImageSizeCommand()
{
    if (!HasPicture()) {
        if (dialogs_.message)
            dialogs_.message(this, QStringLiteral("你没有可设置的图像，请选择后再使用该功能！"));
        return;
    }
    // The dialog works on a copy of the header, so that the resolution it sets is part of the
    // step and comes back on undo.
    BITMAPINFOHEADER header = picture_->Info()->bmiHeader;
    int width = picture_->Width(), height = picture_->Height();
    if (!dialogs_.imageSize || !dialogs_.imageSize(this, header, width, height))
        return;
    RunEdit(MakeSnapshotEdit([header, width, height](CImageObj &picture) {
        BITMAPINFOHEADER &own = picture.Info()->bmiHeader;
        const bool resolution
            = own.biXPelsPerMeter != header.biXPelsPerMeter || own.biYPelsPerMeter != header.biYPelsPerMeter;
        own.biXPelsPerMeter = header.biXPelsPerMeter;
        own.biYPelsPerMeter = header.biYPelsPerMeter;
        return picture.Resize(width, height, 1) || resolution;
    }));
}

// Without a printer the print goes to a PDF file the user names; a print that fails says so.
void CViewImage::PrintCommand()
{
    if (!HasPicture())
        return;
    QPrinter &printer = ProgramPrinter();
    printer.setDocName(QString::fromLatin1(kPrintDocumentName));
    QString pdf;
    if (dialogs_.hasPrinter && !dialogs_.hasPrinter()) {
        const QFileInfo shown(QString::fromStdString(picture_->FileName()));
        if (dialogs_.pdfFile)
            pdf = dialogs_.pdfFile(this,
                shown.absolutePath() + QLatin1Char('/') + shown.completeBaseName() + QStringLiteral(".pdf"));
        if (pdf.isEmpty())
            return;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    } else if (!dialogs_.print || !dialogs_.print(this, printer)) {
        return;
    }
    const bool printed = PrintPicture(*picture_, printer);
    if (!pdf.isEmpty()) {
        printer.setOutputFileName(QString());
        printer.setOutputFormat(QPrinter::NativeFormat);
    }
    if (!printed && dialogs_.message)
        dialogs_.message(this,
            pdf.isEmpty() ? QStringLiteral("Cannot print %1: the printer did not take the page.")
                                .arg(QFileInfo(QString::fromStdString(picture_->FileName())).fileName())
                          : QStringLiteral("Cannot print to %1: the file could not be written.")
                                .arg(QDir::toNativeSeparators(pdf)));
}

// Reset reads the page from the file again; when it can no longer be read the edited picture
// stays. It is a step of its own, so undo brings the edits back.
void CViewImage::ResetCommand()
{
    if (RunEdit(MakeSnapshotEdit([](CImageObj &picture) { return picture.ReloadPixels(); }))) {
        // The picture is its file's again; undoing the reset makes it modified.
        history_.MarkSaved();
        if (modifiedSink_)
            modifiedSink_(false);
        DropSelection();
        ApplyZoom(100, true);
    }
}

// --- mouse and keyboard ---

UINT CViewImage::KeyFlags(const QMouseEvent *event)
{
    UINT flags = 0;
    if (event->buttons() & Qt::LeftButton)
        flags |= MK_LBUTTON;
    if (event->buttons() & Qt::RightButton)
        flags |= MK_RBUTTON;
    if (event->modifiers() & Qt::ShiftModifier)
        flags |= MK_SHIFT;
    if (event->modifiers() & Qt::ControlModifier)
        flags |= MK_CONTROL;
    return flags;
}

void CViewImage::mousePressEvent(QMouseEvent *event)
{
    if (StopSlideshowOnInput(event))
        return;
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint p = event->position().toPoint();
    if (mode_ >= OpRectangle && mode_ <= OpPolygon) {
        if (!HasPicture())
            return;
        CShapeTracker *tracker = selection_.TrackerForMouseDown();
        DropSelection();
        if (tracker)
            tracker->OnMouseDown(*this, KeyFlags(event), p.x(), p.y());
    } else if (mode_ == OpRotateFree) {
        const QRect before = ruler_.Bounds();
        ruler_.Begin(p.x(), p.y(), zoom_, viewport()->logicalDpiX(), viewport()->logicalDpiY());
        viewport()->update(before.united(ruler_.Bounds()));
    }
}

void CViewImage::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    const ZoomView view = DisplayView();
    const POINT logical = HasPicture()
        ? ClientToPicture(POINT { p.x(), p.y() }, view.origin, picture_->Width(), picture_->Height(),
            view.zoomedWidth, view.zoomedHeight)
        : POINT { p.x() + horizontalScrollBar()->value(), p.y() + verticalScrollBar()->value() };
    if (status_)
        status_(4, QString::asprintf("(%d,%d)", logical.x, logical.y));

    if (mode_ >= OpRectangle && mode_ <= OpPolygon && HasPicture()) {
        if (CShapeTracker *tracker = selection_.Tracker()) {
            // The selection cursor only while the tracker is active (a shape is being drawn).
            if (tracker->IsActive())
                viewport()->setCursor(LoadCursorResource(IDC_SELECTION));
            else
                viewport()->setCursor(Qt::ArrowCursor);
            tracker->OnMouseMove(*this, KeyFlags(event), p.x(), p.y());
        } else {
            viewport()->setCursor(Qt::ArrowCursor);
        }
    } else if (mode_ == OpRotateFree) {
        const QRect before = ruler_.Bounds();
        if (ruler_.Move(p.x(), p.y()))
            viewport()->update(before.united(ruler_.Bounds()));
    } else {
        viewport()->setCursor(Qt::ArrowCursor);
    }
}

void CViewImage::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    const QPoint p = event->position().toPoint();
    if (mode_ >= OpRectangle && mode_ <= OpPolygon) {
        if (!HasPicture())
            return;
        if (CShapeTracker *tracker = selection_.Tracker())
            tracker->OnMouseUp(*this, KeyFlags(event), p.x(), p.y());
        else
            viewport()->update();
    } else if (mode_ == OpRotateFree) {
        const QRect before = ruler_.Bounds();
        if (ruler_.End(p.x(), p.y())) {
            viewport()->update(before);
            if (dialogs_.measurePopup)
                dialogs_.measurePopup(this, event->globalPosition().toPoint());
        }
    }
}

void CViewImage::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *undo = menu.addAction(QStringLiteral("Undo\tCtrl+Z"));
    undo->setEnabled(CanUndo());
    QAction *redo = menu.addAction(QStringLiteral("Redo\tCtrl+Y"));
    redo->setEnabled(CanRedo());
    QAction *chosen = menu.exec(event->globalPos());
    if (chosen == undo)
        Undo();
    else if (chosen == redo)
        Redo();
}

void CViewImage::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    if (mode_ < OpRectangle || mode_ > OpPolygon || !HasPicture())
        return;
    if (auto *polygon = dynamic_cast<CPolyTracker *>(selection_.Tracker())) {
        const QPoint p = event->position().toPoint();
        polygon->OnDoubleClick(*this, KeyFlags(event), p.x(), p.y());
    }
}

void CViewImage::keyPressEvent(QKeyEvent *event)
{
    if (StopSlideshowOnInput(event) || HandleViewKey(event))
        return;
    switch (event->key()) {
    case Qt::Key_Delete:
        if (mode_ >= OpSelect && mode_ <= OpPolygon) {
            DeleteSequence();
            event->accept();
            return;
        }
        break;
    case Qt::Key_F1:
        mode_ = (mode_ >= OpSelect && mode_ < OpPolygon) ? mode_ + 1 : OpSelect;
        break;
    case Qt::Key_Escape:
        if (CShapeTracker *tracker = selection_.Tracker())
            tracker->Abandon(*this);
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        break;
    }
    QAbstractScrollArea::keyPressEvent(event);
}
