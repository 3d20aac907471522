#include "frame/commandtable.h"

#include "res/resource.h"

#include <algorithm>

namespace
{

std::vector<FrameCommand> MakeCommands()
{
    using A = FrameAction;
    std::vector<FrameCommand> commands = {
        { ID_PICTURE_OPEN, A::OpenPicture },
        { ID_PICTURE_SAVE, A::SavePicture },
        { ID_PICTURE_SAVE_AS, A::SavePictureAs },
        { ID_PICTURE_PREVIOUS, A::PreviousPicture },
        { ID_PICTURE_NEXT, A::NextPicture },
        { ID_PICTURE_FIT_WIDTH, A::FitWidth },
        { ID_PICTURE_FIT_HEIGHT, A::FitHeight },
        { ID_TOOL_SELECT, A::PostOperation, 0, true },
        { ID_TOOL_RECTANGLE, A::PostOperation, 1, true },
        { ID_TOOL_ELLIPSE, A::PostOperation, 2, true },
        { ID_TOOL_POLYGON, A::PostOperation, 3, true },
        { ID_EDIT_DELETE_SELECTION, A::PostOperation, 5, true },
        { ID_EDIT_REVERSE, A::PostOperation, 6, true },
        { ID_EDIT_CROP, A::PostOperation, 7, true },
        { ID_EDIT_REMOVE_BLACK_EDGE, A::PostOperation, 8, true },
        { ID_EDIT_ROTATE_LEFT, A::PostOperation, 9, true },
        { ID_EDIT_ROTATE_RIGHT, A::PostOperation, 10, true },
        { ID_EDIT_ROTATE_FREE, A::PostOperation, 11, true },
        { ID_EDIT_BRIGHTNESS, A::PostOperation, 12, true },
        { ID_EDIT_DARKNESS, A::PostOperation, 13, true },
        { ID_EDIT_NEGATIVE, A::PostOperation, 14, true },
        { ID_VIEW_ZOOM_100, A::PostOperation, 15, true },
        { ID_PICTURE_ZOOM_IN, A::PostOperation, 16, true },
        { ID_PICTURE_ZOOM_OUT, A::PostOperation, 17, true },
        { ID_EDIT_IMAGE_SIZE, A::PostOperation, 20, true },
        { ID_PICTURE_PRINT, A::PostEffect, 0, false, ID_PICTURE_PRINT },
        { ID_EDIT_RESET, A::PostEffect, 0, false, ID_EFFECT_RESET },
        { ID_TOOLS_BATCH_CONVERT, A::BatchConvert },
        { ID_HELP_CONTENTS, A::Help },
        { ID_APP_EXIT, A::Exit },
        { ID_FILE_PROPERTIES, A::Properties },
        { ID_VIEW_ANIMATION_PAUSE, A::ToggleAnimation },
        { ID_NEXT_PANE, A::NextPane },
        { ID_PREV_PANE, A::PreviousPane },
        { ID_VIEW_TOOLBAR, A::ToggleToolBar },
        { ID_VIEW_STATUS_BAR, A::ToggleStatusBar },
        // The framework's document save has nothing to write; Ctrl+S saves the picture instead,
        // as the File menu's Save item promises, and never writes an empty file.
        { ID_FILE_SAVE, A::SavePicture },
        // Undo and redo of the picture's edits, enabled while the pane has a step to take.
        { ID_EDIT_UNDO, A::Undo },
        { ID_EDIT_REDO, A::Redo },
    };
    for (UINT id : { ID_VIEW_FIT_WIDTH, ID_VIEW_FIT_HEIGHT, ID_VIEW_FIT_PICTURE, ID_VIEW_ZOOM_300,
             ID_VIEW_ZOOM_200, ID_VIEW_ZOOM_150, ID_VIEW_ZOOM_75, ID_VIEW_ZOOM_50, ID_VIEW_ZOOM_25 })
        commands.push_back({ id, A::PostViewZoom });
    for (UINT id = ID_TOOLS_ROTATE_LEFT; id <= ID_TOOLS_IMAGE_SIZE; ++id)
        commands.push_back({ id, A::PostTools });
    for (UINT id = ID_EFFECT_BRIGHT; id <= ID_EFFECT_RESET; ++id)
        commands.push_back({ id, A::PostEffect, 0, false, id });
    std::sort(commands.begin(), commands.end(),
        [](const FrameCommand &a, const FrameCommand &b) { return a.id < b.id; });
    return commands;
}

} // namespace

const std::vector<FrameCommand> &MainFrameCommands()
{
    static const std::vector<FrameCommand> commands = MakeCommands();
    return commands;
}

const FrameCommand *FindFrameCommand(UINT id)
{
    const std::vector<FrameCommand> &commands = MainFrameCommands();
    const auto it = std::lower_bound(commands.begin(), commands.end(), id,
        [](const FrameCommand &entry, UINT key) { return entry.id < key; });
    return it != commands.end() && it->id == id ? &*it : nullptr;
}

bool IsSelectionToolCommand(UINT id)
{
    return id >= ID_TOOL_SELECT && id < ID_EDIT_DELETE_SELECTION;
}
