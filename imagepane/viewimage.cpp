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
    , m_zoom(kInitialZoom)
    , m_dialogs(DefaultImagePaneDialogs())
{
    setObjectName(QStringLiteral("CViewImage"));
    m_animation = new CAnimationPlayer(this);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(1, 1);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    UpdateScrollBars();
    // The worker asks for a repaint of the dashes; one request waits in the queue at a time.
    m_selection.StartWorker([this] {
        if (m_tickPending.load(std::memory_order_relaxed))
            return;
        auto *tick = new (std::nothrow) QEvent(OutlineTickType());
        if (!tick)
            return;
        m_tickPending.store(true, std::memory_order_release);
        QCoreApplication::postEvent(this, tick);
    });
}

CViewImage::~CViewImage()
{
    m_ahead.reset();
    m_selection.StopWorker();
    m_selection.Drop();
}

void CViewImage::SetDialogs(CImagePaneDialogs dialogs)
{
    m_dialogs = std::move(dialogs);
}

bool CViewImage::HasPicture() const
{
    return m_picture && !m_picture->IsEmpty();
}

bool CViewImage::HasShown() const
{
    return HasPicture() || m_opening.reduced != nullptr;
}

int CViewImage::ShownWidth() const
{
    return HasPicture() ? m_picture->Width() : m_opening.reduced ? m_opening.width : 0;
}

int CViewImage::ShownHeight() const
{
    return HasPicture() ? m_picture->Height() : m_opening.reduced ? m_opening.height : 0;
}

CImageObj *CViewImage::Picture() const
{
    const_cast<CViewImage *>(this)->FinishOpening();
    return m_picture.get();
}

POINT CViewImage::Origin() const
{
    return ViewportOrigin(m_offset, horizontalScrollBar()->value(), verticalScrollBar()->value());
}

ZoomView CViewImage::DisplayView() const
{
    ZoomView view;
    view.origin = Origin();
    if (HasShown()) {
        view.zoomedWidth = ZoomedExtent(m_zoom, ShownWidth());
        view.zoomedHeight = ZoomedExtent(m_zoom, ShownHeight());
    }
    return view;
}

// --- opening, paging, saving ---

QEvent::Type CViewImage::DecodedType()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void CViewImage::SetBackgroundDecoding(bool on)
{
    if (on == (m_ahead != nullptr))
        return;
    if (!on) {
        FinishOpening();
        m_ahead.reset();
        return;
    }
    m_ahead = std::make_unique<CDecodeAhead>();
    // A worker has a delivery ready: one event waits in the queue at a time.
    m_ahead->SetNotify([this] {
        if (m_decodedPending.exchange(true, std::memory_order_acq_rel))
            return;
        if (auto *ready = new (std::nothrow) QEvent(DecodedType()))
            QCoreApplication::postEvent(this, ready);
        else
            m_decodedPending.store(false, std::memory_order_release);
    });
}

void CViewImage::DecodeAhead(const QStringList &paths)
{
    if (!m_ahead)
        return;
    const QString shown = PicturePath();
    std::vector<std::string> wanted;
    for (const QString &path : paths)
        if (!path.isEmpty() && path != shown)
            wanted.push_back(path.toStdString());
    m_ahead->Ahead(wanted);
}

void CViewImage::ForgetDecoded()
{
    if (m_ahead)
        m_ahead->Clear();
}

void CViewImage::Open(const QString &path)
{
    if (path.isEmpty() || !ConfirmLeave())
        return;
    DropSelection();
    m_history.Reset();
    m_animation->Stop();
    const std::string file = path.toStdString();
    if (!m_ahead) {
        const FileStamp before = FileStamp::Of(file);
        auto fresh = std::unique_ptr<CImageObj>(new (std::nothrow) CImageObj);
        if (!fresh || !fresh->Load(file)) {
            ShowOpenFailure(path);
            return;
        }
        ShowLoaded(std::move(fresh), path, FileStamp::Of(file) == before ? before : FileStamp {});
        return;
    }
    m_ahead->Cancel();
    FileStamp stamp;
    if (auto held = m_ahead->Take(file, &stamp)) {
        ShowLoaded(std::move(held), path, stamp);
        return;
    }
    // The previous picture stays on screen until the reduced copy or the full picture is here.
    m_opening.active = true;
    m_opening.path = path;
    m_opening.clientWidth = viewport()->width();
    // A copy of half the pane's size is enough for the moment it is shown, and a JPEG decodes to
    // it at one eighth in a third of the full decode's time.
    m_ahead->Request(file, std::max(viewport()->width() / 2, 1), std::max(viewport()->height() / 2, 1));
}

void CViewImage::FinishOpening()
{
    if (!m_opening.active || !m_ahead)
        return;
    CDecodeAhead::Delivery delivery = m_ahead->WaitFull();
    if (delivery.kind == CDecodeAhead::Delivery::None) {
        m_opening.Reset();
        return;
    }
    ApplyDelivery(delivery);
}

void CViewImage::ApplyDelivery(CDecodeAhead::Delivery &delivery)
{
    if (!m_opening.active)
        return;
    switch (delivery.kind) {
    case CDecodeAhead::Delivery::Reduced:
        ShowReduced(delivery);
        break;
    case CDecodeAhead::Delivery::Full:
        ShowLoaded(std::move(delivery.picture), m_opening.path, delivery.stamp);
        break;
    case CDecodeAhead::Delivery::Failed:
        ShowOpenFailure(m_opening.path);
        break;
    case CDecodeAhead::Delivery::None:
        break;
    }
}

void CViewImage::OpeningState::Reset()
{
    form.Clear();
    reduced.reset();
    active = false;
    path.clear();
    clientWidth = width = height = bitCount = pages = 0;
}

void CViewImage::LeavePicture()
{
    m_form.Clear(); // before the pixels go: a reduced copy may be reading them
    std::unique_ptr<CImageObj> leaving = std::move(m_picture);
    if (m_ahead && leaving && m_pristine && leaving->PageCount() == 1 && !leaving->IsDamaged())
        m_ahead->Keep(std::move(leaving), m_shownStamp);
    m_pristine = false;
    m_shownStamp = FileStamp {};
}

void CViewImage::ShowReduced(CDecodeAhead::Delivery &delivery)
{
    LeavePicture();
    m_opening.form.Clear();
    m_opening.reduced = std::move(delivery.picture);
    m_opening.width = delivery.width;
    m_opening.height = delivery.height;
    m_opening.bitCount = delivery.bitCount;
    m_opening.pages = delivery.pages;
    m_opening.form.Prepare(m_opening.reduced->Info(), m_opening.reduced->Bits());
    if (m_modifiedSink)
        m_modifiedSink(false);
    WriteStatus(true, m_opening.path, false, m_opening.width, m_opening.height, m_opening.bitCount,
        m_opening.pages > 1 ? QStringLiteral("1/%1").arg(m_opening.pages) : QString());
    m_offset = POINT { 0, 0 };
    ApplyZoom(std::max(kMinZoom, OpeningZoom(m_opening.clientWidth, m_opening.width)), true);
    viewport()->update();
}

void CViewImage::ShowLoaded(std::unique_ptr<CImageObj> picture, QString path, const FileStamp &stamp)
{
    const int clientWidth = m_opening.active ? m_opening.clientWidth : viewport()->width();
    LeavePicture();
    m_opening.Reset();
    m_picture = std::move(picture);
    m_shownStamp = stamp;
    m_pristine = true;
    if (m_modifiedSink)
        m_modifiedSink(IsModified());
    m_form.Prepare(m_picture->Info(), m_picture->Bits());
    SetStatusTexts(true);
    m_offset = POINT { 0, 0 };
    ApplyZoom(std::max(kMinZoom, OpeningZoom(clientWidth, m_picture->Width())), true);
    viewport()->update();
    StartAnimation(path);
}

void CViewImage::ShowOpenFailure(QString path)
{
    LeavePicture();
    m_opening.Reset();
    m_total = SIZE { 100, 100 };
    m_offset = POINT { 0, 0 };
    UpdateScrollBars();
    viewport()->update();
    if (m_modifiedSink)
        m_modifiedSink(IsModified());
    if (m_dialogs.message)
        m_dialogs.message(this,
            QStringLiteral("Cannot open %1: %2.")
                .arg(QDir::toNativeSeparators(path),
                    CanReadRegularFile(path.toStdString())
                        ? QStringLiteral("the file is damaged or not a picture this program reads")
                        : QStringLiteral("the file cannot be read")));
}

// Replacing the picture's own file with what the picture holds: the other frames of a GIF and the
// transparency of a file go, so the user says first.
bool CViewImage::ConfirmLosingContent(const QString &path)
{
    const std::string file = path.toStdString();
    const bool gif = QFileInfo(path).suffix().compare(QStringLiteral("gif"), Qt::CaseInsensitive) == 0;
    QString loss;
    if (gif && m_picture->PageCount() > 1)
        loss = QStringLiteral("%1 holds %2 frames; only the one shown is kept.")
                   .arg(QFileInfo(path).fileName())
                   .arg(m_picture->PageCount());
    else if (CodexaHasTransparency(file.c_str()) > 0)
        loss = QStringLiteral(
            "%1 holds transparency, shown flattened on white; the saved picture keeps the white.")
                   .arg(QFileInfo(path).fileName());
    if (loss.isEmpty())
        return true;
    return m_dialogs.question
        && m_dialogs.question(this, loss + QStringLiteral(" Replace the file?")) == QMessageBox::Yes;
}

QString CViewImage::PicturePath() const
{
    if (m_opening.active)
        return m_opening.path;
    return HasPicture() ? QString::fromStdString(m_picture->FileName()) : QString();
}

bool CViewImage::ConfirmLeave()
{
    if (!IsModified())
        return true;
    const QString name = QFileInfo(QString::fromStdString(m_picture->FileName())).fileName();
    const int answer = m_dialogs.question
        ? m_dialogs.question(this, QStringLiteral("Save changes to %1?").arg(name))
        : int(QMessageBox::Cancel);
    if (answer == QMessageBox::No) {
        // The edits are given up: the picture about to go asks no more.
        m_history.Reset();
        if (m_modifiedSink)
            m_modifiedSink(false);
        return true;
    }
    if (answer == QMessageBox::Yes)
        return Save(QString());
    return false;
}

void CViewImage::SetStatusTexts(bool withPath)
{
    if (!HasPicture())
        return;
    WriteStatus(withPath, QString::fromStdString(m_picture->FileName()), m_picture->IsDamaged(),
        m_picture->Width(), m_picture->Height(), m_picture->BitCount(), PageText());
}

void CViewImage::WriteStatus(
    bool withPath, const QString &path, bool damaged, int width, int height, int bits, const QString &page)
{
    if (!m_status)
        return;
    // A page of a damaged file says so after the path; paging redoes the path only when that
    // changes.
    if (withPath || damaged != m_damagedShown)
        m_status(0, damaged ? path + QStringLiteral(" (damaged file)") : path);
    m_damagedShown = damaged;
    m_status(1, QString::asprintf("%dx%d", width, height));
    const QString depth
        = bits > 8 ? QString::asprintf("%dBit", bits) : QString::asprintf("%dColor", 1 << bits);
    m_status(2, page.isEmpty() ? depth : depth + QStringLiteral("  ") + page);
    if (!withPath)
        return;
    if (CanReadRegularFile(path.toStdString()))
        m_status(3, QString::asprintf("%uK", static_cast<unsigned>(QFileInfo(path).size() / 1024)));
}

bool CViewImage::Save(const QString &path)
{
    FinishOpening();
    if (!HasPicture())
        return false;
    const QString own = QString::fromStdString(m_picture->FileName());
    const QString target = path.isEmpty() ? own : path;
    if (target.isEmpty())
        return false;
    const bool sameFile = QFileInfo(target).absoluteFilePath() == QFileInfo(own).absoluteFilePath();
    if (sameFile && !ConfirmLosingContent(target))
        return false;
    std::vector<EditKind> turns;
    const bool lossless = m_history.LosslessSince(turns);
    if (!m_picture->SaveKeepingFile(target.toStdString(), lossless ? &turns : nullptr)) {
        if (m_dialogs.message)
            m_dialogs.message(
                this, SaveFailureMessage(target, SaveFailureReason(target, m_picture->MemoryBytes())));
        return false;
    }
    if (!sameFile) {
        m_picture->Rename(target.toStdString());
        SetStatusTexts(true);
    } else if (m_status) {
        m_status(3, QString::asprintf("%uK", static_cast<unsigned>(QFileInfo(target).size() / 1024)));
    }
    m_history.MarkSaved();
    m_pristine = false;
    if (m_modifiedSink)
        m_modifiedSink(IsModified());
    if (!sameFile && m_fileSink)
        m_fileSink(target);
    return true;
}

int CViewImage::PageCount() const
{
    if (m_opening.active) {
        // Known with the reduced copy; Next and Previous need not wait for the full picture.
        if (m_opening.reduced)
            return m_opening.pages;
        const_cast<CViewImage *>(this)->FinishOpening();
    }
    return m_picture ? m_picture->PageCount() : 0;
}

bool CViewImage::GotoPage(bool forward)
{
    FinishOpening();
    if (!m_picture)
        return false;
    const int target = m_picture->CurrentPage() + (forward ? 1 : -1);
    if (target < 0 || target >= m_picture->PageCount() || !ConfirmLeave())
        return false;
    m_history.Reset();
    if (m_modifiedSink)
        m_modifiedSink(IsModified());
    const int width = m_picture->Width(), height = m_picture->Height();
    m_form.Clear(); // before the pixels change; PictureChanged prepares it again
    const bool ok = m_picture->GotoPage(forward);
    m_pristine = false;
    if (ok)
        m_animation->Sync(m_picture->CurrentPage());
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
    const_cast<CViewImage *>(this)->FinishOpening();
    return HasPicture() && m_picture->PreviewCopy(dest, maxWidth, maxHeight);
}

// --- zoom and scrolling ---

void CViewImage::Fit(int how)
{
    FinishOpening();
    if (!HasPicture() || (how != 1 && how != 2))
        return;
    const int zoom = how == 1 ? FitZoom(viewport()->width(), m_picture->Width())
                              : FitZoom(viewport()->height(), m_picture->Height());
    ApplyZoom(zoom, true);
}

void CViewImage::ApplyZoom(int percent, bool reset)
{
    if (!IsZoomAllowed(percent))
        return;
    m_zoom = percent;
    RecomputeScrollSizes(reset);
    viewport()->update();
}

void CViewImage::RecomputeScrollSizes(bool reset)
{
    if (!HasShown())
        return;
    m_recomputing = true;
    // Showing or hiding a scroll bar changes the client size; settle on the final one.
    for (int pass = 0; pass < 3; ++pass) {
        const QSize client = viewport()->size();
        const ScrollLayout layout = ComputeScrollLayout(
            m_zoom, ShownWidth(), ShownHeight(), client.width(), client.height(), m_offset, reset);
        m_offset = layout.offset;
        m_total = layout.zoomed;
        UpdateScrollBars();
        if (viewport()->size() == client)
            break;
    }
    m_recomputing = false;
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
    if (view.zoomedWidth != m_outlineSize.cx || view.zoomedHeight != m_outlineSize.cy) {
        m_outlineSize = SIZE { view.zoomedWidth, view.zoomedHeight };
        if (!m_dotsBounds.isNull())
            viewport()->update(m_dotsBounds.translated(view.origin.x, view.origin.y));
        m_red.clear();
        m_green.clear();
        m_dotsBounds = QRect();
    }
    m_selection.SetDisplayRect(RECT { 0, 0, view.zoomedWidth, view.zoomedHeight },
        RECT { -view.origin.x, -view.origin.y, client.width() - view.origin.x,
            client.height() - view.origin.y });
}

void CViewImage::UpdateScrollBars()
{
    const QSize client = viewport()->size();
    const ScrollLayout layout = ComputeScrollLayout(
        100, m_total.cx, m_total.cy, client.width(), client.height(), POINT { 0, 0 }, true);
    QScrollBar *h = horizontalScrollBar(), *v = verticalScrollBar();
    h->setPageStep(std::max<int>(layout.page.cx, 1));
    h->setSingleStep(layout.line.cx);
    h->setRange(0, ScrollRange(m_total.cx, client.width()));
    v->setPageStep(std::max<int>(layout.page.cy, 1));
    v->setSingleStep(layout.line.cy);
    v->setRange(0, ScrollRange(m_total.cy, client.height()));
}

void CViewImage::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_recomputing)
        return;
    if (HasShown())
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
    if (m_ruler.IsActive() || !m_rubber.isNull())
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
    if (HasPicture() && !m_form.Matches(m_picture->Info(), m_picture->Bits()))
        m_form.Prepare(m_picture->Info(), m_picture->Bits());
    // Until the full picture is here, its reduced copy fills the same rectangle.
    const CDisplayForm &form = HasPicture() ? m_form : m_opening.form;
    const bool drawPicture = HasShown() && form.IsReady() && !picture.isEmpty();
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
        // A big picture zoomed out: straight from its reduced copy when no outline is drawn on it.
        CDisplayForm::Rows rows;
        if (m_red.empty() && m_green.empty()
            && form.ReducedRows(view, shown.left(), shown.top(), shown.width(), shown.height(), rows)) {
            painter.drawImage(shown.topLeft(),
                QImage(reinterpret_cast<const uchar *>(rows.pixels), shown.width(), shown.height(),
                    static_cast<qsizetype>(rows.stride * sizeof(std::uint32_t)), QImage::Format_RGB32));
            continue;
        }
        const std::size_t stride = static_cast<std::size_t>(shown.width());
        const std::size_t need = stride * static_cast<std::size_t>(shown.height());
        try {
            if (m_scratch.size() < need)
                m_scratch.resize(need);
        } catch (const std::bad_alloc &) {
            painter.fillRect(shown, kBackground);
            continue;
        }
        form.Render(view, shown.left(), shown.top(), shown.width(), shown.height(), m_scratch.data(), stride);
        PaintOutline(m_scratch.data(), stride, shown);
        const QImage image(reinterpret_cast<const uchar *>(m_scratch.data()), shown.width(), shown.height(),
            static_cast<qsizetype>(stride * sizeof(std::uint32_t)), QImage::Format_RGB32);
        painter.drawImage(shown.topLeft(), image);
    }
    if (!m_rubber.isNull()) {
        painter.save();
        painter.setClipRegion(region);
        PaintRubberBand(painter);
        painter.restore();
    }
    if (m_ruler.IsActive()) {
        painter.save();
        painter.setClipRegion(region);
        m_ruler.Paint(painter);
        painter.restore();
    }
}

void CViewImage::PaintOutline(std::uint32_t *dest, std::size_t stride, const QRect &target) const
{
    if (m_red.empty() && m_green.empty())
        return;
    const POINT origin = Origin();
    auto put = [&](const std::vector<POINT> &dots, std::uint32_t colour) {
        for (const POINT &p : dots) {
            const int x = p.x + origin.x - target.left(), y = p.y + origin.y - target.top();
            if (x >= 0 && y >= 0 && x < target.width() && y < target.height())
                dest[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x)] = colour;
        }
    };
    put(m_red, kRedDot);
    put(m_green, kGreenDot);
}

QRect CViewImage::RubberBounds() const
{
    const CShapeTracker *tracker = m_selection.Tracker();
    if (!tracker || !m_capture)
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
    QRect dirty = m_rubber.united(bounds);
    m_rubber = bounds;
    if (!dirty.isNull())
        viewport()->update(dirty.adjusted(-1, -1, 1, 1));
}

void CViewImage::PaintRubberBand(QPainter &painter) const
{
    const CShapeTracker *tracker = m_selection.Tracker();
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
    m_tickPending.store(false, std::memory_order_relaxed);
    std::vector<POINT> red, green;
    m_selection.Dots(red, green);
    const QRect before = m_dotsBounds;
    m_red.swap(red);
    m_green.swap(green);
    m_dotsBounds = BoundsOf(m_red, m_green);
    QRect dirty = before.united(m_dotsBounds);
    if (dirty.isNull())
        return;
    const POINT origin = Origin();
    viewport()->update(dirty.translated(origin.x, origin.y));
}

void CViewImage::DropSelection()
{
    m_selection.Drop();
    if (!m_dotsBounds.isNull()) {
        const POINT origin = Origin();
        viewport()->update(m_dotsBounds.translated(origin.x, origin.y));
    }
    m_red.clear();
    m_green.clear();
    m_dotsBounds = QRect();
}

void CViewImage::AddShape(int kind, bool subtract, const RECT &bounds, const std::vector<POINT> &points)
{
    const ZoomView view = DisplayView();
    m_selection.AddShape(kind, subtract, bounds, points, view.zoomedWidth, view.zoomedHeight);
    viewport()->update();
}

// --- the posted messages ---

bool CViewImage::event(QEvent *event)
{
    // A tick is in the queue only while the flag is set. The acquire pairs with the worker's
    // release, so the event it made is seen whole here (the queue's own locking does the same,
    // but the thread sanitizer cannot see into Qt).
    if (m_tickPending.load(std::memory_order_acquire) && event->type() == OutlineTickType()) {
        OnOutlineTick();
        return true;
    }
    if (event->type() == DecodedType()) {
        m_decodedPending.store(false, std::memory_order_release);
        if (m_ahead && m_opening.active)
            for (CDecodeAhead::Delivery &delivery : m_ahead->Collect())
                ApplyDelivery(delivery);
        return true;
    }
    if (const PaneMessageEvent *message = PaneMessageEvent::From(event)) {
        switch (message->Message()) {
        case WMU_IMAGE_OPERATION:
            m_lastResult = OnImageOperation(message->WParam(), message->LParam());
            return true;
        case WMU_TOOLS_COMMAND:
            m_lastResult = OnToolsCommand(message->WParam());
            return true;
        case WMU_EFFECT_COMMAND:
            m_lastResult = OnEffectCommand(message->WParam());
            return true;
        default:
            break;
        }
    }
    return QAbstractScrollArea::event(event);
}

LRESULT CViewImage::OnImageOperation(WPARAM wParam, LPARAM commandId)
{
    FinishOpening();
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
    m_mode = code;
    switch (code) {
    case OpSelect:
        m_selection.SetTool(0);
        break;
    case OpRectangle:
        m_selection.SetTool(kShapeRect);
        break;
    case OpEllipse:
        m_selection.SetTool(kShapeEllipse);
        break;
    case OpPolygon:
        m_selection.SetTool(kShapePolygon);
        break;
    case OpDelete:
        DeleteSequence();
        break;
    case OpReverse:
        if (HasPicture()) {
            const ZoomView view = DisplayView();
            m_selection.Reverse(view.zoomedWidth, view.zoomedHeight);
            RecomputeScrollSizes(false);
        }
        viewport()->update();
        m_selection.SetTool(0);
        break;
    case OpCrop:
        if (HasPicture() && m_selection.HasSelection()) {
            RunEdit(MakeSnapshotEdit([this](CImageObj &picture) { return m_selection.CropIn(picture); }));
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
        ApplyZoom(m_zoom + kZoomStep, false);
        break;
    case OpZoomOut:
        ApplyZoom(m_zoom - kZoomStep, false);
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
    FinishOpening();
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
    FinishOpening();
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
        m_form.Clear();
        DropSelection();
        return;
    }
    m_form.Prepare(m_picture->Info(), m_picture->Bits());
    if (m_picture->Width() != oldWidth || m_picture->Height() != oldHeight)
        DropSelection();
}

bool CViewImage::RunEdit(std::unique_ptr<CEditOp> op)
{
    if (!op)
        return false;
    WaitCursor wait;
    return ChangePixels([&](CImageObj &picture) {
        // The picture now differs from its file: it never goes back to the cache, and no copy of
        // the file stays there.
        m_pristine = false;
        if (m_ahead)
            m_ahead->Forget(picture.FileName());
        return m_history.Run(picture, std::move(op));
    });
}

bool CViewImage::ChangePixels(const std::function<bool(CImageObj &)> &change)
{
    FinishOpening();
    if (!HasPicture())
        return false;
    const int width = m_picture->Width(), height = m_picture->Height();
    m_form.Clear(); // before the pixels change; the next paint or ShowEdited prepares it again
    if (!change(*m_picture))
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
    if (m_status && HasPicture())
        m_status(3, QString::asprintf("%uK", static_cast<unsigned>(m_picture->MemoryBytes() / 1024)));
    viewport()->update();
    // Told after every step: the title's marker and the Undo and Redo commands follow.
    if (m_modifiedSink)
        m_modifiedSink(m_history.IsModified());
}

bool CViewImage::Undo()
{
    return ChangePixels([this](CImageObj &picture) { return m_history.Undo(picture); });
}

bool CViewImage::Redo()
{
    return ChangePixels([this](CImageObj &picture) { return m_history.Redo(picture); });
}

void CViewImage::DeleteSequence()
{
    if (!HasPicture())
        return;
    // The selection goes whether or not the fill succeeds.
    RunEdit(MakeSnapshotEdit([this](CImageObj &picture) { return m_selection.DeleteIn(picture); }));
    DropSelection();
    viewport()->update();
}

void CViewImage::RotateCommand(int direction)
{
    if (!HasPicture())
        return;
    double angle = direction == 1 ? -90.0 : 90.0;
    if (direction == 0 && !(m_dialogs.rotateFree && m_dialogs.rotateFree(*this, angle)))
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
        if (m_dialogs.message)
            m_dialogs.message(this, QStringLiteral("你没有可设置的图像，请选择后再使用该功能！"));
        return;
    }
    // The dialog works on a copy of the header, so that the resolution it sets is part of the
    // step and comes back on undo.
    BITMAPINFOHEADER header = m_picture->Info()->bmiHeader;
    int width = m_picture->Width(), height = m_picture->Height();
    if (!m_dialogs.imageSize || !m_dialogs.imageSize(this, header, width, height))
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
    if (m_dialogs.hasPrinter && !m_dialogs.hasPrinter()) {
        const QFileInfo shown(QString::fromStdString(m_picture->FileName()));
        if (m_dialogs.pdfFile)
            pdf = m_dialogs.pdfFile(this,
                shown.absolutePath() + QLatin1Char('/') + shown.completeBaseName() + QStringLiteral(".pdf"));
        if (pdf.isEmpty())
            return;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    } else if (!m_dialogs.print || !m_dialogs.print(this, printer)) {
        return;
    }
    const bool printed = PrintPicture(*m_picture, printer);
    if (!pdf.isEmpty()) {
        printer.setOutputFileName(QString());
        printer.setOutputFormat(QPrinter::NativeFormat);
    }
    if (!printed && m_dialogs.message)
        m_dialogs.message(this,
            pdf.isEmpty() ? QStringLiteral("Cannot print %1: the printer did not take the page.")
                                .arg(QFileInfo(QString::fromStdString(m_picture->FileName())).fileName())
                          : QStringLiteral("Cannot print to %1: the file could not be written.")
                                .arg(QDir::toNativeSeparators(pdf)));
}

// Reset reads the page from the file again; when it can no longer be read the edited picture
// stays. It is a step of its own, so undo brings the edits back.
void CViewImage::ResetCommand()
{
    if (RunEdit(MakeSnapshotEdit([](CImageObj &picture) { return picture.ReloadPixels(); }))) {
        // The picture is its file's again; undoing the reset makes it modified.
        m_history.MarkSaved();
        if (m_modifiedSink)
            m_modifiedSink(false);
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
    FinishOpening();
    const QPoint p = event->position().toPoint();
    if (m_mode >= OpRectangle && m_mode <= OpPolygon) {
        if (!HasPicture())
            return;
        CShapeTracker *tracker = m_selection.TrackerForMouseDown();
        DropSelection();
        if (tracker)
            tracker->OnMouseDown(*this, KeyFlags(event), p.x(), p.y());
    } else if (m_mode == OpRotateFree) {
        const QRect before = m_ruler.Bounds();
        m_ruler.Begin(p.x(), p.y(), m_zoom, viewport()->logicalDpiX(), viewport()->logicalDpiY());
        viewport()->update(before.united(m_ruler.Bounds()));
    }
}

void CViewImage::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    const ZoomView view = DisplayView();
    const POINT logical = HasPicture()
        ? ClientToPicture(POINT { p.x(), p.y() }, view.origin, m_picture->Width(), m_picture->Height(),
            view.zoomedWidth, view.zoomedHeight)
        : POINT { p.x() + horizontalScrollBar()->value(), p.y() + verticalScrollBar()->value() };
    if (m_status)
        m_status(4, QString::asprintf("(%d,%d)", logical.x, logical.y));

    if (m_mode >= OpRectangle && m_mode <= OpPolygon && HasPicture()) {
        if (CShapeTracker *tracker = m_selection.Tracker()) {
            // The selection cursor only while the tracker is active (a shape is being drawn).
            if (tracker->IsActive())
                viewport()->setCursor(LoadCursorResource(IDC_SELECTION));
            else
                viewport()->setCursor(Qt::ArrowCursor);
            tracker->OnMouseMove(*this, KeyFlags(event), p.x(), p.y());
        } else {
            viewport()->setCursor(Qt::ArrowCursor);
        }
    } else if (m_mode == OpRotateFree) {
        const QRect before = m_ruler.Bounds();
        if (m_ruler.Move(p.x(), p.y()))
            viewport()->update(before.united(m_ruler.Bounds()));
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
    if (m_mode >= OpRectangle && m_mode <= OpPolygon) {
        if (!HasPicture())
            return;
        if (CShapeTracker *tracker = m_selection.Tracker())
            tracker->OnMouseUp(*this, KeyFlags(event), p.x(), p.y());
        else
            viewport()->update();
    } else if (m_mode == OpRotateFree) {
        const QRect before = m_ruler.Bounds();
        if (m_ruler.End(p.x(), p.y())) {
            viewport()->update(before);
            if (m_dialogs.measurePopup)
                m_dialogs.measurePopup(this, event->globalPosition().toPoint());
        }
    }
}

void CViewImage::contextMenuEvent(QContextMenuEvent *event)
{
    FinishOpening();
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
    FinishOpening();
    if (m_mode < OpRectangle || m_mode > OpPolygon || !HasPicture())
        return;
    if (auto *polygon = dynamic_cast<CPolyTracker *>(m_selection.Tracker())) {
        const QPoint p = event->position().toPoint();
        polygon->OnDoubleClick(*this, KeyFlags(event), p.x(), p.y());
    }
}

void CViewImage::keyPressEvent(QKeyEvent *event)
{
    if (StopSlideshowOnInput(event) || HandleViewKey(event))
        return;
    if (event->key() == Qt::Key_Delete)
        FinishOpening();
    switch (event->key()) {
    case Qt::Key_Delete:
        if (m_mode >= OpSelect && m_mode <= OpPolygon) {
            DeleteSequence();
            event->accept();
            return;
        }
        break;
    case Qt::Key_F1:
        m_mode = (m_mode >= OpSelect && m_mode < OpPolygon) ? m_mode + 1 : OpSelect;
        break;
    case Qt::Key_Escape:
        if (CShapeTracker *tracker = m_selection.Tracker())
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
