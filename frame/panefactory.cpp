#include "frame/panefactory.h"

#include "frame/browserpanes.h"
#include "frame/dialogfactory.h"
#include "imagepane/viewimage.h"
#include "paneapi/imainframe.h"

QWidget *CreateImagePane(QWidget *parent)
{
    auto *pane = new CViewImage(parent);
    pane->SetBackgroundDecoding(true);
    CImagePaneDialogs dialogs = DefaultImagePaneDialogs();
    dialogs.imageSize = RunImageSizeDialog;
    dialogs.rotateFree = RunRotateFreeDialog;
    pane->SetDialogs(std::move(dialogs));
    pane->SetStatusSink([](int index, const QString &text) {
        if (IMainFrame *frame = GetMainFrame())
            frame->SetStatusPaneText(index, text);
    });
    pane->SetFileSink([](const QString &path) {
        if (IMainFrame *frame = GetMainFrame())
            frame->PictureSavedAs(path);
    });
    pane->SetModifiedSink([](bool modified) {
        if (IMainFrame *frame = GetMainFrame())
            frame->SetPictureModified(modified);
    });
    return pane;
}

QWidget *CreateFolderPane(QWidget *parent)
{
    return new CFramedFolderPane(parent);
}

QWidget *CreateThumbPane(QWidget *parent)
{
    return new CFramedThumbPane(parent);
}

const TRuntimeClass &ImagePaneClass()
{
    static const TRuntimeClass cls { "CViewImage",
        [](QWidget *parent, TCreateContext *) { return CreateImagePane(parent); } };
    return cls;
}

const TRuntimeClass &FolderPaneClass()
{
    static const TRuntimeClass cls { "CViewFolder",
        [](QWidget *parent, TCreateContext *) { return CreateFolderPane(parent); } };
    return cls;
}

const TRuntimeClass &ThumbPaneClass()
{
    static const TRuntimeClass cls { "CViewThumb",
        [](QWidget *parent, TCreateContext *) { return CreateThumbPane(parent); } };
    return cls;
}
