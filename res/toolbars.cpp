#include "res/toolbars.h"

#include "res/resource.h"

namespace
{

const ToolBarResource kMainToolBar { 1, 32, 32,
    { ID_PICTURE_OPEN, ID_PICTURE_SAVE, ID_PICTURE_SAVE_AS, 0, ID_PICTURE_PREVIOUS, ID_PICTURE_NEXT,
        ID_VIEW_ZOOM_100, 0, ID_PICTURE_FIT_WIDTH, ID_PICTURE_FIT_HEIGHT, 0, ID_PICTURE_ZOOM_IN,
        ID_PICTURE_ZOOM_OUT, ID_PICTURE_PRINT, 0, ID_HELP_CONTENTS } };

const ToolBarResource kEditToolBar { 1, 24, 24,
    { ID_TOOL_SELECT, ID_TOOL_RECTANGLE, ID_TOOL_ELLIPSE, ID_TOOL_POLYGON, 0, ID_EDIT_DELETE_SELECTION,
        ID_EDIT_REVERSE, ID_EDIT_CROP, ID_EDIT_REMOVE_BLACK_EDGE, 0, ID_EDIT_ROTATE_LEFT,
        ID_EDIT_ROTATE_RIGHT, ID_EDIT_ROTATE_FREE, ID_EDIT_DARKNESS, ID_EDIT_BRIGHTNESS, ID_EDIT_NEGATIVE,
        ID_EDIT_IMAGE_SIZE, ID_EDIT_RESET } };

} // namespace

const ToolBarResource *FindToolBarResource(UINT id)
{
    switch (id) {
    case IDR_TOOLBAR_MAIN:
        return &kMainToolBar;
    case IDR_TOOLBAR_EDIT:
        return &kEditToolBar;
    default:
        return nullptr;
    }
}
