// The image pane's animation playback: the pages of an animated GIF or WebP follow each other
// with their delays while the pane shows the file.
#include "image/imageobj.h"
#include "imagepane/viewimage.h"

void CViewImage::StartAnimation(const QString &path)
{
    animation_->Start(path, [this](int page) { return ShowAnimationPage(page); });
}

bool CViewImage::ShowAnimationPage(int page)
{
    if (!picture_)
        return false;
    if (picture_->CurrentPage() == page)
        return true;
    const int width = picture_->Width(), height = picture_->Height();
    if (!picture_->GotoPageIndex(page))
        return false;
    PictureChanged(width, height);
    RecomputeScrollSizes(false);
    viewport()->update();
    return true;
}

bool CViewImage::ToggleAnimation()
{
    return animation_->TogglePause();
}
