// Message boxes of file and folder errors: which string table entry a kind/detail pair shows,
// whether the caller's extra text is appended, and which icon the box has.
#pragma once

#include "platform/wintypes.h"

enum class MessageIcon { Information, Exclamation, Stop };

struct ErrorMessageForm {
    UINT stringId = 0; // 0 when the kind/detail pair is unknown
    bool appendExtra = false;
    MessageIcon icon = MessageIcon::Information;
};

ErrorMessageForm FileErrorMessage(int kind, int detail);
ErrorMessageForm FolderErrorMessage(int kind, int detail);
