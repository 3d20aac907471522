// Command routing: a command target executes a command id or reports its enabled and checked
// state; a target that does not know the id answers false so the caller tries the next one.
#pragma once

#include "platform/wintypes.h"

// The state a command's user-interface items take; filled by the target that handles the id.
struct TCmdUI {
    UINT id = 0;
    bool enabled = true;
    bool checked = false; // check mark, or radio mark when radio is set
    bool radio = false;

    void Enable(bool on = true) { enabled = on; }
    void SetCheck(bool on = true)
    {
        checked = on;
        radio = false;
    }
    void SetRadio(bool on = true)
    {
        checked = on;
        radio = true;
    }
};

class TCmdTarget
{
public:
    virtual ~TCmdTarget() = default;

    // Executes id when update is null, otherwise fills *update. True when id is handled here.
    virtual bool OnCmdMsg(UINT id, TCmdUI *update);
};
