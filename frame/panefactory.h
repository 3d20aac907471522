// Where the main frame's panes come from. The image pane must implement IImagePane, the folder
// tree IFolderPane and the thumbnail pane IThumbPane; the frame finds them through these.
#pragma once

#include "framework/truntimeclass.h"

class QWidget;

// The image pane, wired to the program's Image Size and Rotate Free dialogs.
QWidget *CreateImagePane(QWidget *parent);
QWidget *CreateFolderPane(QWidget *parent);
QWidget *CreateThumbPane(QWidget *parent);

// The run-time classes the frame's node tree names ("CViewImage", "CViewFolder", "CViewThumb").
const TRuntimeClass &ImagePaneClass();
const TRuntimeClass &FolderPaneClass();
const TRuntimeClass &ThumbPaneClass();
