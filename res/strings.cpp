#include "res/strings.h"

#include "res/resource.h"

#include <QStringList>
#include <algorithm>
#include <iterator>

namespace
{

struct StringEntry {
    UINT id;
    const char *text;
};

// Sorted by identifier.
constexpr StringEntry kStrings[] = {
    { IDS_FILE_FILTER,
        "All images|*.bmp;*.jpg; *.gif;*.tga;*.pcx;*.tif;*.img;*.mac;*.png;|JPEG Compliant "
        "(*.jpg)|*.jpg|Windows or OS/2 Bitmap (*.bmp)|*.bmp|CompuServe Graphics Interchange "
        "(*.gif)|*.gif|ZSoft PaintBrush (*.pcx)|*.pcx|img(*.img)|*.img|Portable Network "
        "Graphics(*.png)|*.png|mac(*.mac)|*.mac|Truevision Targa (*.tga)|*.tga|Tagged Image File Format "
        "(*.tif)|*.tif||" },
    { IDR_MAINFRAME, "Tarnis Viewer\n\nPexora\n\n\nPexora.Document\nPexora Document" },
    { IDS_JUST_BROWSE, "Just browse" },
    { IDS_FOR_SPEED, "It's for speed1" },
    { IDS_FILE_NOT_FOUND, "File not found" },
    { IDS_UNKNOWN_FILE_TYPE, "Unknow file type" },
    { IDS_INVALID_FORMAT, "Invalid format" },
    { IDS_FAIL_TO_CREATE_FILE, "Fail to create, please check your disk!!! " },
    { IDS_FAIL_TO_DELETE_FILE, "Fail to delete" },
    { IDS_FAIL_TO_OPEN_FILE, "Fail to open" },
    { IDS_FAIL_TO_CLOSE_FILE, "Fail to close" },
    { IDS_FAIL_TO_EDIT_FILE, "Fail to edit" },
    { IDS_FAIL_TO_SAVE_FILE, "Fail to save" },
    { IDS_NOT_FIT_SIZE, "Not fit size" },
    { IDS_FOLDER_NOT_FOUND, "Not found folder" },
    { IDS_FAIL_TO_CREATE_FOLDER, "Failed to create" },
    { IDS_FAIL_TO_DELETE_FOLDER, "Fail to delete" },
    { IDS_FAIL_TO_READ_FOLDER, "Fail to read" },
    { IDS_FAIL_TO_WRITE_FOLDER, "Fail to write" },
    { IDS_FAIL_TO_RENAME_FOLDER, "Fail to rename" },
    { IDS_NOT_ENOUGH_SPACE, "Not enough space" },
    { IDS_UNIT_INCH, "inch" },
    { IDS_UNIT_CM, "cm" },
    { IDS_ANGLE, "Angle:" },
    { ID_INDICATOR_PATH, "00000000000000000000000000000000000000000000000000" },
    { ID_INDICATOR_DIMENSIONS, "00000x00000" },
    { ID_INDICATOR_COLORS, "000000" },
    { ID_INDICATOR_FILE_SIZE, "BB(000000K)" },
    { ID_INDICATOR_POSITION, "BB(0000,0000)" },
    { ID_TOOL_SELECT, "Select" },
    { ID_TOOL_RECTANGLE, "Rectangle" },
    { ID_TOOL_ELLIPSE, "Ellipse" },
    { ID_TOOL_POLYGON, "Polygon" },
    { ID_EDIT_DELETE_SELECTION, "Delete" },
    { ID_EDIT_REVERSE, "Reverse" },
    { ID_EDIT_CROP, "Crop" },
    { ID_EDIT_ROTATE_LEFT, "Rotate -90" },
    { ID_EDIT_ROTATE_RIGHT, "Rotate +90" },
    { ID_EDIT_ROTATE_FREE, "Rotate Free" },
    { ID_EDIT_DARKNESS, "Darkness" },
    { ID_EDIT_BRIGHTNESS, "Brightness" },
    { ID_EDIT_NEGATIVE, "Negtive" },
    { ID_EDIT_REMOVE_BLACK_EDGE, "Remove Black Edge" },
    { ID_EDIT_IMAGE_SIZE, "Set Image Size" },
    { ID_FILE_PROPERTIES, "Show the picture file's properties and what the photo says\nProperties" },
    { ID_VIEW_ANIMATION_PAUSE, "Pause or resume the animation\nPause/Resume Animation" },
    { AFX_IDS_APP_TITLE, "Tarnis Viewer" },
    { AFX_IDS_IDLEMESSAGE, "Ready" },
    { ID_FILE_NEW, "Create a new document\nNew" },
    { ID_FILE_OPEN, "Open an existing document\nOpen" },
    { ID_FILE_SAVE, "Save the active document\nSave" },
    { ID_FILE_PRINT_SETUP, "Change the printer and printing options\nPage Setup" },
    { ID_FILE_PRINT, "Print the active document\nPrint" },
    { ID_FILE_PRINT_PREVIEW, "Display full pages\nPrint Preview" },
    { ID_FILE_MRU_FILE1, "Open this document" },
    { ID_FILE_MRU_FILE1 + 1, "Open this document" },
    { ID_FILE_MRU_FILE1 + 2, "Open this document" },
    { ID_FILE_MRU_FILE1 + 3, "Open this document" },
    { ID_EDIT_COPY, "Copy the selection and put it on the Clipboard\nCopy" },
    { ID_EDIT_CUT, "Cut the selection and put it on the Clipboard\nCut" },
    { ID_EDIT_PASTE, "Insert Clipboard contents\nPaste" },
    { ID_EDIT_UNDO, "Undo the last action\nUndo" },
    { ID_EDIT_REDO, "Redo the previously undone action\nRedo" },
    { ID_APP_ABOUT, "Display program information, version number and copyright\nAbout" },
    { ID_APP_EXIT, "Quit the application; prompts to save documents\nExit" },
    { ID_NEXT_PANE, "Switch to the next window pane\nNext Pane" },
    { ID_PREV_PANE, "Switch back to the previous window pane\nPrevious Pane" },
    { ID_VIEW_TOOLBAR, "Show/Hide Tool Bar\nShow/Hide Tool Bar" },
    { ID_VIEW_STATUS_BAR, "Show/Hide Status Bar\nShow/Hide Status Bar" },
    { IDS_PIXEL_PER_INCH, "pixel/inch" },
    { IDS_PIXEL_PER_CM, "pixel/cm" },
    { IDS_ERROR_FORMAT, "Error format, please reinput new" },
    { IDS_SELECT_FOLDER, "Please select folder" },
    { IDS_CONVERSION_FINISHED, "It has finished %d files conversion!" },
    { AFX_IDP_FAILED_TO_OPEN_DOC, "Failed to open document." },
    { AFX_IDP_PARSE_INT, "Please enter an integer." },
    { AFX_IDP_PARSE_INT_RANGE, "Please enter an integer between %1 and %2." },
};

static_assert(std::is_sorted(std::begin(kStrings), std::end(kStrings),
    [](const StringEntry &a, const StringEntry &b) { return a.id < b.id; }));

const StringEntry *FindString(UINT id)
{
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
        [](const StringEntry &entry, UINT key) { return entry.id < key; });
    if (it == std::end(kStrings) || it->id != id)
        return nullptr;
    return it;
}

} // namespace

QString LoadResString(UINT id)
{
    const StringEntry *entry = FindString(id);
    return entry ? QString::fromUtf8(entry->text) : QString();
}

bool HasResString(UINT id)
{
    return FindString(id) != nullptr;
}

QString ResSubString(UINT id, int index)
{
    const QStringList parts = LoadResString(id).split(QLatin1Char('\n'));
    if (index < 0 || index >= parts.size())
        return QString();
    return parts.at(index);
}
