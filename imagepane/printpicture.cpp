#include "imagepane/printpicture.h"

#include "image/imageobj.h"

#include <QPainter>
#include <QPrinter>

const char kPrintDocumentName[] = "Pexora Document-TarnisTech";

QPrinter &ProgramPrinter()
{
    // Made on first use, once the application exists; never destroyed, as it must outlive it.
    static QPrinter *printer = new QPrinter(QPrinter::HighResolution);
    return *printer;
}

bool PrintPicture(CImageObj &picture, QPrinter &printer)
{
    if (picture.IsEmpty())
        return false;
    printer.setDocName(QString::fromLatin1(kPrintDocumentName));
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    picture.DrawFitted(painter, 0, 0, printer.width(), printer.height());
    return painter.end();
}
