// The main frame's command table: what each menu, toolbar and accelerator command does.
#pragma once

#include "platform/wintypes.h"

#include <vector>

enum class FrameAction {
    PostOperation, // WMU_IMAGE_OPERATION with code, lParam 0
    PostViewZoom, // WMU_IMAGE_OPERATION with code 22, lParam = the command id
    PostTools, // WMU_TOOLS_COMMAND with wParam = the command id
    PostEffect, // WMU_EFFECT_COMMAND with wParam = param
    OpenPicture,
    SavePicture,
    SavePictureAs,
    PreviousPicture,
    NextPicture,
    FitWidth,
    FitHeight,
    BatchConvert,
    Help,
    ToggleToolBar,
    ToggleStatusBar,
    Exit,
    NextPane,
    PreviousPane,
    Undo,
    Redo,
    Properties,
    ToggleAnimation,
};

struct FrameCommand {
    UINT id;
    FrameAction action;
    int code = 0; // operation code of PostOperation
    bool stored = false; // the code becomes the frame's current operation code
    UINT param = 0; // wParam of PostEffect
};

// Every command the frame handles itself, in id order.
const std::vector<FrameCommand> &MainFrameCommands();

// The entry for id; null when the frame does not handle id.
const FrameCommand *FindFrameCommand(UINT id);

// Whether id is one of the selection tools that carry a radio mark (below 32827).
bool IsSelectionToolCommand(UINT id);
