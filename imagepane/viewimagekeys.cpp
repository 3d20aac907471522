// The image pane's viewing keys, the wheel, full screen and the slideshow.
#include "image/imageobj.h"
#include "imagepane/viewimage.h"
#include "imagepane/viewnav.h"
#include "imagepane/zoommath.h"
#include "paneapi/imainframe.h"
#include "paneapi/panemessage.h"

#include <QInputDialog>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

void CViewImage::FitWhole()
{
    FinishOpening();
    if (!HasPicture())
        return;
    int zoom = WholePictureZoom(
        viewport()->width(), viewport()->height(), m_picture->Width(), m_picture->Height());
    if (zoom > 0)
        ApplyZoom(zoom, true);
}

void CViewImage::ZoomAbout(int percent, QPoint pointer)
{
    FinishOpening();
    if (!HasPicture() || !IsZoomAllowed(percent) || percent == m_zoom)
        return;
    const POINT before = Origin();
    const int oldZoom = m_zoom;
    ApplyZoom(percent, false);
    const POINT scroll
        = ScrollForZoomAbout(POINT { pointer.x(), pointer.y() }, before, oldZoom, m_zoom, m_offset);
    horizontalScrollBar()->setValue(scroll.x);
    verticalScrollBar()->setValue(scroll.y);
    viewport()->update();
}

void CViewImage::wheelEvent(QWheelEvent *event)
{
    // Ctrl + wheel zooms about the pointer; the wheel alone scrolls.
    if ((event->modifiers() & Qt::ControlModifier) == 0) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0)
        FinishOpening();
    if (notches != 0 && HasPicture())
        ZoomAbout(WheelZoom(m_zoom, notches), event->position().toPoint());
    event->accept();
}

bool CViewImage::HandleViewKey(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (m_fullScreen && event->key() == Qt::Key_Escape) {
        ToggleFullScreen();
        event->accept();
        return true;
    }
    switch (ViewKeyFor(event->key(), mods & Qt::ControlModifier, mods & Qt::AltModifier)) {
    case ViewKey::None:
        return false;
    case ViewKey::ZoomIn:
        FinishOpening();
        ApplyZoom(m_zoom + kZoomStep, false);
        break;
    case ViewKey::ZoomOut:
        FinishOpening();
        ApplyZoom(m_zoom - kZoomStep, false);
        break;
    case ViewKey::Zoom100:
        FinishOpening();
        ApplyZoom(100, false);
        break;
    case ViewKey::FitWhole:
        FitWhole();
        break;
    case ViewKey::Next:
        PostToMainFrame(WMU_NEXT_PICTURE);
        break;
    case ViewKey::Previous:
        PostToMainFrame(WMU_PREVIOUS_PICTURE);
        break;
    case ViewKey::FullScreen:
        ToggleFullScreen();
        break;
    case ViewKey::Slideshow: {
        bool ok = false;
        const int seconds = QInputDialog::getInt(
            this, QStringLiteral("Slideshow"), QStringLiteral("Seconds per picture:"), 3, 1, 3600, 1, &ok);
        if (ok)
            StartSlideshow(seconds * 1000);
        break;
    }
    }
    event->accept();
    return true;
}

void CViewImage::ToggleFullScreen()
{
    if (!m_fullScreen) {
        m_homeParent = parentWidget();
        m_homeGeometry = geometry();
        m_fullScreen = true;
        setParent(nullptr, Qt::Window | Qt::FramelessWindowHint);
        showFullScreen();
        activateWindow();
        setFocus(Qt::OtherFocusReason);
    } else {
        m_fullScreen = false;
        setParent(m_homeParent, Qt::Widget);
        setGeometry(m_homeGeometry);
        show();
        setFocus(Qt::OtherFocusReason);
    }
    if (HasPicture())
        RecomputeScrollSizes(true);
    viewport()->update();
}

void CViewImage::StartSlideshow(int intervalMs)
{
    if (intervalMs <= 0) {
        if (m_slideshow != nullptr)
            m_slideshow->stop();
        return;
    }
    if (m_slideshow == nullptr) {
        m_slideshow = new QTimer(this);
        connect(m_slideshow, &QTimer::timeout, this, [] { PostToMainFrame(WMU_NEXT_PICTURE); });
    }
    m_slideshow->start(intervalMs);
}

bool CViewImage::SlideshowRunning() const
{
    return m_slideshow != nullptr && m_slideshow->isActive();
}

bool CViewImage::StopSlideshowOnInput(QEvent *event)
{
    if (!SlideshowRunning())
        return false;
    m_slideshow->stop();
    event->accept();
    return true;
}

QString CViewImage::PageText() const
{
    if (!m_picture || m_picture->PageCount() <= 1)
        return QString();
    return QStringLiteral("%1/%2").arg(m_picture->CurrentPage() + 1).arg(m_picture->PageCount());
}
