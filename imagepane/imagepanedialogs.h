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
    // Whether a printer is installed; without the function the print dialog is always used.
    std::function<bool()> hasPrinter;
    // Without a printer: a Save dialog for the PDF file the print goes to, starting at suggested.
    // The chosen path, empty on Cancel.
    std::function<QString(QWidget *parent, const QString &suggested)> pdfFile;
    // A message box with the program's title as caption.
    std::function<void(QWidget *parent, const QString &text)> message;
    // A Yes / No / Cancel question with the program's title as caption: QMessageBox::Yes, No or
    // Cancel (closing the box counts as Cancel).
    std::function<int(QWidget *parent, const QString &text)> question;
    // The measuring popup (second submenu of menu 142) at a global position.
    std::function<void(QWidget *parent, const QPoint &globalPosition)> measurePopup;
};

// Image Size and Rotate Free answer Cancel; printing, the message and the popup use Qt's own
// dialogs, box and menu.
CImagePaneDialogs DefaultImagePaneDialogs();
