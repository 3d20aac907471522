// Printing the shown picture: one document of one page with the picture fitted into the page.
#pragma once

class CImageObj;
class QPrinter;

// The printer's document name.
extern const char kPrintDocumentName[];

// Prints picture fitted, centred and in proportion into the page's printable area
// (0, 0, width, height in device pixels). False when nothing could be printed.
bool PrintPicture(CImageObj &picture, QPrinter &printer);
