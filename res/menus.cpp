#include "res/menus.h"

#include "res/resource.h"

namespace
{

const MenuItemResource kSeparator {};

std::vector<PopupResource> MakeMainMenu()
{
    return {
        { "File(&F)",
            {
                { ID_PICTURE_OPEN, "Open(&O)...\tCtrl+O" },
                { ID_PICTURE_SAVE, "Save(&S)\tCtrl+S" },
                { ID_PICTURE_SAVE_AS, "Save as(&A)..." },
                kSeparator,
                { ID_FILE_PRINT, "Print(&P)...\tCtrl+P" },
                { ID_FILE_PRINT_PREVIEW, "Print Preview(&V)" },
                { ID_FILE_PRINT_SETUP, "Print(&R)..." },
                kSeparator,
                { ID_FILE_MRU_FILE1, "Recent Files" },
                kSeparator,
                { ID_APP_EXIT, "Exit(&X)" },
                kSeparator,
                { ID_FILE_PROPERTIES, "Properties...\tAlt+Enter" },
            } },
        { "Effect(&E)",
            {
                { ID_EFFECT_BRIGHT, "Bright" },
                { ID_EFFECT_DARK, "Dark" },
                kSeparator,
                { ID_EFFECT_BLACK_WHITE, "Black&White" },
                { ID_EFFECT_GRAY, "Gray" },
                { ID_EFFECT_NEGATIVE, "Negative" },
                kSeparator,
                { ID_EFFECT_RESET, "Reset" },
            } },
        { "Tools(&T)",
            {
                { ID_TOOLS_BATCH_CONVERT, "Batch Convert" },
                kSeparator,
                { ID_TOOLS_ROTATE_LEFT, "Rotate -90" },
                { ID_TOOLS_ROTATE_RIGHT, "Rotate +90" },
                { ID_TOOLS_ROTATE_FREE, "Rotate Free" },
                { ID_TOOLS_MIRROR, "Mirror" },
                { ID_TOOLS_FLIP, "Flip" },
                kSeparator,
                { ID_TOOLS_IMAGE_SIZE, "Image Size" },
            } },
        { "View(&V)",
            {
                { ID_VIEW_FIT_WIDTH, "Fit Width" },
                { ID_VIEW_FIT_HEIGHT, "Fit height" },
                { ID_VIEW_FIT_PICTURE, "Fit Picture" },
                { ID_VIEW_ZOOM_300, "300%" },
                { ID_VIEW_ZOOM_200, "200%" },
                { ID_VIEW_ZOOM_150, "150%" },
                { ID_VIEW_ZOOM_100, "100%" },
                { ID_VIEW_ZOOM_75, "75%" },
                { ID_VIEW_ZOOM_50, "50%" },
                { ID_VIEW_ZOOM_25, "25%" },
                kSeparator,
                { ID_VIEW_TOOLBAR, "Tool Bar(&T)" },
                { ID_VIEW_STATUS_BAR, "Status Bar(&S)" },
                kSeparator,
                { ID_VIEW_ANIMATION_PAUSE, "Pause/Resume Animation\tPause" },
            } },
        { "Help(&H)",
            {
                { ID_HELP_CONTENTS, "Help" },
                kSeparator,
                { ID_APP_ABOUT, "About TarnisViewer(&A)..." },
            } },
    };
}

// Menu 142: the image pane shows its second popup after a measurement; no command of it has a
// handler.
std::vector<PopupResource> MakeMeasureMenu()
{
    return {
        { "Image", {} },
        { "Unit",
            {
                { ID_MEASURE_FIRST, "Inch" },
                { ID_MEASURE_FIRST + 1, "Centimeter" },
                { ID_MEASURE_LAST, "Pixel" },
            } },
    };
}

std::vector<AcceleratorResource> MakeMainAccelerators()
{
    return {
        { QKeySequence(Qt::CTRL | Qt::Key_N), ID_FILE_NEW },
        { QKeySequence(Qt::CTRL | Qt::Key_O), ID_FILE_OPEN },
        { QKeySequence(Qt::CTRL | Qt::Key_S), ID_FILE_SAVE },
        { QKeySequence(Qt::CTRL | Qt::Key_P), ID_FILE_PRINT },
        { QKeySequence(Qt::CTRL | Qt::Key_Z), ID_EDIT_UNDO },
        { QKeySequence(Qt::ALT | Qt::Key_Backspace), ID_EDIT_UNDO },
        { QKeySequence(Qt::CTRL | Qt::Key_X), ID_EDIT_CUT },
        { QKeySequence(Qt::SHIFT | Qt::Key_Delete), ID_EDIT_CUT },
        { QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY },
        { QKeySequence(Qt::CTRL | Qt::Key_Insert), ID_EDIT_COPY },
        { QKeySequence(Qt::CTRL | Qt::Key_V), ID_EDIT_PASTE },
        { QKeySequence(Qt::SHIFT | Qt::Key_Insert), ID_EDIT_PASTE },
        { QKeySequence(Qt::Key_F6), ID_NEXT_PANE },
        { QKeySequence(Qt::SHIFT | Qt::Key_F6), ID_PREV_PANE },
        { QKeySequence(Qt::ALT | Qt::Key_Return), ID_FILE_PROPERTIES },
        { QKeySequence(Qt::Key_Pause), ID_VIEW_ANIMATION_PAUSE },
        { QKeySequence(Qt::ALT | Qt::Key_Enter), ID_FILE_PROPERTIES },
    };
}

} // namespace

const std::vector<PopupResource> &LoadMenuResource(UINT id)
{
    static const std::vector<PopupResource> mainMenu = MakeMainMenu();
    static const std::vector<PopupResource> measureMenu = MakeMeasureMenu();
    static const std::vector<PopupResource> none;
    if (id == IDR_MEASURE_POPUP)
        return measureMenu;
    return id == IDR_MAINFRAME ? mainMenu : none;
}

const std::vector<AcceleratorResource> &LoadAcceleratorResource(UINT id)
{
    static const std::vector<AcceleratorResource> mainTable = MakeMainAccelerators();
    static const std::vector<AcceleratorResource> none;
    return id == IDR_MAINFRAME ? mainTable : none;
}
