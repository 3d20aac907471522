// Printing the shown picture: one document of one page with the picture fitted into the page.
#pragma once

class CImageObj;
class QPrinter;

// The printer's document name.
extern const char kPrintDocumentName[];

// The program's printer: Print Setup (57606) edits it and every print starts from it, so the
// choices of either carry over to the next print.
QPrinter &ProgramPrinter();

// Prints picture fitted, centred and in proportion into the page's printable area
// (0, 0, width, height in device pixels). False when nothing could be printed.
bool PrintPicture(CImageObj &picture, QPrinter &printer);
