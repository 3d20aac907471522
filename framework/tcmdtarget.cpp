#include "framework/tcmdtarget.h"

bool TCmdTarget::OnCmdMsg(UINT, TCmdUI *)
{
    return false;
}
