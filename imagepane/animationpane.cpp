// The image pane's animation playback: the pages of an animated GIF or WebP follow each other
// with their delays while the pane shows the file.
#include "image/imageobj.h"
#include "imagepane/viewimage.h"

void CViewImage::StartAnimation(const QString &path)
{
    m_animation->Start(path, [this](int page) { return ShowAnimationPage(page); });
}

bool CViewImage::ShowAnimationPage(int page)
{
    if (!m_picture)
        return false;
    if (m_picture->CurrentPage() == page)
        return true;
    const int width = m_picture->Width(), height = m_picture->Height();
    m_form.Clear(); // before the pixels change
    if (!m_picture->GotoPageIndex(page))
        return false;
    PictureChanged(width, height);
    RecomputeScrollSizes(false);
    viewport()->update();
    return true;
}

bool CViewImage::ToggleAnimation()
{
    FinishOpening();
    return m_animation->TogglePause();
}
