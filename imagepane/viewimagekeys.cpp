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
    if (!HasPicture())
        return;
    int zoom
        = WholePictureZoom(viewport()->width(), viewport()->height(), picture_->Width(), picture_->Height());
    if (zoom > 0)
        ApplyZoom(zoom, true);
}

void CViewImage::ZoomAbout(int percent, QPoint pointer)
{
    if (!HasPicture() || !IsZoomAllowed(percent) || percent == zoom_)
        return;
    const POINT before = Origin();
    const int oldZoom = zoom_;
    ApplyZoom(percent, false);
    const POINT scroll
        = ScrollForZoomAbout(POINT { pointer.x(), pointer.y() }, before, oldZoom, zoom_, offset_);
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
    if (notches != 0 && HasPicture())
        ZoomAbout(WheelZoom(zoom_, notches), event->position().toPoint());
    event->accept();
}

bool CViewImage::HandleViewKey(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (fullScreen_ && event->key() == Qt::Key_Escape) {
        ToggleFullScreen();
        event->accept();
        return true;
    }
    switch (ViewKeyFor(event->key(), mods & Qt::ControlModifier, mods & Qt::AltModifier)) {
    case ViewKey::None:
        return false;
    case ViewKey::ZoomIn:
        ApplyZoom(zoom_ + kZoomStep, false);
        break;
    case ViewKey::ZoomOut:
        ApplyZoom(zoom_ - kZoomStep, false);
        break;
    case ViewKey::Zoom100:
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
    if (!fullScreen_) {
        homeParent_ = parentWidget();
        homeGeometry_ = geometry();
        fullScreen_ = true;
        setParent(nullptr, Qt::Window | Qt::FramelessWindowHint);
        showFullScreen();
        activateWindow();
        setFocus(Qt::OtherFocusReason);
    } else {
        fullScreen_ = false;
        setParent(homeParent_, Qt::Widget);
        setGeometry(homeGeometry_);
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
        if (slideshow_ != nullptr)
            slideshow_->stop();
        return;
    }
    if (slideshow_ == nullptr) {
        slideshow_ = new QTimer(this);
        connect(slideshow_, &QTimer::timeout, this, [] { PostToMainFrame(WMU_NEXT_PICTURE); });
    }
    slideshow_->start(intervalMs);
}

bool CViewImage::SlideshowRunning() const
{
    return slideshow_ != nullptr && slideshow_->isActive();
}

bool CViewImage::StopSlideshowOnInput(QEvent *event)
{
    if (!SlideshowRunning())
        return false;
    slideshow_->stop();
    event->accept();
    return true;
}

QString CViewImage::PageText() const
{
    if (!picture_ || picture_->PageCount() <= 1)
        return QString();
    return QStringLiteral("%1/%2").arg(picture_->CurrentPage() + 1).arg(picture_->PageCount());
}
