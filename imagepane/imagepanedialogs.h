// The dialogs and boxes the image pane opens. They are plain functions the pane is given, so the
// program plugs in its own dialogs (frame/panefactory.cpp) and tests answer them without a window.
#pragma once

#include "platform/wintypes.h"

#include <QString>
#include <functional>

class IImagePane;
class QPoint;
class QPrinter;
class QWidget;

struct CImagePaneDialogs {
    // The Image Size dialog over the picture's header, preset with width × height. True on OK with
    // the chosen size (the dialog has then written its resolution into the header).
    std::function<bool(QWidget *parent, BITMAPINFOHEADER &header, int &width, int &height)> imageSize;
    // The Rotate Free dialog, which takes its preview from the pane. True on OK with the angle in
    // degrees.
    std::function<bool(IImagePane &pane, double &angle)> rotateFree;
    // The print dialog for printer (no selection, no page numbers, no print to file). True on OK.
    std::function<bool(QWidget *parent, QPrinter &printer)> print;
    // A message box with the program's title as caption.
    std::function<void(QWidget *parent, const QString &text)> message;
    // The measuring popup (second submenu of menu 142) at a global position.
    std::function<void(QWidget *parent, const QPoint &globalPosition)> measurePopup;
};

// Image Size and Rotate Free answer Cancel; printing, the message and the popup use Qt's own
// dialogs, box and menu.
CImagePaneDialogs DefaultImagePaneDialogs();
